// SPDX-License-Identifier: MIT
// Data/Tessel.cpp: construction, measuring, splitting and renderings of Tessel.
#include "Data/Tessel.hpp"

#include "Data/Tessel/Messages.hpp"

#include <new>
#include <ostream>
#include <stdexcept>
#include <string>

namespace Data::Tessel {

namespace Internal {

void fail(Failure f) {
  switch (f) {
    case Failure::invalidOffset: throw std::out_of_range(std::string(msg::invalidOffset));
    case Failure::invalidLength: throw std::out_of_range(std::string(msg::invalidLength));
    case Failure::headEmpty: throw std::invalid_argument(std::string(msg::headEmpty));
    case Failure::lastEmpty: throw std::invalid_argument(std::string(msg::lastEmpty));
    case Failure::tailEmpty: throw std::invalid_argument(std::string(msg::tailEmpty));
    case Failure::initEmpty: throw std::invalid_argument(std::string(msg::initEmpty));
    case Failure::indexOutside: throw std::out_of_range(std::string(msg::indexOutside));
    case Failure::foldl1Empty: throw std::invalid_argument(std::string(msg::foldl1Empty));
    case Failure::foldr1Empty: throw std::invalid_argument(std::string(msg::foldr1Empty));
  }
  throw std::logic_error("unknown failure");
}

Tessel slice(const Tessel& t, std::int64_t offset, std::int64_t count) {
  if (offset < 0) fail(Failure::invalidOffset);
  if (count < 0) fail(Failure::invalidLength);
  const std::int64_t available = t.size() - offset;
  if (available <= 0 || count == 0) return Tessel();
  if (count > available) count = available;
  return Tessel(Bytes::ShortByteString::copy(t.data() + offset, static_cast<std::size_t>(count)));
}

std::pair<Tessel, Tessel> splitAtOffset(const Tessel& t, std::int64_t ofs) {
  if (ofs <= 0) return {Tessel(), t};
  if (ofs >= t.size()) return {t, Tessel()};
  return {slice(t, 0, ofs), slice(t, ofs, t.size() - ofs)};
}

Tessel between(const Tessel& t, std::int64_t a, std::int64_t b) {
  if (a >= b) return Tessel();
  if (a == 0 && b == t.size()) return t;
  return slice(t, a, b - a);
}

}  // namespace Internal

using Internal::encode;
using Internal::safe;
using Internal::width;

namespace {
inline std::uint64_t u(std::int64_t n) { return static_cast<std::uint64_t>(n); }
inline std::size_t z(std::int64_t n) { return static_cast<std::size_t>(n); }
}  // namespace

Tessel singleton(char32_t c) {
  c = safe(c);
  return Tessel(Bytes::ShortByteString(z(width(c)), [c](std::uint8_t* out) {
    return static_cast<std::size_t>(encode(c, out));
  }));
}

Tessel fromString(std::u32string_view s) {
  if (s.empty()) return Tessel();
  if (s.size() == 1) return singleton(s[0]);
  std::size_t total = 0;
  for (char32_t c : s) total += static_cast<std::size_t>(width(safe(c)));
  return Tessel(Bytes::ShortByteString(total, [&](std::uint8_t* out) {
    std::size_t w = 0;
    for (char32_t c : s) w += static_cast<std::size_t>(encode(safe(c), out + w));
    return w;
  }));
}

Tessel cons(char32_t c, const Tessel& t) {
  c = safe(c);
  if (t.size() == 0) return singleton(c);
  const int w = width(c);
  return Tessel(Bytes::ShortByteString(z(t.size() + w), [&](std::uint8_t* out) {
    encode(c, out);
    std::memcpy(out + w, t.data(), z(t.size()));
    return z(t.size() + w);
  }));
}

Tessel snoc(const Tessel& t, char32_t c) {
  c = safe(c);
  if (t.size() == 0) return singleton(c);
  const int w = width(c);
  return Tessel(Bytes::ShortByteString(z(t.size() + w), [&](std::uint8_t* out) {
    std::memcpy(out, t.data(), z(t.size()));
    encode(c, out + t.size());
    return z(t.size() + w);
  }));
}

Tessel append(const Tessel& a, const Tessel& b) {
  if (a.size() == 0) return b;
  if (b.size() == 0) return a;
  const std::size_t na = z(a.size()), nb = z(b.size());
  return Tessel(Bytes::ShortByteString(na + nb, [&](std::uint8_t* out) {
    std::memcpy(out, a.data(), na);
    std::memcpy(out + na, b.data(), nb);
    return na + nb;
  }));
}

Tessel concat(std::span<const Tessel> list) {
  std::size_t total = 0;
  const Tessel* only = nullptr;
  std::size_t nonEmpty = 0;
  for (const Tessel& t : list) {
    total += z(t.size());
    if (t.size() != 0) {
      only = &t;
      ++nonEmpty;
    }
  }
  if (nonEmpty == 0) return Tessel();
  if (nonEmpty == 1) return *only;
  return Tessel(Bytes::ShortByteString(total, [&](std::uint8_t* out) {
    std::size_t w = 0;
    for (const Tessel& t : list) {
      if (t.size() == 0) continue;
      std::memcpy(out + w, t.data(), z(t.size()));
      w += z(t.size());
    }
    return w;
  }));
}

Tessel replicate(std::int64_t n, const Tessel& t) {
  if (n <= 0 || t.size() == 0) return Tessel();
  if (n == 1) return t;
  if (t.size() > (std::int64_t{1} << 55) / n) throw std::bad_alloc();
  const std::size_t size = z(t.size());
  return Tessel(Bytes::ShortByteString(size * z(n), [&](std::uint8_t* out) {
    for (std::int64_t k = 0; k < n; ++k) std::memcpy(out + z(k) * size, t.data(), size);
    return size * z(n);
  }));
}

Tessel reverse(const Tessel& t) {
  const std::int64_t n = t.size();
  if (n == 0) return Tessel();
  const std::uint8_t* s = t.data();
  if (width(Internal::decode(s, 0)) == n) return t;
  return Tessel(Bytes::ShortByteString(z(n), [&](std::uint8_t* out) {
    for (std::int64_t a = 0; a < n;) {
      const std::int64_t b = a + width(Internal::decode(s, a));
      std::memcpy(out + (n - b), s + a, z(b - a));
      a = b;
    }
    return z(n);
  }));
}

std::pair<Tessel, Tessel> splitAt(std::int64_t n, const Tessel& t) {
  if (n <= 0) return {Tessel(), t};
  const std::int64_t ofs = static_cast<std::int64_t>(hs_tessel_index_ofs(t.data(), u(t.size()), u(n)));
  if (ofs == 0) return {Tessel(), t};
  if (ofs < t.size()) return {Internal::slice(t, 0, ofs), Internal::slice(t, ofs, t.size() - ofs)};
  return {t, Tessel()};
}

std::pair<Tessel, Tessel> splitAtEnd(std::int64_t n, const Tessel& t) {
  if (n <= 0) return {t, Tessel()};
  const std::int64_t ofs =
      static_cast<std::int64_t>(hs_tessel_index_ofs_rev(t.data(), u(t.size()), u(n - 1)));
  if (ofs == 0 || ofs >= t.size()) return {Tessel(), t};
  return {Internal::slice(t, 0, ofs), Internal::slice(t, ofs, t.size() - ofs)};
}

Tessel take(std::int64_t n, const Tessel& t) {
  if (n <= 0) return Tessel();
  const std::int64_t ofs = static_cast<std::int64_t>(hs_tessel_index_ofs(t.data(), u(t.size()), u(n)));
  if (ofs == 0) return Tessel();
  return ofs < t.size() ? Internal::slice(t, 0, ofs) : t;
}

Tessel drop(std::int64_t n, const Tessel& t) {
  if (n <= 0) return t;
  const std::int64_t ofs = static_cast<std::int64_t>(hs_tessel_index_ofs(t.data(), u(t.size()), u(n)));
  if (ofs == 0) return t;
  return ofs < t.size() ? Internal::slice(t, ofs, t.size() - ofs) : Tessel();
}

Tessel takeEnd(std::int64_t n, const Tessel& t) {
  if (n <= 0) return Tessel();
  const std::int64_t ofs =
      static_cast<std::int64_t>(hs_tessel_index_ofs_rev(t.data(), u(t.size()), u(n - 1)));
  if (ofs == 0 || ofs >= t.size()) return t;
  return Internal::slice(t, ofs, t.size() - ofs);
}

Tessel dropEnd(std::int64_t n, const Tessel& t) {
  if (n <= 0) return t;
  const std::int64_t ofs =
      static_cast<std::int64_t>(hs_tessel_index_ofs_rev(t.data(), u(t.size()), u(n - 1)));
  if (ofs == 0 || ofs >= t.size()) return Tessel();
  return Internal::slice(t, 0, ofs);
}

namespace {
std::optional<char32_t> codePoint(std::int64_t r) {
  if (static_cast<std::uint64_t>(r) < 0x110000) return static_cast<char32_t>(r);
  return std::nullopt;
}
}  // namespace

std::optional<char32_t> indexMaybe(const Tessel& t, std::int64_t i) {
  if (i < 0) return std::nullopt;
  return codePoint(hs_tessel_index_cp(t.data(), u(t.size()), u(i)));
}

std::optional<char32_t> indexEndMaybe(const Tessel& t, std::int64_t i) {
  if (i < 0) return std::nullopt;
  return codePoint(hs_tessel_index_cp_rev(t.data(), u(t.size()), u(i)));
}

std::optional<std::pair<char32_t, Tessel>> uncons(const Tessel& t) {
  if (t.size() == 0) return std::nullopt;
  const char32_t c = Internal::decode(t.data(), 0);
  const int w = width(c);
  if (w == t.size()) return std::pair{c, Tessel()};
  return std::pair{c, Internal::slice(t, w, t.size() - w)};
}

std::optional<std::pair<Tessel, char32_t>> unsnoc(const Tessel& t) {
  if (t.size() == 0) return std::nullopt;
  const char32_t c = Internal::decodeBack(t.data(), t.size());
  const int w = width(c);
  if (w == t.size()) return std::pair{Tessel(), c};
  return std::pair{Internal::slice(t, 0, t.size() - w), c};
}

// ---- renderings -------------------------------------------------------------------------------

std::string show(const Tessel& t) {
  static constexpr char hex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(z(t.size()) + 2);
  out.push_back('"');
  for (char32_t c : toString(t)) {
    switch (c) {
      case U'"': out += "\\\""; continue;
      case U'\\': out += "\\\\"; continue;
      case U'\a': out += "\\a"; continue;
      case U'\b': out += "\\b"; continue;
      case U'\t': out += "\\t"; continue;
      case U'\n': out += "\\n"; continue;
      case U'\v': out += "\\v"; continue;
      case U'\f': out += "\\f"; continue;
      case U'\r': out += "\\r"; continue;
      default: break;
    }
    if (c >= 0x20 && c <= 0x7E) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    const int digits = c > 0xFFFF ? 8 : 4;
    out += digits == 8 ? "\\U" : "\\u";
    for (int k = digits - 1; k >= 0; --k) out.push_back(hex[(c >> (4 * k)) & 0xF]);
  }
  out.push_back('"');
  return out;
}

std::ostream& operator<<(std::ostream& os, const Tessel& t) { return os << t.view(); }

namespace {
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

std::optional<Tessel> Tessel::read(std::string_view s) {
  if (hs_tessel_is_valid_utf8(reinterpret_cast<const std::uint8_t*>(s.data()), s.size()) != 0)
    return std::nullopt;
  std::size_t i = 0;
  while (i < s.size() && isSpace(s[i])) ++i;
  if (i == s.size() || s[i] != '"') return std::nullopt;
  ++i;
  std::u32string chars;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(s.data());
  for (;;) {
    if (i >= s.size()) return std::nullopt;  // no closing quote
    const char c = s[i];
    if (c == '"') {
      ++i;
      break;
    }
    if (c != '\\') {
      const char32_t cp = Internal::decode(bytes, static_cast<std::int64_t>(i));
      chars.push_back(cp);
      i += static_cast<std::size_t>(width(cp));
      continue;
    }
    if (++i >= s.size()) return std::nullopt;
    const char e = s[i++];
    switch (e) {
      case '"': chars.push_back(U'"'); break;
      case '\\': chars.push_back(U'\\'); break;
      case '\'': chars.push_back(U'\''); break;
      case 'a': chars.push_back(U'\a'); break;
      case 'b': chars.push_back(U'\b'); break;
      case 't': chars.push_back(U'\t'); break;
      case 'n': chars.push_back(U'\n'); break;
      case 'v': chars.push_back(U'\v'); break;
      case 'f': chars.push_back(U'\f'); break;
      case 'r': chars.push_back(U'\r'); break;
      case 'u':
      case 'U': {
        const std::size_t digits = e == 'u' ? 4 : 8;
        if (s.size() - i < digits) return std::nullopt;
        std::uint32_t v = 0;
        for (std::size_t k = 0; k < digits; ++k) {
          const int d = hexDigit(s[i + k]);
          if (d < 0) return std::nullopt;
          v = v << 4 | static_cast<std::uint32_t>(d);
        }
        if (v > 0x10FFFF) return std::nullopt;
        chars.push_back(static_cast<char32_t>(v));
        i += digits;
        break;
      }
      default: return std::nullopt;
    }
  }
  while (i < s.size() && isSpace(s[i])) ++i;
  if (i != s.size()) return std::nullopt;
  return fromString(chars);
}

}  // namespace Data::Tessel
