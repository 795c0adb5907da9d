// SPDX-License-Identifier: MIT
// Data/Tessel/Search.cpp: joining, prefix and suffix tests, and the partial accessors.
#include "Data/Tessel.hpp"
#include "Data/Tessel/Partial.hpp"

namespace Data::Tessel {

namespace {
inline std::size_t z(std::int64_t n) { return static_cast<std::size_t>(n); }
}  // namespace

Tessel intercalate(const Tessel& sep, std::span<const Tessel> list) {
  if (list.empty()) return Tessel();
  if (list.size() == 1) return list[0];
  if (sep.size() == 0) return concat(list);
  std::size_t total = z(sep.size()) * (list.size() - 1);
  for (const Tessel& t : list) total += z(t.size());
  return Tessel(Bytes::ShortByteString(total, [&](std::uint8_t* out) {
    std::size_t w = 0;
    for (std::size_t k = 0; k < list.size(); ++k) {
      if (k != 0) {
        std::memcpy(out + w, sep.data(), z(sep.size()));
        w += z(sep.size());
      }
      if (list[k].size() != 0) std::memcpy(out + w, list[k].data(), z(list[k].size()));
      w += z(list[k].size());
    }
    return w;
  }));
}

Tessel intersperse(char32_t c, const Tessel& t) {
  const std::int64_t n = t.size();
  if (n == 0) return Tessel();
  const std::uint8_t* s = t.data();
  if (Internal::width(Internal::decode(s, 0)) == n) return t;
  c = Internal::safe(c);
  std::uint8_t enc[4];
  const int wc = Internal::encode(c, enc);
  const std::size_t total = z(n) + z(length(t) - 1) * static_cast<std::size_t>(wc);
  return Tessel(Bytes::ShortByteString(total, [&](std::uint8_t* out) {
    std::size_t w = 0;
    for (std::int64_t o = 0; o < n;) {
      if (o != 0) {
        std::memcpy(out + w, enc, static_cast<std::size_t>(wc));
        w += static_cast<std::size_t>(wc);
      }
      const int k = Internal::width(Internal::decode(s, o));
      std::memcpy(out + w, s + o, static_cast<std::size_t>(k));
      w += static_cast<std::size_t>(k);
      o += k;
    }
    return w;
  }));
}

bool isPrefixOf(const Tessel& a, const Tessel& b) noexcept {
  if (a.size() > b.size()) return false;
  if (a.size() == 0 || a.bytes().sameArray(b.bytes())) return true;
  return std::memcmp(a.data(), b.data(), z(a.size())) == 0;
}

bool isSuffixOf(const Tessel& a, const Tessel& b) noexcept {
  if (a.size() > b.size()) return false;
  if (a.size() == 0 || a.bytes().sameArray(b.bytes())) return true;
  return std::memcmp(a.data(), b.data() + (b.size() - a.size()), z(a.size())) == 0;
}

std::optional<Tessel> stripPrefix(const Tessel& a, const Tessel& b) {
  if (!isPrefixOf(a, b)) return std::nullopt;
  if (a.size() == 0) return b;
  if (a.size() == b.size()) return Tessel();
  return Internal::slice(b, a.size(), b.size() - a.size());
}

std::optional<Tessel> stripSuffix(const Tessel& a, const Tessel& b) {
  if (!isSuffixOf(a, b)) return std::nullopt;
  if (a.size() == 0) return b;
  if (a.size() == b.size()) return Tessel();
  return Internal::slice(b, 0, b.size() - a.size());
}

namespace Partial {

using Internal::Failure;

char32_t head(const Tessel& t) {
  if (t.size() == 0) Internal::fail(Failure::headEmpty);
  return Internal::decode(t.data(), 0);
}

char32_t last(const Tessel& t) {
  if (t.size() == 0) Internal::fail(Failure::lastEmpty);
  return Internal::decodeBack(t.data(), t.size());
}

Tessel tail(const Tessel& t) {
  if (t.size() == 0) Internal::fail(Failure::tailEmpty);
  return drop(1, t);
}

Tessel init(const Tessel& t) {
  if (t.size() == 0) Internal::fail(Failure::initEmpty);
  return dropEnd(1, t);
}

char32_t index(const Tessel& t, std::int64_t i) {
  const std::optional<char32_t> c = indexMaybe(t, i);
  if (!c) Internal::fail(Failure::indexOutside);
  return *c;
}

}  // namespace Partial
}  // namespace Data::Tessel
