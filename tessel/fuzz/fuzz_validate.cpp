// SPDX-License-Identifier: MIT
// Fuzz target: every kernel level of the validator, counter and ASCII tests agrees with the plain
// byte rules on arbitrary bytes, and a buffer found valid becomes a text that walks cleanly. The
// levels are chosen through the library's public hs_tessel_use_level.
#include <Data/Tessel.hpp>
#include <Data/Tessel/cbits.h>

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  hs_tessel_use_level(HS_TESSEL_LEVEL_PLAIN);
  const int32_t valid = hs_tessel_is_valid_utf8(data, size);
  const std::uint64_t length = hs_tessel_length(data, size);
  const std::uint64_t asciiLength = hs_tessel_ascii_length(data, size);
  const int32_t isAscii = hs_tessel_is_ascii(data, size);
  for (int level = HS_TESSEL_LEVEL_WORD; level <= HS_TESSEL_LEVEL_AVX512; ++level) {
    if (hs_tessel_use_level(level) != level) continue;
    if (hs_tessel_is_valid_utf8(data, size) != valid) std::abort();
    if (hs_tessel_length(data, size) != length) std::abort();
    if (hs_tessel_ascii_length(data, size) != asciiLength) std::abort();
    if (hs_tessel_is_ascii(data, size) != isAscii) std::abort();
  }
  hs_tessel_use_level(HS_TESSEL_LEVEL_AVX512);
  if (valid < -3 || valid > 1) std::abort();
  const auto t = Data::Tessel::fromByteString(Data::Tessel::Bytes::ByteString::copy(
      std::span<const std::uint8_t>(data, size)));
  if (t.has_value() != (valid == 0)) std::abort();
  if (t) {
    // Walk the text every way the library does and check the pieces fit together.
    const std::int64_t n = Data::Tessel::length(*t);
    std::int64_t count = 0;
    for (char32_t c : Data::Tessel::toString(*t)) count += c <= 0x10FFFF;
    if (count != n) std::abort();
    const auto [a, b] = Data::Tessel::splitAt(n / 2, *t);
    if (Data::Tessel::append(a, b) != *t) std::abort();
    if (Data::Tessel::reverse(Data::Tessel::reverse(*t)) != *t) std::abort();
    if (n > 0 && Data::Tessel::indexEndMaybe(*t, 0) != Data::Tessel::indexMaybe(*t, n - 1)) std::abort();
    if (Data::Tessel::Tessel::read(Data::Tessel::show(*t)) != *t) std::abort();
  }
  return 0;
}
