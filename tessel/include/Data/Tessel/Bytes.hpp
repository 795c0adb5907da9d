// SPDX-License-Identifier: MIT
// Data/Tessel/Bytes.hpp: the byte containers Tessel exchanges its bytes with.
//   auto s = Data::Tessel::Bytes::ShortByteString::copy(bytes);   // a compact immutable array
//
// ShortByteString is the one array a Tessel wraps: immutable, no offset, shared between copies by
// a reference count (copying never copies bytes). Arrays of up to 15 bytes live inside the 16-byte
// value itself; longer ones on the heap in whole 8-byte words starting on an 8-byte boundary, with
// the bytes past the size set to zero. ByteString is a byte range kept alive by its value, Builder
// an incremental writer that copies arrays into its output when run, and Text the UTF-8 text of a
// text library: an array with a start offset and a length.
#pragma once

#include <tessel/export.hpp>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace Data::Tessel::Bytes {

class TESSEL_API ShortByteString {
 public:
  /// Longest array kept inside the value.
  static constexpr std::size_t inlineCapacity = 15;

  /// The empty array.
  ShortByteString() noexcept : words_{0, tagInline} {}

  /// An array holding a copy of the bytes.
  static ShortByteString copy(const void* bytes, std::size_t size) {
    if (size <= inlineCapacity) {
      ShortByteString s;
      s.setInline(static_cast<const std::uint8_t*>(bytes), size);
      return s;
    }
    ShortByteString s;
    std::uint8_t* out = allocate(size);
    copyBytes(out, static_cast<const std::uint8_t*>(bytes), size);
    s.adopt(out, size, size);
    return s;
  }
  static ShortByteString copy(std::span<const std::uint8_t> bytes) {
    return copy(bytes.data(), bytes.size());
  }
  static ShortByteString copy(std::string_view bytes) { return copy(bytes.data(), bytes.size()); }

  /// Builds an array in place: fill(out) writes at most capacity bytes to out and returns how many
  /// it wrote; the array keeps exactly those. Throws std::bad_alloc when memory runs out.
  template <class Fill>
  ShortByteString(std::size_t capacity, Fill&& fill) : words_{0, tagInline} {
    if (capacity <= inlineCapacity) {
      alignas(8) std::uint8_t tmp[16] = {};
      const std::size_t written = fill(tmp);
      std::memcpy(words_, tmp, 16);
      words_[1] |= tagInline | static_cast<std::uint64_t>(written) << 56;
      return;
    }
    std::uint8_t* out = allocate(capacity);
    std::size_t written;
    try {
      written = fill(out);
    } catch (...) {
      release(blockOf(out));
      throw;
    }
    adopt(out, capacity, written);
  }

  ShortByteString(const ShortByteString& other) noexcept : words_{other.words_[0], other.words_[1]} {
    if (!isInline()) block()->refs.fetch_add(1, std::memory_order_relaxed);
  }
  ShortByteString(ShortByteString&& other) noexcept : words_{other.words_[0], other.words_[1]} {
    other.words_[0] = 0;
    other.words_[1] = tagInline;
  }
  ShortByteString& operator=(const ShortByteString& other) noexcept {
    ShortByteString copy(other);
    swap(copy);
    return *this;
  }
  ShortByteString& operator=(ShortByteString&& other) noexcept {
    ShortByteString moved(std::move(other));
    swap(moved);
    return *this;
  }
  ~ShortByteString() {
    if (!isInline()) release(block());
  }
  void swap(ShortByteString& other) noexcept {
    std::swap(words_[0], other.words_[0]);
    std::swap(words_[1], other.words_[1]);
  }

  /// The bytes; for an array kept inside the value, valid while the value lives.
  const std::uint8_t* data() const noexcept {
    return isInline() ? reinterpret_cast<const std::uint8_t*>(words_) : payload(block());
  }
  /// Number of bytes.
  std::int64_t size() const noexcept {
    return isInline() ? static_cast<std::int64_t>(words_[1] >> 56 & 0x7F)
                      : static_cast<std::int64_t>(words_[1]);
  }
  std::span<const std::uint8_t> bytes() const noexcept {
    return {data(), static_cast<std::size_t>(size())};
  }
  std::string_view view() const noexcept {
    return {reinterpret_cast<const char*>(data()), static_cast<std::size_t>(size())};
  }
  /// True when the bytes live inside the value (15 bytes or fewer).
  bool isInline() const noexcept { return (words_[1] & tagInline) != 0; }
  /// True when both values are the same heap array. Never for an array kept inside either value:
  /// the first word of an inline array holds bytes, which may equal the address of a heap array.
  bool sameArray(const ShortByteString& other) const noexcept {
    return !isInline() && !other.isInline() && words_[0] == other.words_[0];
  }
  /// Equal sizes and equal bytes.
  friend bool operator==(const ShortByteString& a, const ShortByteString& b) noexcept {
    // The second word holds the size and the inline tag (and, inline, bytes 8 to 14): when it
    // matches, both arrays are inline or both are on the heap.
    if (a.words_[1] != b.words_[1]) return false;
    if (a.isInline() || a.words_[0] == b.words_[0]) return a.words_[0] == b.words_[0];
    const auto n = static_cast<std::size_t>(a.size());
    if (n <= 64) {
      // Heap arrays are zero-padded to whole words: compare whole words.
      std::uint64_t diff = 0;
      for (std::size_t k = 0; k < n; k += 8) {
        std::uint64_t x, y;
        std::memcpy(&x, a.data() + k, 8);
        std::memcpy(&y, b.data() + k, 8);
        diff |= x ^ y;
      }
      return diff == 0;
    }
    return std::memcmp(a.data(), b.data(), n) == 0;
  }
  /// The two words of the value (for the equality and hashing fast paths).
  std::uint64_t word(int k) const noexcept { return words_[k]; }

 private:
  struct Block {
    std::atomic<std::uint64_t> refs;
  };
  static constexpr std::uint64_t tagInline = std::uint64_t{1} << 63;

  static std::uint8_t* payload(Block* b) noexcept {
    return reinterpret_cast<std::uint8_t*>(b) + sizeof(Block);
  }
  static Block* blockOf(std::uint8_t* p) noexcept {
    return reinterpret_cast<Block*>(p - sizeof(Block));
  }
  Block* block() const noexcept { return reinterpret_cast<Block*>(static_cast<std::uintptr_t>(words_[0])); }

  static constexpr std::size_t roundToWords(std::size_t n) noexcept { return (n + 7) & ~std::size_t{7}; }
  static constexpr std::size_t maxArray = std::size_t{1} << 55;

  // A heap array of whole words with refs = 1. The last word is zeroed first: when the whole
  // capacity is written, its padding is already zero.
  static std::uint8_t* allocate(std::size_t capacity) {
    if (capacity > maxArray) throw std::bad_alloc();
    void* raw = ::operator new(sizeof(Block) + roundToWords(capacity));
    Block* b = new (raw) Block{};
    b->refs.store(1, std::memory_order_relaxed);
    std::uint8_t* p = payload(b);
    std::memset(p + roundToWords(capacity) - 8, 0, 8);
    return p;
  }
  static void free(Block* b) noexcept {
    b->~Block();
    ::operator delete(static_cast<void*>(b));
  }
  // The sole owner frees without a read-modify-write: nobody else can be copying from it.
  static void release(Block* b) noexcept {
    if (b->refs.load(std::memory_order_acquire) == 1 ||
        b->refs.fetch_sub(1, std::memory_order_acq_rel) == 1)
      free(b);
  }
  // n > 15 bytes: up to 64 through fixed-size copies of the first and the last bytes (which
  // overlap), so that a short array costs no call to copy a variable count.
  static void copyBytes(std::uint8_t* out, const std::uint8_t* in, std::size_t n) noexcept {
    if (n <= 32) {
      std::memcpy(out, in, 16);
      std::memcpy(out + n - 16, in + n - 16, 16);
    } else if (n <= 64) {
      std::memcpy(out, in, 32);
      std::memcpy(out + n - 32, in + n - 32, 32);
    } else {
      std::memcpy(out, in, n);
    }
  }
  // Up to 15 bytes into the value, the rest zero; reads only [bytes, bytes + size), through
  // fixed-size loads that overlap rather than a call to copy a variable count.
  void setInline(const std::uint8_t* bytes, std::size_t size) noexcept {
    std::uint64_t lo = 0, hi = 0;
    if (size >= 8) {
      std::memcpy(&lo, bytes, 8);
      std::uint64_t last;
      std::memcpy(&last, bytes + size - 8, 8);
      hi = size == 8 ? 0 : last >> (8 * (16 - size));  // the bytes from 8 on
    } else if (size >= 4) {
      std::uint32_t first, last;
      std::memcpy(&first, bytes, 4);
      std::memcpy(&last, bytes + size - 4, 4);
      lo = first | static_cast<std::uint64_t>(last) << (8 * (size - 4));
    } else if (size > 0) {
      lo = static_cast<std::uint64_t>(bytes[0]) | static_cast<std::uint64_t>(bytes[size >> 1]) << (8 * (size >> 1)) |
           static_cast<std::uint64_t>(bytes[size - 1]) << (8 * (size - 1));
    }
    words_[0] = lo;
    words_[1] = hi | tagInline | static_cast<std::uint64_t>(size) << 56;
  }
  void adopt(std::uint8_t* out, std::size_t capacity, std::size_t written) {
    if (written == capacity) {
      words_[0] = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(blockOf(out)));
      words_[1] = static_cast<std::uint64_t>(written);
      return;
    }
    adoptShorter(out, capacity, written);
  }
  void adoptShorter(std::uint8_t* out, std::size_t capacity, std::size_t written);

  std::uint64_t words_[2];
};

static_assert(sizeof(ShortByteString) == 16);

/// A contiguous byte range whose memory the value keeps alive.
class TESSEL_API ByteString {
 public:
  ByteString() noexcept = default;
  /// A new byte string holding a copy of the bytes.
  static ByteString copy(std::span<const std::uint8_t> bytes);
  static ByteString copy(std::string_view bytes);
  /// A range over memory kept alive by owner.
  ByteString(std::shared_ptr<const void> owner, const std::uint8_t* data, std::size_t size) noexcept
      : owner_(std::move(owner)), data_(data), size_(size) {}

  const std::uint8_t* data() const noexcept { return data_; }
  std::size_t size() const noexcept { return size_; }
  std::span<const std::uint8_t> bytes() const noexcept { return {data_, size_}; }
  std::string_view view() const noexcept {
    return {reinterpret_cast<const char*>(data_), size_};
  }
  /// The bytes from offset on, at most count of them, sharing the memory.
  ByteString sub(std::size_t offset, std::size_t count) const noexcept;
  friend bool operator==(const ByteString& a, const ByteString& b) noexcept {
    return a.view() == b.view();
  }

 private:
  std::shared_ptr<const void> owner_;
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

/// An incremental writer: a sequence of steps, each copying one array into the output buffer when
/// the builder is run. Builders combine by appending their steps.
class TESSEL_API Builder {
 public:
  Builder() = default;
  /// The step that copies one array.
  static Builder shortByteString(ShortByteString s) {
    Builder b;
    b.steps_.push_back(std::move(s));
    return b;
  }
  Builder& operator+=(const Builder& other) {
    steps_.insert(steps_.end(), other.steps_.begin(), other.steps_.end());
    return *this;
  }
  friend Builder operator+(Builder a, const Builder& b) { return a += b; }
  /// Runs the steps, appending their bytes to out.
  void runInto(std::vector<std::uint8_t>& out) const;
  /// Runs the steps into a new byte string.
  ByteString toByteString() const;

 private:
  std::vector<ShortByteString> steps_;
};

/// UTF-8 text of a text library: an array, a start offset and a length in bytes.
struct TESSEL_API Text {
  ShortByteString array;
  std::int64_t offset = 0;
  std::int64_t length = 0;
  std::span<const std::uint8_t> bytes() const noexcept {
    return array.bytes().subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
  }
};

namespace detail {
__extension__ typedef unsigned __int128 u128;
inline constexpr std::uint64_t k0 = 0xa0761d6478bd642fULL, k1 = 0xe7037ed1a0b428dbULL;
inline std::uint64_t mix(std::uint64_t a, std::uint64_t b) noexcept {
  const u128 r = static_cast<u128>(a) * b;
  return static_cast<std::uint64_t>(r) ^ static_cast<std::uint64_t>(r >> 64);
}
TESSEL_API std::uint64_t hashLong(std::uint64_t seed, const std::uint8_t* p, std::size_t n) noexcept;
}  // namespace detail

/// Salted hash of a byte sequence; equal bytes hash equally under equal salts. Sequences of up to
/// 16 bytes are hashed here, longer ones by a loop in the library.
inline std::uint64_t hashWithSalt(std::uint64_t salt, const std::uint8_t* p, std::size_t n) noexcept {
  using detail::k0;
  using detail::k1;
  using detail::mix;
  const std::uint64_t seed = salt ^ mix(salt ^ k0, k1);
  if (n > 16) return detail::hashLong(seed, p, n);
  std::uint64_t a = 0, b = 0;
  if (n >= 8) {
    std::memcpy(&a, p, 8);
    std::memcpy(&b, p + n - 8, 8);
  } else if (n >= 4) {
    std::uint32_t x, y;
    std::memcpy(&x, p, 4);
    std::memcpy(&y, p + n - 4, 4);
    a = x;
    b = y;
  } else if (n > 0) {
    a = static_cast<std::uint64_t>(p[0]) << 16 | static_cast<std::uint64_t>(p[n >> 1]) << 8 | p[n - 1];
  }
  return mix(k1 ^ n, mix(a ^ k1, b ^ seed));
}
/// The salt hash uses.
inline constexpr std::uint64_t defaultSalt = 0x9E3779B97F4A7C15ULL;
inline std::uint64_t hash(std::span<const std::uint8_t> bytes) noexcept {
  return hashWithSalt(defaultSalt, bytes.data(), bytes.size());
}
inline std::uint64_t hashWithSalt(std::uint64_t salt, const ByteString& b) noexcept {
  return hashWithSalt(salt, b.data(), b.size());
}
inline std::uint64_t hash(const ByteString& b) noexcept { return hash(b.bytes()); }

}  // namespace Data::Tessel::Bytes
