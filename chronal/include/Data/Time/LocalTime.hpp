// SPDX-License-Identifier: MIT
// Data/Time/LocalTime.hpp: times of day, local times (a day and a time of day), time zones as
// minute offsets from UTC, and zoned times.
//   LocalTime lt{fromGregorian(2024, 12, 8), TimeOfDay{13, 45, Pico::fromInteger(10)}};
//   UTCTime u = localTimeToUTC(hoursToTimeZone(1), lt);           // 12:45:10 UTC
#pragma once
#include <chronal/export.hpp>

#include <Data/Number/Fixed.hpp>
#include <Data/Number/Rational.hpp>
#include <Data/Time/Calendar.hpp>
#include <Data/Time/Clock.hpp>

#include <compare>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace Data::Time::LocalTime {

using Data::Number::Integer;
using Data::Number::Pico;
using Data::Number::Rational;
using Data::Time::Calendar::Day;
using Data::Time::Clock::DiffTime;
using Data::Time::Clock::NominalDiffTime;
using Data::Time::Clock::UniversalTime;
using Data::Time::Clock::UTCTime;

/// A time of day: hour 0..23, minute 0..59, seconds 0 ≤ s < 61 (the 61st second is a leap second).
/// The fields are not checked; makeTimeOfDayValid checks them.
struct TimeOfDay {
  int todHour = 0;
  int todMin = 0;
  Pico todSec;
  friend bool operator==(const TimeOfDay&, const TimeOfDay&) = default;
  friend std::strong_ordering operator<=>(const TimeOfDay& a, const TimeOfDay& b) noexcept {
    if (auto c = a.todHour <=> b.todHour; c != 0) return c;
    if (auto c = a.todMin <=> b.todMin; c != 0) return c;
    return a.todSec <=> b.todSec;
  }
  /// What show produces ("13:45:10.5"), with surrounding white space; absent for invalid fields.
  CHRONAL_API static std::optional<TimeOfDay> read(std::string_view text);
};

inline TimeOfDay midnight() { return TimeOfDay{0, 0, Pico()}; }
inline TimeOfDay midday() { return TimeOfDay{12, 0, Pico()}; }
/// The time of day when 0 ≤ h ≤ 23, 0 ≤ m ≤ 59 and 0 ≤ s < 61; absent otherwise.
CHRONAL_API std::optional<TimeOfDay> makeTimeOfDayValid(int h, int m, const Pico& s);
/// The time of day of a time since midnight; from 86400 s on it is 23:59:60 and beyond (a leap
/// second). A negative time is split by floor division (a negative hour).
CHRONAL_API TimeOfDay timeToTimeOfDay(const DiffTime& t);
CHRONAL_API DiffTime timeOfDayToTime(const TimeOfDay& t);
/// The time of day at a fraction of a day (0 ≤ f < 1), to the picosecond below, and back.
CHRONAL_API TimeOfDay dayFractionToTimeOfDay(const Rational& f);
CHRONAL_API Rational timeOfDayToDayFraction(const TimeOfDay& t);

/// A time zone: minutes east of UTC, whether it is a summer-only zone, and its name ("" if none).
struct TimeZone {
  int timeZoneMinutes = 0;
  bool timeZoneSummerOnly = false;
  std::string timeZoneName;
  friend bool operator==(const TimeZone&, const TimeZone&) = default;
  friend std::strong_ordering operator<=>(const TimeZone& a, const TimeZone& b) noexcept {
    if (auto c = a.timeZoneMinutes <=> b.timeZoneMinutes; c != 0) return c;
    if (auto c = a.timeZoneSummerOnly <=> b.timeZoneSummerOnly; c != 0) return c;
    return a.timeZoneName.compare(b.timeZoneName) <=> 0;
  }
  /// What show produces: a zone name of letters (summer flag off, offset 0 unless it is "UTC")
  /// or an offset "+HHMM"; with surrounding white space.
  CHRONAL_API static std::optional<TimeZone> read(std::string_view text);
};
inline TimeZone minutesToTimeZone(int m) { return TimeZone{m, false, ""}; }
inline TimeZone hoursToTimeZone(int h) { return TimeZone{h * 60, false, ""}; }
inline TimeZone utc() { return TimeZone{0, false, "UTC"}; }
/// "+HHMM" or "-HHMM" ("+0000" for UTC).
CHRONAL_API std::string timeZoneOffsetString(const TimeZone& z);

/// A local time: a day and a time of day, in no particular zone.
struct LocalTime {
  Day localDay;
  TimeOfDay localTimeOfDay;
  friend bool operator==(const LocalTime&, const LocalTime&) = default;
  friend std::strong_ordering operator<=>(const LocalTime& a, const LocalTime& b) noexcept {
    if (auto c = a.localDay <=> b.localDay; c != 0) return c;
    return a.localTimeOfDay <=> b.localTimeOfDay;
  }
  /// What show produces ("2024-12-08 13:45:10"), with surrounding white space.
  CHRONAL_API static std::optional<LocalTime> read(std::string_view text);
};

/// A local time together with the zone it is in.
struct ZonedTime {
  LocalTime zonedTimeToLocalTime;
  TimeZone zonedTimeZone;
  friend bool operator==(const ZonedTime&, const ZonedTime&) = default;
  /// What show produces ("2024-12-08 13:45:10 +0100"), with surrounding white space.
  CHRONAL_API static std::optional<ZonedTime> read(std::string_view text);
};

/// Conversions between UTC and a zone. A leap second (day time ≥ 86400 s) keeps its 23:59:60.
CHRONAL_API LocalTime utcToLocalTime(const TimeZone& z, const UTCTime& t);
CHRONAL_API UTCTime localTimeToUTC(const TimeZone& z, const LocalTime& t);
CHRONAL_API ZonedTime utcToZonedTime(const TimeZone& z, const UTCTime& t);
CHRONAL_API UTCTime zonedTimeToUTC(const ZonedTime& t);
/// Local mean time at a longitude in degrees east (a fraction of a day per 360°), and back.
CHRONAL_API LocalTime ut1ToLocalTime(const Rational& longitude, const UniversalTime& t);
CHRONAL_API UniversalTime localTimeToUT1(const Rational& longitude, const LocalTime& t);
/// t + d and a − b for local times, counting every day as 86400 s.
CHRONAL_API LocalTime addLocalTime(const NominalDiffTime& d, const LocalTime& t);
CHRONAL_API NominalDiffTime diffLocalTime(const LocalTime& a, const LocalTime& b);

// Renderings: TimeOfDay "13:45:10" with the fraction of the seconds and its trailing zeros dropped
// ("13:45:10.5"); LocalTime "2024-12-08 13:45:10"; TimeZone its name, or "+HHMM" when the name is
// empty; ZonedTime "2024-12-08 13:45:10 +0100" (the zone as shown alone).
CHRONAL_API std::string show(const TimeOfDay& t);
CHRONAL_API std::string show(const LocalTime& t);
CHRONAL_API std::string show(const TimeZone& z);
CHRONAL_API std::string show(const ZonedTime& t);
CHRONAL_API std::ostream& operator<<(std::ostream& os, const TimeOfDay& t);
CHRONAL_API std::ostream& operator<<(std::ostream& os, const LocalTime& t);
CHRONAL_API std::ostream& operator<<(std::ostream& os, const TimeZone& z);
CHRONAL_API std::ostream& operator<<(std::ostream& os, const ZonedTime& t);

}  // namespace Data::Time::LocalTime
