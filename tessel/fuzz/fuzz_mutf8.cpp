// SPDX-License-Identifier: MIT
// Fuzz target: the modified-UTF-8 routines on arbitrary NUL-terminated bytes never read past the
// terminator nor write past the length they announce; on well-formed modified UTF-8 (made here
// from valid UTF-8) the translation gives back the original text.
#include "Data/Tessel.hpp"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

using namespace Data::Tessel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Arbitrary bytes up to the first NUL, in a buffer of exactly that size plus the terminator.
  {
    auto src = std::make_unique<char[]>(size + 1);
    std::memcpy(src.get(), data, size);
    src[size] = '\0';
    const std::int64_t r = hs_tessel_mutf8_strlen(src.get());
    const std::size_t plain = std::strlen(src.get());
    if (r >= 0) {
      if (static_cast<std::size_t>(r) != plain) std::abort();
    } else {
      const auto n = static_cast<std::size_t>(-r);
      if (n > plain + plain / 2 + 3) std::abort();
      auto dst = std::make_unique<std::uint8_t[]>(n);  // exactly the announced size
      hs_tessel_mutf8_trans(src.get(), dst.get());
    }
  }
  // Valid UTF-8 encoded as modified UTF-8: every 0x00 as 0xC0 0x80.
  if (hs_tessel_is_valid_utf8(data, size) == 0) {
    std::string m;
    for (std::size_t i = 0; i < size; ++i) {
      if (data[i] == 0) m += "\xC0\x80";
      else m.push_back(static_cast<char>(data[i]));
    }
    const Tessel t = fromLitMUtf8Addr(m.c_str());
    if (t.view() != std::string_view(reinterpret_cast<const char*>(data), size)) std::abort();
  }
  return 0;
}
