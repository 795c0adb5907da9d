// SPDX-License-Identifier: MIT
// Data/Tessel/Internal.hpp: the representation of Tessel and the primitives its operations share.
//   Data::Tessel::Tessel t = Data::Tessel::Internal::fromShortByteStringUnsafe(bytes);
//
// A Tessel wraps exactly one immutable ShortByteString holding well-formed UTF-8 (the code point 0
// as the byte 0x00, no byte-order mark added or removed). Copies share the array; sizeof(Tessel)
// is 16 bytes, and texts of up to 15 bytes live inside the value without a heap array. The empty
// text is the one empty array, which every empty result returns without allocating.
#pragma once

#include <tessel/export.hpp>

#include "Data/Tessel/Bytes.hpp"
#include "Data/Tessel/cbits.h"

#include <compare>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string_view>

namespace Data::Tessel {

/// An immutable Unicode text stored as one unsliced array of well-formed UTF-8.
class TESSEL_API Tessel {
 public:
  /// The empty text.
  Tessel() noexcept = default;
  /// Wraps an array the caller guarantees to hold well-formed UTF-8 (not checked).
  explicit Tessel(Bytes::ShortByteString bytes) noexcept : bytes_(std::move(bytes)) {}

  /// The array.
  const Bytes::ShortByteString& bytes() const noexcept { return bytes_; }
  const std::uint8_t* data() const noexcept { return bytes_.data(); }
  /// Size in bytes.
  std::int64_t size() const noexcept { return bytes_.size(); }
  /// The UTF-8 bytes, without copying; valid while this value (not only its array) lives, since
  /// a short text keeps its bytes inside the value.
  std::string_view view() const noexcept { return bytes_.view(); }

  /// Parses what show renders (a double-quoted literal, with white space around it); every
  /// character, escaped surrogates included, goes through fromString. Absent when the input is not
  /// exactly one such literal.
  static std::optional<Tessel> read(std::string_view s);

  /// Same size and same bytes.
  friend bool operator==(const Tessel& a, const Tessel& b) noexcept { return a.bytes_ == b.bytes_; }
  /// Byte-wise (unsigned) order, the shorter of two texts with equal common bytes first; the same
  /// as code-point order.
  friend std::strong_ordering operator<=>(const Tessel& a, const Tessel& b) noexcept {
    if (a.bytes_.isInline() && b.bytes_.isInline()) {
      // Zero-padded 15-byte arrays compared as big-endian numbers, then the sizes: the same order
      // as the bytes in common followed by the sizes.
      const std::uint64_t a0 = __builtin_bswap64(a.bytes_.word(0)), b0 = __builtin_bswap64(b.bytes_.word(0));
      if (a0 != b0) return a0 <=> b0;
      constexpr std::uint64_t low7 = ~(std::uint64_t{0xFF} << 56);
      const std::uint64_t a1 = __builtin_bswap64(a.bytes_.word(1) & low7),
                          b1 = __builtin_bswap64(b.bytes_.word(1) & low7);
      if (a1 != b1) return a1 <=> b1;
      return a.size() <=> b.size();
    }
    if (a.bytes_.sameArray(b.bytes_)) return std::strong_ordering::equal;
    const std::int64_t na = a.size(), nb = b.size();
    const std::size_t common = static_cast<std::size_t>(na < nb ? na : nb);
    if (!a.bytes_.isInline() && !b.bytes_.isInline() && common <= 64) {
      // Heap arrays are zero-padded to whole words: the same argument as above, a word at a time.
      for (std::size_t k = 0; k < common; k += 8) {
        std::uint64_t wa, wb;
        std::memcpy(&wa, a.data() + k, 8);
        std::memcpy(&wb, b.data() + k, 8);
        if (wa != wb) return __builtin_bswap64(wa) <=> __builtin_bswap64(wb);
      }
      return na <=> nb;
    }
    if (common != 0) {
      const int c = std::memcmp(a.data(), b.data(), common);
      if (c != 0) return c < 0 ? std::strong_ordering::less : std::strong_ordering::greater;
    }
    return na <=> nb;
  }

 private:
  Bytes::ShortByteString bytes_;
};

static_assert(sizeof(Tessel) <= 16);

namespace Internal {

/// The fixed failures of the library, each thrown with its own message.
enum class Failure {
  invalidOffset,  // "invalid offset"
  invalidLength,  // "invalid length"
  headEmpty,      // "head: empty Tessel"
  lastEmpty,      // "last: empty Tessel"
  tailEmpty,      // "tail: empty Tessel"
  initEmpty,      // "init: empty Tessel"
  indexOutside,   // "index: not within Tessel"
  foldl1Empty,    // "foldl1: empty Tessel"
  foldr1Empty,    // "foldr1: empty Tessel"
};
/// Throws the failure: std::out_of_range for offsets, lengths and indices, std::invalid_argument
/// for an empty text.
[[noreturn]] TESSEL_API void fail(Failure f);

/// U+FFFD for a surrogate code point (U+D800 to U+DFFF) and for a value above U+10FFFF (which a
/// char32_t can hold but UTF-8 cannot encode), else c.
constexpr char32_t safe(char32_t c) noexcept {
  const auto u = static_cast<std::uint32_t>(c);
  return (u & 0xFFF800u) == 0xD800u || u > 0x10FFFF ? U'\uFFFD' : c;
}
/// Bytes of the UTF-8 encoding of a code point: 1 below 0x80, 2 below 0x800, 4 above 0xFFFF, else 3.
constexpr int width(char32_t c) noexcept {
  return c < 0x80 ? 1 : c < 0x800 ? 2 : c > 0xFFFF ? 4 : 3;
}
/// Writes the UTF-8 encoding of c (at most 0x10FFFF) and returns the bytes written.
inline int encode(char32_t c, std::uint8_t* out) noexcept {
  const auto u = static_cast<std::uint32_t>(c);
  if (u <= 0x7F) {
    out[0] = static_cast<std::uint8_t>(u);
    return 1;
  }
  if (u <= 0x7FF) {
    out[0] = static_cast<std::uint8_t>(0xC0 | u >> 6);
    out[1] = static_cast<std::uint8_t>(0x80 | (u & 0x3F));
    return 2;
  }
  if (u <= 0xFFFF) {
    out[0] = static_cast<std::uint8_t>(0xE0 | u >> 12);
    out[1] = static_cast<std::uint8_t>(0x80 | ((u >> 6) & 0x3F));
    out[2] = static_cast<std::uint8_t>(0x80 | (u & 0x3F));
    return 3;
  }
  out[0] = static_cast<std::uint8_t>(0xF0 | u >> 18);
  out[1] = static_cast<std::uint8_t>(0x80 | ((u >> 12) & 0x3F));
  out[2] = static_cast<std::uint8_t>(0x80 | ((u >> 6) & 0x3F));
  out[3] = static_cast<std::uint8_t>(0x80 | (u & 0x3F));
  return 4;
}
/// The code point whose first byte is at ofs (as hs_tessel_ofs_cp).
inline char32_t decode(const std::uint8_t* s, std::int64_t ofs) noexcept {
  const std::uint32_t b0 = s[ofs];
  if (b0 < 0x80) return b0;
  if ((b0 >> 4) == 0xE)
    return (b0 & 0x0F) << 12 | static_cast<std::uint32_t>(s[ofs + 1] & 0x3F) << 6 |
           static_cast<std::uint32_t>(s[ofs + 2] & 0x3F);
  if ((b0 >> 4) == 0xF)
    return (b0 & 0x07) << 18 | static_cast<std::uint32_t>(s[ofs + 1] & 0x3F) << 12 |
           static_cast<std::uint32_t>(s[ofs + 2] & 0x3F) << 6 |
           static_cast<std::uint32_t>(s[ofs + 3] & 0x3F);
  return (b0 & 0x1F) << 6 | static_cast<std::uint32_t>(s[ofs + 1] & 0x3F);
}
/// The code point whose last byte is at ofs - 1 (hs_tessel_ofs_cp_rev).
inline char32_t decodeBack(const std::uint8_t* s, std::int64_t ofs) noexcept {
  return hs_tessel_ofs_cp_rev(s, static_cast<std::uint64_t>(ofs));
}

/// A text of the bytes from offset, at most count of them (clamped to the size), copied into a new
/// array; the empty text when nothing remains. Fails with "invalid offset" for a negative offset
/// and "invalid length" for a negative count.
TESSEL_API Tessel slice(const Tessel& t, std::int64_t offset, std::int64_t count);

/// Wraps the array without checking; the caller guarantees well-formed UTF-8.
inline Tessel fromShortByteStringUnsafe(Bytes::ShortByteString s) noexcept { return Tessel(std::move(s)); }

}  // namespace Internal

/// Salted hash of the UTF-8 bytes, the same as Bytes::hashWithSalt of those bytes.
inline std::uint64_t hashWithSalt(std::uint64_t salt, const Tessel& t) noexcept {
  return Bytes::hashWithSalt(salt, t.data(), static_cast<std::size_t>(t.size()));
}
inline std::uint64_t hash(const Tessel& t) noexcept { return hashWithSalt(Bytes::defaultSalt, t); }

}  // namespace Data::Tessel

template <>
struct std::hash<Data::Tessel::Tessel> {
  std::size_t operator()(const Data::Tessel::Tessel& t) const noexcept {
    return static_cast<std::size_t>(Data::Tessel::hash(t));
  }
};
