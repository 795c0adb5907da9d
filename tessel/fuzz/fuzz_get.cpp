// SPDX-License-Identifier: MIT
// Fuzz target: decoding the serialised form of texts and of sequences of texts from arbitrary
// bytes fails cleanly or yields valid texts that serialise back to the bytes consumed.
#include "Data/Tessel.hpp"

#include <cstdlib>
#include <cstring>
#include <vector>

using namespace Data::Tessel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> in(data, size);
  {
    Decoder d(in);
    const Decoded<Tessel> r = get(d);
    if (r.ok()) {
      if (!isValidUtf8(r.value())) std::abort();
      std::vector<std::uint8_t> out;
      put(out, r.value());
      if (out.size() != d.position() || std::memcmp(out.data(), data, out.size()) != 0) std::abort();
    } else if (d.position() != 0) {
      std::abort();
    }
  }
  {
    Decoder d(in);
    const auto r = getList(d);
    if (r.ok()) {
      std::vector<std::uint8_t> out;
      putList(out, r.value());
      if (out.size() != d.position() || std::memcmp(out.data(), data, out.size()) != 0) std::abort();
    }
  }
  return 0;
}
