// SPDX-License-Identifier: MIT
// Data/Time/Clock.hpp: time differences in picoseconds, UTC times (a day and the time since its
// midnight) and universal times (a modified Julian date as an exact fraction).
//   UTCTime t{fromGregorian(2024, 12, 8), secondsToDiffTime(49510)};   // 2024-12-08 13:45:10 UTC
//   auto s = toSysTime<std::chrono::milliseconds>(t);
#pragma once
#include <chronal/export.hpp>

#include <Data/Number/Fixed.hpp>
#include <Data/Number/Integer.hpp>
#include <Data/Number/Rational.hpp>
#include <Data/Time/Calendar.hpp>

#include <chrono>
#include <compare>
#include <cstdint>
#include <iosfwd>
#include <limits>
#include <optional>
#include <ratio>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace Data::Time::Clock {

using Data::Number::Integer;
using Data::Number::Pico;
using Data::Number::Rational;
using Data::Time::Calendar::Day;

/// A picosecond count; the tag keeps SI and nominal differences apart. Use the two aliases below.
template <class Tag>
class Picoseconds {
public:
  Picoseconds() noexcept = default;
  explicit Picoseconds(Integer picos) noexcept : ps_(std::move(picos)) {}
  const Integer& picoseconds() const noexcept { return ps_; }
  /// The length in seconds as an exact fraction in lowest terms (1.5 s is 3/2).
  Rational toRational() const { return Rational(ps_, Pico::scale()); }

  friend Picoseconds operator+(const Picoseconds& a, const Picoseconds& b) {
    return Picoseconds(a.ps_ + b.ps_);
  }
  friend Picoseconds operator-(const Picoseconds& a, const Picoseconds& b) {
    return Picoseconds(a.ps_ - b.ps_);
  }
  friend Picoseconds operator-(const Picoseconds& a) { return Picoseconds(-a.ps_); }
  friend Picoseconds operator*(const Integer& k, const Picoseconds& a) {
    return Picoseconds(k * a.ps_);
  }
  Picoseconds& operator+=(const Picoseconds& b) { return *this = *this + b; }
  Picoseconds& operator-=(const Picoseconds& b) { return *this = *this - b; }
  friend bool operator==(const Picoseconds&, const Picoseconds&) = default;
  friend std::strong_ordering operator<=>(const Picoseconds& a, const Picoseconds& b) noexcept {
    return a.ps_ <=> b.ps_;
  }

private:
  Integer ps_;
};
struct DiffTag {};
struct NominalTag {};

/// A length of time in SI seconds, counted in picoseconds.
using DiffTime = Picoseconds<DiffTag>;
/// A length of UTC time ignoring leap seconds (a day is always 86400 s), counted in picoseconds.
using NominalDiffTime = Picoseconds<NominalTag>;

inline DiffTime secondsToDiffTime(const Integer& s) { return DiffTime(s * Pico::scale()); }
inline DiffTime picosecondsToDiffTime(Integer ps) noexcept { return DiffTime(std::move(ps)); }
inline const Integer& diffTimeToPicoseconds(const DiffTime& t) noexcept { return t.picoseconds(); }
inline NominalDiffTime secondsToNominalDiffTime(const Pico& s) noexcept { return NominalDiffTime(s.units()); }
inline Pico nominalDiffTimeToSeconds(const NominalDiffTime& t) { return Pico::fromUnits(t.picoseconds()); }
/// One day of 86400 s.
CHRONAL_API NominalDiffTime nominalDay();

/// A UTC time: the day and the time since its midnight, in [0, 86401 s) (a leap second lasts past 86400 s).
struct UTCTime {
  Day utctDay;
  DiffTime utctDayTime;
  friend bool operator==(const UTCTime&, const UTCTime&) = default;
  friend std::strong_ordering operator<=>(const UTCTime& a, const UTCTime& b) noexcept {
    if (auto c = a.utctDay <=> b.utctDay; c != 0) return c;
    return a.utctDayTime <=> b.utctDayTime;
  }
  /// What show produces ("2024-12-08 13:45:10.5 UTC"), with surrounding white space.
  CHRONAL_API static std::optional<UTCTime> read(std::string_view text);
};

/// A universal time (UT1): the modified Julian date as an exact fraction of days.
struct UniversalTime {
  Rational getModJulianDate;
  friend bool operator==(const UniversalTime&, const UniversalTime&) = default;
  friend std::strong_ordering operator<=>(const UniversalTime& a, const UniversalTime& b) noexcept {
    return a.getModJulianDate <=> b.getModJulianDate;
  }
  /// What show produces, with surrounding white space.
  CHRONAL_API static std::optional<UniversalTime> read(std::string_view text);
};
inline UniversalTime ModJulianDate(Rational r) { return UniversalTime{std::move(r)}; }

/// t + d, counting every day as 86400 s (a leap-second day time is carried as 86400 s and more).
CHRONAL_API UTCTime addUTCTime(const NominalDiffTime& d, const UTCTime& t);
/// a − b, counting every day as 86400 s.
CHRONAL_API NominalDiffTime diffUTCTime(const UTCTime& a, const UTCTime& b);
/// Seconds since 1970-01-01 00:00 UTC, ignoring leap seconds, and back.
CHRONAL_API NominalDiffTime utcTimeToPOSIXSeconds(const UTCTime& t);
CHRONAL_API UTCTime posixSecondsToUTCTime(const NominalDiffTime& s);

namespace detail {
/// floor(posix seconds of t · den / num), the count of a duration of period num/den.
CHRONAL_API Integer utcToCount(const UTCTime& t, std::intmax_t num, std::intmax_t den);
/// The UTC time `count` ticks of period num/den after 1970-01-01 00:00, to the picosecond below.
CHRONAL_API UTCTime utcFromCount(const Integer& count, std::intmax_t num, std::intmax_t den);
[[noreturn]] CHRONAL_API void utcOutOfChrono();
}  // namespace detail

/// The time as std::chrono::sys_time<Duration>, rounded toward the past to a tick of Duration;
/// throws std::out_of_range "UTCTime: outside the range of the std::chrono duration" when the tick
/// count does not fit Duration's integer representation.
template <class Duration>
std::chrono::sys_time<Duration> toSysTime(const UTCTime& t) {
  using Rep = typename Duration::rep;
  using Period = typename Duration::period;
  static_assert(std::is_integral_v<Rep>, "toSysTime needs a duration with an integer count");
  auto n = detail::utcToCount(t, Period::num, Period::den).template to<Rep>();
  if (!n) detail::utcOutOfChrono();
  return std::chrono::sys_time<Duration>(Duration(*n));
}
/// The UTC time of a std::chrono::sys_time (exact for periods that are whole picoseconds).
template <class Duration>
UTCTime fromSysTime(std::chrono::sys_time<Duration> t) {
  using Period = typename Duration::period;
  static_assert(std::is_integral_v<typename Duration::rep>,
                "fromSysTime needs a duration with an integer count");
  return detail::utcFromCount(Integer(t.time_since_epoch().count()), Period::num, Period::den);
}

// Renderings: DiffTime and NominalDiffTime as seconds with the trailing fraction zeros dropped and
// an "s" ("1.5s", "-2s"); UTCTime "2024-12-08 13:45:10.5 UTC"; UniversalTime as its local time at
// longitude 0 ("2024-12-08 13:45:10.5", picoseconds truncated).
CHRONAL_API std::string show(const DiffTime& t);
CHRONAL_API std::string show(const NominalDiffTime& t);
CHRONAL_API std::string show(const UTCTime& t);
CHRONAL_API std::string show(const UniversalTime& t);
CHRONAL_API std::optional<DiffTime> readDiffTime(std::string_view text);
CHRONAL_API std::optional<NominalDiffTime> readNominalDiffTime(std::string_view text);
CHRONAL_API std::ostream& operator<<(std::ostream& os, const DiffTime& t);
CHRONAL_API std::ostream& operator<<(std::ostream& os, const NominalDiffTime& t);
CHRONAL_API std::ostream& operator<<(std::ostream& os, const UTCTime& t);
CHRONAL_API std::ostream& operator<<(std::ostream& os, const UniversalTime& t);

}  // namespace Data::Time::Clock
