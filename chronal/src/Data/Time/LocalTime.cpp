// SPDX-License-Identifier: MIT
// Times of day, local and zoned times: conversions to and from UTC and renderings.
#include <Data/Time/Format.hpp>
#include <Data/Time/LocalTime.hpp>

#include <ostream>

#include "Data/Time/Text.hpp"

namespace Data::Time::LocalTime {

namespace {
constexpr std::int64_t kPicosPerSecond = 1'000'000'000'000;
constexpr std::int64_t kPicosPerMinute = 60 * kPicosPerSecond;
constexpr std::int64_t kPicosPerHour = 60 * kPicosPerMinute;
constexpr std::int64_t kPicosPerDay = 24 * kPicosPerHour;

// Splits minutes since midnight (any sign) into whole days and the minute of the day.
std::pair<std::int64_t, std::int64_t> splitMinutes(std::int64_t minutes) {
  std::int64_t days = minutes / 1440;
  std::int64_t rest = minutes % 1440;
  if (rest < 0) {
    rest += 1440;
    days -= 1;
  }
  return {days, rest};
}
}  // namespace

std::optional<TimeOfDay> makeTimeOfDayValid(int h, int m, const Pico& s) {
  if (h < 0 || h > 23 || m < 0 || m > 59) return std::nullopt;
  if (s.units().signum() < 0 || s.units() >= Integer(61 * kPicosPerSecond)) return std::nullopt;
  return TimeOfDay{h, m, s};
}

TimeOfDay timeToTimeOfDay(const DiffTime& t) {
  const Integer& ps = t.picoseconds();
  if (ps >= Integer(kPicosPerDay)) {
    return TimeOfDay{23, 59, Pico::fromUnits(ps - Integer(kPicosPerDay - kPicosPerMinute))};
  }
  if (ps.fitsInt64() && ps.small() >= 0) {
    const std::int64_t p = ps.small();
    return TimeOfDay{static_cast<int>(p / kPicosPerHour),
                     static_cast<int>(p % kPicosPerHour / kPicosPerMinute),
                     Pico::fromUnits(Integer(p % kPicosPerMinute))};
  }
  auto [h, rest] = divMod(ps, Integer(kPicosPerHour));
  auto [m, s] = divMod(rest, Integer(kPicosPerMinute));
  return TimeOfDay{static_cast<int>(h.toInt64()), static_cast<int>(m.small()),
                   Pico::fromUnits(std::move(s))};
}

DiffTime timeOfDayToTime(const TimeOfDay& t) {
  const std::int64_t hm =
      std::int64_t{t.todHour} * kPicosPerHour + std::int64_t{t.todMin} * kPicosPerMinute;
  return DiffTime(Integer(hm) + t.todSec.units());
}

TimeOfDay dayFractionToTimeOfDay(const Rational& f) {
  return timeToTimeOfDay(DiffTime(floor(f * Rational(kPicosPerDay))));
}

Rational timeOfDayToDayFraction(const TimeOfDay& t) {
  return Rational(timeOfDayToTime(t).picoseconds(), Integer(kPicosPerDay));
}

std::string timeZoneOffsetString(const TimeZone& z) {
  std::string out;
  const int m = z.timeZoneMinutes;
  out += m < 0 ? '-' : '+';
  const std::int64_t a = m < 0 ? -std::int64_t{m} : m;
  Calendar::Private::appendPaddedNum(out, a / 60, 2, '0');
  Calendar::Private::appendPaddedNum(out, a % 60, 2, '0');
  return out;
}

LocalTime utcToLocalTime(const TimeZone& z, const UTCTime& t) {
  const TimeOfDay tod = timeToTimeOfDay(t.utctDayTime);
  auto [days, minute] =
      splitMinutes(std::int64_t{tod.todHour} * 60 + tod.todMin + z.timeZoneMinutes);
  Day day = days == 0 ? t.utctDay : Calendar::addDays(Integer(days), t.utctDay);
  return LocalTime{std::move(day),
                   TimeOfDay{static_cast<int>(minute / 60), static_cast<int>(minute % 60), tod.todSec}};
}

UTCTime localTimeToUTC(const TimeZone& z, const LocalTime& t) {
  const TimeOfDay& tod = t.localTimeOfDay;
  auto [days, minute] =
      splitMinutes(std::int64_t{tod.todHour} * 60 + tod.todMin - z.timeZoneMinutes);
  Day day = days == 0 ? t.localDay : Calendar::addDays(Integer(days), t.localDay);
  const TimeOfDay shifted{static_cast<int>(minute / 60), static_cast<int>(minute % 60), tod.todSec};
  return UTCTime{std::move(day), timeOfDayToTime(shifted)};
}

ZonedTime utcToZonedTime(const TimeZone& z, const UTCTime& t) {
  return ZonedTime{utcToLocalTime(z, t), z};
}

UTCTime zonedTimeToUTC(const ZonedTime& t) {
  return localTimeToUTC(t.zonedTimeZone, t.zonedTimeToLocalTime);
}

LocalTime ut1ToLocalTime(const Rational& longitude, const UniversalTime& t) {
  const Rational local = t.getModJulianDate + longitude / Rational(360);
  const Integer day = floor(local);
  return LocalTime{Day(day), dayFractionToTimeOfDay(local - Rational(day))};
}

UniversalTime localTimeToUT1(const Rational& longitude, const LocalTime& t) {
  return UniversalTime{Rational(t.localDay.toModifiedJulianDay()) +
                       timeOfDayToDayFraction(t.localTimeOfDay) - longitude / Rational(360)};
}

LocalTime addLocalTime(const NominalDiffTime& d, const LocalTime& t) {
  return utcToLocalTime(utc(), Clock::addUTCTime(d, localTimeToUTC(utc(), t)));
}

NominalDiffTime diffLocalTime(const LocalTime& a, const LocalTime& b) {
  return Clock::diffUTCTime(localTimeToUTC(utc(), a), localTimeToUTC(utc(), b));
}

std::string show(const TimeOfDay& t) {
  std::string out;
  Calendar::Private::appendPaddedNum(out, std::int64_t{t.todHour}, 2, '0');
  out += ':';
  Calendar::Private::appendPaddedNum(out, std::int64_t{t.todMin}, 2, '0');
  out += ':';
  text::appendSeconds(out, t.todSec);
  return out;
}

std::string show(const LocalTime& t) {
  std::string out;
  text::appendDay(out, t.localDay);
  out += ' ';
  out += show(t.localTimeOfDay);
  return out;
}

std::string show(const TimeZone& z) {
  return z.timeZoneName.empty() ? timeZoneOffsetString(z) : z.timeZoneName;
}

std::string show(const ZonedTime& t) {
  return show(t.zonedTimeToLocalTime) + " " + show(t.zonedTimeZone);
}

namespace {
constexpr std::string_view kTimeFormat = "%H:%M:%S%Q";
constexpr std::string_view kLocalFormat = "%Y-%m-%d %H:%M:%S%Q";
constexpr std::string_view kZonedFormat = "%Y-%m-%d %H:%M:%S%Q %Z";
}  // namespace

std::optional<TimeOfDay> TimeOfDay::read(std::string_view text) {
  return Format::parseTimeM<TimeOfDay>(true, Format::defaultTimeLocale(), kTimeFormat, text);
}
std::optional<LocalTime> LocalTime::read(std::string_view text) {
  return Format::parseTimeM<LocalTime>(true, Format::defaultTimeLocale(), kLocalFormat, text);
}
std::optional<TimeZone> TimeZone::read(std::string_view text) {
  return Format::parseTimeM<TimeZone>(true, Format::defaultTimeLocale(), "%Z", text);
}
std::optional<ZonedTime> ZonedTime::read(std::string_view text) {
  return Format::parseTimeM<ZonedTime>(true, Format::defaultTimeLocale(), kZonedFormat, text);
}

std::ostream& operator<<(std::ostream& os, const TimeOfDay& t) { return os << show(t); }
std::ostream& operator<<(std::ostream& os, const LocalTime& t) { return os << show(t); }
std::ostream& operator<<(std::ostream& os, const TimeZone& z) { return os << show(z); }
std::ostream& operator<<(std::ostream& os, const ZonedTime& t) { return os << show(t); }

}  // namespace Data::Time::LocalTime
