// SPDX-License-Identifier: MIT
// Data/Time/Compat.hpp: month and quarter arithmetic in a uniform shape, and the older time-parsing
// entry points expressed through the current parser (white space around the input always allowed).
//   auto [y, m] = toYearMonth(Month(-1));                       // (-1, 12)
//   Day d = readTime<Day>(defaultTimeLocale(), "%F", "2024-12-08");
#pragma once
#include <chronal/export.hpp>

#include <Data/Time/Calendar.hpp>
#include <Data/Time/Format.hpp>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Data::Time::Compat {

using Data::Time::Calendar::Day;
using Data::Time::Calendar::Month;
using Data::Time::Calendar::Quarter;
using Data::Time::Calendar::QuarterOfYear;
using Data::Time::Format::defaultTimeLocale;
using Data::Time::Format::ParseTime;
using Data::Time::Format::TimeLocale;

/// The calendar's month of (year, month of year); the month is clipped to 1..12.
using Data::Time::Calendar::fromYearMonth;
/// (floor(count / 12), count mod 12 + 1): the month count -1 is (-1, 12), 0 is (0, 1).
using Data::Time::Calendar::toYearMonth;
/// The calendar's day of (month, day of month); the day is clipped to the month's length.
using Data::Time::Calendar::fromMonthDay;
/// (the month holding the day, day − first day of that month + 1).
using Data::Time::Calendar::toMonthDay;
/// The calendar's quarter of (year, quarter of year), and its decomposition.
using Data::Time::Calendar::fromYearQuarter;
using Data::Time::Calendar::toYearQuarter;

/// parseTimeM with white space around the input accepted.
template <ParseTime T>
std::optional<T> parseTime(const TimeLocale& l, std::string_view format, std::string_view input) {
  return Format::parseTimeM<T>(true, l, format, input);
}
/// The parsed value; throws std::invalid_argument
/// "readTime: no parse of \"<input>\" with format \"<format>\"".
template <ParseTime T>
T readTime(const TimeLocale& l, std::string_view format, std::string_view input) {
  auto r = Format::parseTimeM<T>(true, l, format, input);
  if (!r) Format::detail::noParse("readTime", format, input);
  return std::move(*r);
}
/// A read-style parser: called with an input, it gives every (value, rest) reading of a prefix,
/// white space around the reading accepted. The locale is copied into the parser.
template <ParseTime T>
auto readsTime(const TimeLocale& l, std::string format) {
  return [l, format = std::move(format)](std::string_view input) {
    return Format::readSTime<T>(true, l, format, input);
  };
}

}  // namespace Data::Time::Compat
