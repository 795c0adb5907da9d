// SPDX-License-Identifier: MIT
// Fuzz target: every kernel level of the validator, counter and ASCII tests agrees with the plain
// byte rules on arbitrary bytes, and a buffer found valid becomes a text that walks cleanly.
#include "Data/Tessel.hpp"
#include "cbits/kernels.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const tessel_kernels* plain = tessel_cbits_kernels(TESSEL_LEVEL_PLAIN);
  const int32_t valid = plain->is_valid_utf8(data, size);
  for (int level = TESSEL_LEVEL_WORD; level <= TESSEL_LEVEL_AVX512; ++level) {
    const tessel_kernels* k = tessel_cbits_kernels(level);
    if (k == nullptr) continue;
    if (k->is_valid_utf8(data, size) != valid) std::abort();
    if (k->length(data, size) != plain->length(data, size)) std::abort();
    if (k->ascii_length(data, size) != plain->ascii_length(data, size)) std::abort();
    if (k->is_ascii(data, size) != plain->is_ascii(data, size)) std::abort();
  }
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
