// SPDX-License-Identifier: MIT
// The fixed texts of chronal's failures, each written once.
#pragma once
#include <string_view>

namespace Data::msg {
inline constexpr std::string_view toInt64Range = "Integer.toInt64: value out of range";
inline constexpr std::string_view divideByZero = "divide by zero";
inline constexpr std::string_view badValue = "formatShow: bad value";
inline constexpr std::string_view noParse = "no parse of ";
inline constexpr std::string_view multipleParses = "multiple parses of ";
}  // namespace Data::msg
