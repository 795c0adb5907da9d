// SPDX-License-Identifier: MIT
// Data/Tessel/Bytes.cpp: heap arrays of ShortByteString, ByteString, Builder and byte hashing.
#include "Data/Tessel/Bytes.hpp"

#include <new>

namespace Data::Tessel::Bytes {

void ShortByteString::adoptShorter(std::uint8_t* out, std::size_t capacity, std::size_t written) {
  if (written <= inlineCapacity) {
    setInline(out, written);
    free(blockOf(out));
    return;
  }
  if (roundToWords(written) + 64 < roundToWords(capacity)) {
    // Much was reserved and little written: keep an array of the final size.
    std::uint8_t* exact = allocate(written);
    std::memcpy(exact, out, written);
    free(blockOf(out));
    out = exact;
  }
  std::memset(out + written, 0, roundToWords(written) - written);
  words_[0] = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(blockOf(out)));
  words_[1] = static_cast<std::uint64_t>(written);
}

ByteString ByteString::copy(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return ByteString();
  auto owner = std::shared_ptr<std::uint8_t[]>(new std::uint8_t[bytes.size()]);
  std::memcpy(owner.get(), bytes.data(), bytes.size());
  const std::uint8_t* p = owner.get();
  return ByteString(std::shared_ptr<const void>(owner, p), p, bytes.size());
}

ByteString ByteString::copy(std::string_view bytes) {
  return copy(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

ByteString ByteString::sub(std::size_t offset, std::size_t count) const noexcept {
  if (offset > size_) offset = size_;
  if (count > size_ - offset) count = size_ - offset;
  return ByteString(owner_, data_ + offset, count);
}

void Builder::runInto(std::vector<std::uint8_t>& out) const {
  std::size_t total = out.size();
  for (const auto& s : steps_) total += static_cast<std::size_t>(s.size());
  out.reserve(total);
  for (const auto& s : steps_) out.insert(out.end(), s.data(), s.data() + s.size());
}

ByteString Builder::toByteString() const {
  std::vector<std::uint8_t> out;
  runInto(out);
  return ByteString::copy(out);
}

// The loop of the multiply-and-fold hash for sequences longer than 16 bytes (64x64->128-bit
// products folded to 64 bits); the head of the hash is inline in the header.
namespace {
constexpr std::uint64_t k2 = 0x8ebc6af09c88c6e3ULL, k3 = 0x589965cc75374cc3ULL;
inline std::uint64_t load64(const std::uint8_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}
}  // namespace

std::uint64_t detail::hashLong(std::uint64_t seed, const std::uint8_t* p, std::size_t n) noexcept {
  const std::size_t total = n;
  std::size_t i = n;
  if (i > 48) {
    std::uint64_t s1 = seed, s2 = seed;
    do {
      seed = mix(load64(p) ^ k1, load64(p + 8) ^ seed);
      s1 = mix(load64(p + 16) ^ k2, load64(p + 24) ^ s1);
      s2 = mix(load64(p + 32) ^ k3, load64(p + 40) ^ s2);
      p += 48;
      i -= 48;
    } while (i > 48);
    seed ^= s1 ^ s2;
  }
  while (i > 16) {
    seed = mix(load64(p) ^ k1, load64(p + 8) ^ seed);
    p += 16;
    i -= 16;
  }
  const std::uint64_t a = load64(p + i - 16), b = load64(p + i - 8);
  return mix(k1 ^ total, mix(a ^ k1, b ^ seed));
}

}  // namespace Data::Tessel::Bytes
