// SPDX-License-Identifier: MIT
// Data/Tessel/Convert.cpp: exchange with byte strings, text and literals; the serialised form.
#include "Data/Tessel.hpp"

#include "Data/Tessel/Messages.hpp"

#include <cstring>

namespace Data::Tessel {

namespace {
inline bool valid(const Bytes::ShortByteString& s) {
  return hs_tessel_is_valid_utf8(s.data(), static_cast<std::uint64_t>(s.size())) == 0;
}
}  // namespace

std::optional<Tessel> fromShortByteString(Bytes::ShortByteString s) {
  if (!valid(s)) return std::nullopt;
  return Tessel(std::move(s));
}

// The bytes are validated where they are and copied only when valid: the result is the same as
// validating the copy, without allocating for invalid input, and without reading back bytes just
// written (a short copy lives inside the value, and a load of it right after the stores that wrote
// it waits for them).
std::optional<Tessel> fromUtf8(std::span<const std::uint8_t> bytes) {
  if (hs_tessel_is_valid_utf8(bytes.data(), bytes.size()) != 0) return std::nullopt;
  return Tessel(Bytes::ShortByteString::copy(bytes));
}

std::optional<Tessel> fromByteString(const Bytes::ByteString& b) { return fromUtf8(b.bytes()); }

Tessel fromByteStringUnsafe(const Bytes::ByteString& b) {
  return Tessel(Bytes::ShortByteString::copy(b.bytes()));
}

Bytes::ByteString toByteString(const Tessel& t) { return Bytes::ByteString::copy(t.bytes().bytes()); }

Tessel fromText(const Bytes::Text& x) {
  if (x.offset == 0 && x.length == x.array.size()) return Tessel(x.array);
  return Internal::slice(Tessel(x.array), x.offset, x.length);
}

Tessel fromLitAsciiAddr(const char* p) {
  const std::size_t n = std::strlen(p);
  if (n == 0) return Tessel();
  return Tessel(Bytes::ShortByteString::copy(p, n));
}

Tessel fromLitMUtf8Addr(const char* p) {
  const std::int64_t r = hs_tessel_mutf8_strlen(p);
  if (r == 0) return Tessel();
  if (r > 0) return Tessel(Bytes::ShortByteString::copy(p, static_cast<std::size_t>(r)));
  const auto n = static_cast<std::size_t>(-r);
  return Tessel(Bytes::ShortByteString(n, [&](std::uint8_t* out) {
    hs_tessel_mutf8_trans(p, out);
    return n;
  }));
}

// ---- serialised form --------------------------------------------------------------------------

namespace {
void putInt64(std::vector<std::uint8_t>& out, std::int64_t v) {
  const auto u = static_cast<std::uint64_t>(v);
  for (int k = 7; k >= 0; --k) out.push_back(static_cast<std::uint8_t>(u >> (8 * k)));
}
}  // namespace

void put(std::vector<std::uint8_t>& out, const Tessel& t) {
  putInt64(out, t.size());
  out.insert(out.end(), t.data(), t.data() + t.size());
}

void putList(std::vector<std::uint8_t>& out, std::span<const Tessel> list) {
  putInt64(out, static_cast<std::int64_t>(list.size()));
  for (const Tessel& t : list) put(out, t);
}

bool Decoder::readInt64(std::int64_t& v) noexcept {
  if (remaining() < 8) return false;
  std::uint64_t u = 0;
  for (int k = 0; k < 8; ++k) u = u << 8 | input_[pos_ + static_cast<std::size_t>(k)];
  pos_ += 8;
  v = static_cast<std::int64_t>(u);
  return true;
}

bool Decoder::readBytes(std::size_t count, std::span<const std::uint8_t>& out) noexcept {
  if (remaining() < count) {
    out = {};
    return false;
  }
  out = input_.subspan(pos_, count);
  pos_ += count;
  return true;
}

namespace {
/// Reads a count: a failure message when there is none or it is negative.
std::optional<std::string_view> readCount(Decoder& in, std::int64_t& n) {
  if (!in.readInt64(n)) return msg::notEnoughBytes;
  if (n < 0) return msg::negativeCount;
  return std::nullopt;
}
}  // namespace

Decoded<Tessel> get(Decoder& in) {
  const std::size_t start = in.position();
  std::int64_t n = 0;
  std::span<const std::uint8_t> bytes;
  std::optional<std::string_view> failure = readCount(in, n);
  if (!failure && !in.readBytes(static_cast<std::size_t>(n), bytes)) failure = msg::notEnoughBytes;
  if (!failure) {
    if (std::optional<Tessel> t = fromUtf8(bytes)) return Decoded<Tessel>::success(std::move(*t));
    failure = msg::invalidStream;
  }
  in.rewind(start);
  return Decoded<Tessel>::failure(std::string(*failure));
}

Decoded<std::vector<Tessel>> getList(Decoder& in) {
  const std::size_t start = in.position();
  std::int64_t n = 0;
  std::optional<std::string_view> failure = readCount(in, n);
  // Every element takes at least its 8-byte count: a larger count cannot be satisfied.
  if (!failure && static_cast<std::uint64_t>(n) > in.remaining() / 8) failure = msg::notEnoughBytes;
  std::vector<Tessel> out;
  if (!failure) {
    out.reserve(static_cast<std::size_t>(n));
    for (std::int64_t k = 0; k < n; ++k) {
      Decoded<Tessel> one = get(in);
      if (!one) {
        in.rewind(start);
        return Decoded<std::vector<Tessel>>::failure(one.message());
      }
      out.push_back(std::move(one.value()));
    }
    return Decoded<std::vector<Tessel>>::success(std::move(out));
  }
  in.rewind(start);
  return Decoded<std::vector<Tessel>>::failure(std::string(*failure));
}

// ---- literals ---------------------------------------------------------------------------------

namespace {
/// UTF-8 bytes as a text; each byte that does not begin a well-formed sequence becomes U+FFFD.
Tessel fromUtf8Lenient(const std::uint8_t* s, std::size_t n) {
  if (hs_tessel_is_valid_utf8(s, n) == 0) return Tessel(Bytes::ShortByteString::copy(s, n));
  std::u32string chars;
  for (std::size_t i = 0; i < n;) {
    const std::uint8_t b = s[i];
    const std::size_t w = b < 0x80 ? 1 : (b >> 4) == 0xE ? 3 : (b >> 4) == 0xF ? 4 : 2;
    if (i + w <= n && hs_tessel_is_valid_utf8(s + i, w) == 0) {
      chars.push_back(Internal::decode(s, static_cast<std::int64_t>(i)));
      i += w;
    } else {
      chars.push_back(U'\uFFFD');
      i += 1;
    }
  }
  return fromString(chars);
}
}  // namespace

namespace Literals {
Tessel operator""_tessel(const char* s, std::size_t n) {
  return fromUtf8Lenient(reinterpret_cast<const std::uint8_t*>(s), n);
}
Tessel operator""_tessel(const char8_t* s, std::size_t n) {
  return fromUtf8Lenient(reinterpret_cast<const std::uint8_t*>(s), n);
}
Tessel operator""_tessel(const char32_t* s, std::size_t n) { return fromString({s, n}); }
}  // namespace Literals

}  // namespace Data::Tessel
