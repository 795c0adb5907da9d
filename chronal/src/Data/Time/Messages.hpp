// SPDX-License-Identifier: MIT
// Data/Time/Messages.hpp: the fixed failure texts of the calendar types and their helpers.
#pragma once

#include <string_view>

namespace Data::Time::msg {
inline constexpr std::string_view zeroDenominator = "Rational: zero denominator";
inline constexpr std::string_view quotByZero = "quotBy: zero divisor";
inline constexpr std::string_view notFinite = "quotBy: not a finite number";
inline constexpr std::string_view dayOutOfChrono = "Day: outside the range of std::chrono";
inline constexpr std::string_view yearMonthDayNotOk = "Day: not a valid std::chrono::year_month_day";
inline constexpr std::string_view utcOutOfChrono = "UTCTime: outside the range of the std::chrono duration";
}  // namespace Data::Time::msg
