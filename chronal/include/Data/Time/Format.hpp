// SPDX-License-Identifier: MIT
// Data/Time/Format.hpp: printing and parsing calendar values with %-directives over a TimeLocale.
//   auto t = parseTimeM<LocalTime>(true, defaultTimeLocale(), "%F %T", "2024-12-08 13:45:10");
//   std::string s = formatTime(defaultTimeLocale(), "%a, %d %b %Y", t->localDay);
#pragma once
#include <chronal/export.hpp>

#include <Data/Time/Calendar.hpp>
#include <Data/Time/Clock.hpp>
#include <Data/Time/LocalTime.hpp>

#include <concepts>
#include <initializer_list>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Data::Time::Format {

using Data::Time::Calendar::Day;
using Data::Time::Clock::UTCTime;
using Data::Time::LocalTime::LocalTime;
using Data::Time::LocalTime::TimeOfDay;
using Data::Time::LocalTime::TimeZone;
using Data::Time::LocalTime::ZonedTime;

/// Names and formats of a locale.
struct TimeLocale {
  /// (full, abbreviated) week-day names, Sunday first.
  std::vector<std::pair<std::string, std::string>> wDays;
  /// (full, abbreviated) month names, January first.
  std::vector<std::pair<std::string, std::string>> months;
  /// The AM and PM symbols.
  std::pair<std::string, std::string> amPm;
  std::string dateTimeFmt;  ///< %c
  std::string dateFmt;      ///< %x
  std::string timeFmt;      ///< %X
  std::string time12Fmt;    ///< %r
  /// Zones %Z reads by name.
  std::vector<TimeZone> knownTimeZones;
  friend bool operator==(const TimeLocale&, const TimeLocale&) = default;
};

/// English names, the POSIX formats ("%a %b %e %H:%M:%S %Z %Y", "%m/%d/%y", "%H:%M:%S",
/// "%I:%M:%S %p") and the zones UT, GMT, EST, EDT, CST, CDT, MST, MDT, PST, PDT.
CHRONAL_API const TimeLocale& defaultTimeLocale();

/// The types the parser builds.
template <class T>
concept ParseTime = std::same_as<T, Day> || std::same_as<T, TimeOfDay> ||
                    std::same_as<T, LocalTime> || std::same_as<T, TimeZone> ||
                    std::same_as<T, UTCTime> || std::same_as<T, ZonedTime>;

/// A (format, input) pair.
using FormatInput = std::pair<std::string_view, std::string_view>;

namespace detail {
// One entry point per type; the templates below pick the overload by the result type.
#define CHRONAL_PARSE_ENTRY(T)                                                                   \
  CHRONAL_API std::optional<T> parseInto(bool acceptWS, const TimeLocale& l,                     \
                                         std::span<const FormatInput> pairs, const T*);          \
  CHRONAL_API std::vector<std::pair<T, std::string>> readsInto(                                  \
      bool acceptWS, const TimeLocale& l, std::string_view format, std::string_view input, const T*);
CHRONAL_PARSE_ENTRY(Day)
CHRONAL_PARSE_ENTRY(TimeOfDay)
CHRONAL_PARSE_ENTRY(LocalTime)
CHRONAL_PARSE_ENTRY(TimeZone)
CHRONAL_PARSE_ENTRY(UTCTime)
CHRONAL_PARSE_ENTRY(ZonedTime)
#undef CHRONAL_PARSE_ENTRY
[[noreturn]] CHRONAL_API void noParse(std::string_view function, std::string_view format,
                                      std::string_view input);
}  // namespace detail

/// The value that the whole input spells in the format, absent when there is none. With acceptWS,
/// white space before and after the input is allowed. Where a directive can read more than one
/// way (digits next to digits), the first reading that lets the rest of the format match wins; a
/// number directive tries its usual width first (%Y 4 digits, %m 2, %j 3, ...), then longer runs
/// where it has no upper bound (%Y, %C, %s), then shorter ones.
template <ParseTime T>
std::optional<T> parseTimeM(bool acceptWS, const TimeLocale& l, std::string_view format,
                            std::string_view input) {
  const FormatInput pair{format, input};
  return detail::parseInto(acceptWS, l, std::span<const FormatInput>(&pair, 1),
                           static_cast<const T*>(nullptr));
}
/// The value that all the pairs spell together: each input matches its own format and the fields
/// they read make up one value (a field read twice keeps the later reading).
template <ParseTime T>
std::optional<T> parseTimeMultipleM(bool acceptWS, const TimeLocale& l,
                                    std::span<const FormatInput> pairs) {
  return detail::parseInto(acceptWS, l, pairs, static_cast<const T*>(nullptr));
}
template <ParseTime T>
std::optional<T> parseTimeMultipleM(bool acceptWS, const TimeLocale& l,
                                    std::initializer_list<FormatInput> pairs) {
  return detail::parseInto(acceptWS, l, std::span<const FormatInput>(pairs.begin(), pairs.size()),
                           static_cast<const T*>(nullptr));
}
/// parseTimeM or a failure: throws std::invalid_argument
/// "parseTimeOrError: no parse of \"<input>\" with format \"<format>\"".
template <ParseTime T>
T parseTimeOrError(bool acceptWS, const TimeLocale& l, std::string_view format,
                   std::string_view input) {
  auto r = parseTimeM<T>(acceptWS, l, format, input);
  if (!r) detail::noParse("parseTimeOrError", format, input);
  return std::move(*r);
}
/// Every reading of a prefix of the input: (value, the rest of the input), in the order above.
/// With acceptWS, white space before the input and after the reading is allowed (and consumed).
template <ParseTime T>
std::vector<std::pair<T, std::string>> readSTime(bool acceptWS, const TimeLocale& l,
                                                 std::string_view format, std::string_view input) {
  return detail::readsInto(acceptWS, l, format, input, static_cast<const T*>(nullptr));
}

/// The value printed in the format. Directives without a meaning for the type are copied as they
/// stand (formatTime of a Day with "%H" gives "%H").
CHRONAL_API std::string formatTime(const TimeLocale& l, std::string_view format, const Day& v);
CHRONAL_API std::string formatTime(const TimeLocale& l, std::string_view format, const TimeOfDay& v);
CHRONAL_API std::string formatTime(const TimeLocale& l, std::string_view format, const LocalTime& v);
CHRONAL_API std::string formatTime(const TimeLocale& l, std::string_view format, const TimeZone& v);
CHRONAL_API std::string formatTime(const TimeLocale& l, std::string_view format, const UTCTime& v);
CHRONAL_API std::string formatTime(const TimeLocale& l, std::string_view format, const ZonedTime& v);

}  // namespace Data::Time::Format
