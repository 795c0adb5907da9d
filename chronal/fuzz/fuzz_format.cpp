// SPDX-License-Identifier: MIT
// Fuzz target: whole-input parsing through the number, sign, case and product formats on arbitrary
// bytes never crashes or reads out of bounds, and every value that parses prints back to a text
// that parses to the same value.
#include <Data/Format.hpp>

#include <cstdlib>
#include <string_view>

using namespace Data::Format;
using Data::Number::Integer;
using Data::Number::Pico;

namespace {

template <class F>
void roundTrip(const F& f, std::string_view text) {
  const auto r = formatParseM(f, text);
  if (!r) {
    if (r.error().empty()) std::abort();
    return;
  }
  const auto shown = f.formatShowM(*r);
  if (!shown) std::abort();
  const auto again = formatParseM(f, *shown);
  if (!again || !(*again == *r)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  roundTrip(integerFormat<std::int64_t>(NegSign), text);
  roundTrip(integerFormat<std::uint8_t>(PosNegSign), text);
  roundTrip(integerFormat<Integer>(NegSign), text);
  roundTrip(decimalFormat<Pico>(PosNegSign, 2), text);
  roundTrip(decimalFormat<int>(NegSign), text);
  roundTrip(apSeq(optionalSignFormat<int>(), integerFormat<long>(NoSign, 4)), text);
  roundTrip(specialCaseFormat({0, "Z"}, clipFormat({-12, 12}, integerFormat<int>(NegSign, 2))), text);
  roundTrip(apSum(casesFormat<int>({{1, "one"}, {2, "two"}}), literalFormat("\xC3\xA9")), text);
  // Ambiguous on purpose: the message is built from arbitrary bytes.
  (void)formatParseM(apSeq(integerFormat<int>(NoSign), integerFormat<int>(NoSign)), text);
  (void)P::parseWhole(P::many1(P::satisfy([](char32_t c) { return c != 'x'; })), text);
  return 0;
}
