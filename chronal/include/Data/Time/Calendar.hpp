// SPDX-License-Identifier: MIT
// Data/Time/Calendar.hpp: days as modified Julian day numbers, the proleptic Gregorian calendar for
// any year, days of the week, month counts and quarter counts.
//   Day d = fromGregorian(2024, 12, 8);         // 2024-12-08
//   auto [y, m, dd] = toGregorian(addDays(30, d));
#pragma once
#include <chronal/export.hpp>

#include <Data/Number/Integer.hpp>

#include <chrono>
#include <compare>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace Data::Time::Calendar {

using Data::Number::Integer;
using Year = Integer;      ///< a proleptic Gregorian year: 0 is 1 BC, -1 is 2 BC
using MonthOfYear = int;   ///< 1 (January) to 12
using DayOfMonth = int;    ///< 1 to 31
using DayOfYear = int;     ///< 1 to 366

/// A day, counted as the modified Julian day number (day 0 is 1858-11-17).
class Day {
public:
  Day() noexcept = default;
  explicit Day(Integer mjd) noexcept : mjd_(std::move(mjd)) {}
  template <Data::Number::StandardInteger I>
  explicit Day(I mjd) noexcept : mjd_(mjd) {}

  const Integer& toModifiedJulianDay() const noexcept { return mjd_; }
  /// What show produces ("2024-12-08"), with surrounding white space; absent for anything else,
  /// including dates that do not exist.
  CHRONAL_API static std::optional<Day> read(std::string_view text);

  friend bool operator==(const Day&, const Day&) = default;
  friend std::strong_ordering operator<=>(const Day& a, const Day& b) noexcept {
    return a.mjd_ <=> b.mjd_;
  }

private:
  Integer mjd_;
};

/// The ISO 8601 numbering: Monday 1 to Sunday 7.
enum class DayOfWeek : int {
  Monday = 1, Tuesday, Wednesday, Thursday, Friday, Saturday, Sunday
};

/// A month, counted as year·12 + month − 1 (month 0 is January of year 0).
class Month {
public:
  Month() noexcept = default;
  explicit Month(Integer count) noexcept : count_(std::move(count)) {}
  const Integer& count() const noexcept { return count_; }
  /// What show produces ("2024-12"), with surrounding white space.
  CHRONAL_API static std::optional<Month> read(std::string_view text);
  friend bool operator==(const Month&, const Month&) = default;
  friend std::strong_ordering operator<=>(const Month& a, const Month& b) noexcept {
    return a.count_ <=> b.count_;
  }

private:
  Integer count_;
};

enum class QuarterOfYear : int { Q1 = 1, Q2, Q3, Q4 };

/// A quarter, counted as year·4 + quarter − 1.
class Quarter {
public:
  Quarter() noexcept = default;
  explicit Quarter(Integer count) noexcept : count_(std::move(count)) {}
  const Integer& count() const noexcept { return count_; }
  /// What show produces ("2024-Q4"), with surrounding white space.
  CHRONAL_API static std::optional<Quarter> read(std::string_view text);
  friend bool operator==(const Quarter&, const Quarter&) = default;
  friend std::strong_ordering operator<=>(const Quarter& a, const Quarter& b) noexcept {
    return a.count_ <=> b.count_;
  }

private:
  Integer count_;
};

/// A date split into its Gregorian fields; structured bindings give (year, month, day).
struct GregorianDate {
  Year year;
  MonthOfYear month = 1;
  DayOfMonth day = 1;
  friend bool operator==(const GregorianDate&, const GregorianDate&) = default;
};

namespace detail {
// Day-number arithmetic on 64-bit integers, exact while |year| < 10^15 (and |mjd| < 3·10^17):
// shifting the year to start in March puts the leap day last, and a 400-year era has 146097 days.
inline constexpr std::int64_t fastYearLimit = 1'000'000'000'000'000;
inline constexpr std::int64_t fastDayLimit = 300'000'000'000'000'000;

constexpr bool isLeap(std::int64_t y) noexcept {
  // y % 400 == 0 is y % 100 == 0 and y % 16 == 0.
  return (y & 3) == 0 && (y % 100 != 0 || (y & 15) == 0);
}
constexpr int monthLength(bool leap, int m) noexcept {
  constexpr int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && leap ? 29 : lengths[m - 1];
}
/// Modified Julian day of a valid date (1 ≤ m ≤ 12, 1 ≤ d ≤ month length).
constexpr std::int64_t mjdFromCivil(std::int64_t y, int m, int d) noexcept {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<std::uint32_t>(y - era * 400);                      // [0, 399]
  const auto mp = static_cast<std::uint32_t>(m > 2 ? m - 3 : m + 9);               // March = 0
  const std::uint32_t doy = (153 * mp + 2) / 5 + static_cast<std::uint32_t>(d) - 1;  // [0, 365]
  const std::uint32_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;                // [0, 146096]
  return era * 146097 + static_cast<std::int64_t>(doe) - 678881;
}
struct Civil {
  std::int64_t y;
  int m;
  int d;
};
constexpr Civil civilFromMjd(std::int64_t mjd) noexcept {
  const std::int64_t z = mjd + 678881;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<std::uint32_t>(z - era * 146097);                      // [0, 146096]
  const std::uint32_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;   // [0, 399]
  const std::uint32_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);                 // [0, 365]
  const std::uint32_t mp = (5 * doy + 2) / 153;                                      // [0, 11]
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return {static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2), m, d};
}
/// y mod 400 in [0, 399] for any year (the leap rule only needs that).
CHRONAL_API int yearMod400(const Year& y);
CHRONAL_API Day fromGregorianBig(const Year& y, int m, int d);
CHRONAL_API GregorianDate toGregorianBig(const Day& day);
}  // namespace detail

/// Whether the proleptic Gregorian year has 366 days.
inline bool isLeapYear(const Year& y) {
  if (y.fitsInt64()) return detail::isLeap(y.small());
  return detail::isLeap(detail::yearMod400(y));
}
/// Days in month m of year y (m clipped to 1..12).
inline int gregorianMonthLength(const Year& y, MonthOfYear m) {
  return detail::monthLength(isLeapYear(y), m < 1 ? 1 : m > 12 ? 12 : m);
}

/// The day of (y, m, d), clipping m to 1..12 and then d to 1..length of that month.
inline Day fromGregorian(const Year& y, MonthOfYear m, DayOfMonth d) {
  m = m < 1 ? 1 : m > 12 ? 12 : m;
  if (y.fitsInt64() && y.small() > -detail::fastYearLimit && y.small() < detail::fastYearLimit) {
    const std::int64_t yy = y.small();
    if (d < 1 || d > 28) {  // only the last days of a month need its length
      const int len = detail::monthLength(detail::isLeap(yy), m);
      d = d < 1 ? 1 : d > len ? len : d;
    }
    return Day(detail::mjdFromCivil(yy, m, d));
  }
  return detail::fromGregorianBig(y, m, d);
}
/// The day of (y, m, d) when that date exists; absent otherwise.
inline std::optional<Day> fromGregorianValid(const Year& y, MonthOfYear m, DayOfMonth d) {
  if (m < 1 || m > 12 || d < 1 || d > gregorianMonthLength(y, m)) return std::nullopt;
  return fromGregorian(y, m, d);
}
/// (year, month 1..12, day 1..31) of a day.
inline GregorianDate toGregorian(const Day& day) {
  const Integer& n = day.toModifiedJulianDay();
  if (n.fitsInt64() && n.small() > -detail::fastDayLimit && n.small() < detail::fastDayLimit) {
    const detail::Civil c = detail::civilFromMjd(n.small());
    return {Year(c.y), c.m, c.d};
  }
  return detail::toGregorianBig(day);
}

/// (year, day of year 1..366), and back with clipping of the day of year to 1..365/366.
CHRONAL_API std::pair<Year, DayOfYear> toOrdinalDate(const Day& day);
CHRONAL_API Day fromOrdinalDate(const Year& y, DayOfYear yd);
CHRONAL_API std::optional<Day> fromOrdinalDateValid(const Year& y, DayOfYear yd);

inline Day addDays(const Integer& n, const Day& d) { return Day(d.toModifiedJulianDay() + n); }
/// a − b in days.
inline Integer diffDays(const Day& a, const Day& b) {
  return a.toModifiedJulianDay() - b.toModifiedJulianDay();
}
/// Adds months (or years) and clips the day to the length of the month reached.
CHRONAL_API Day addGregorianMonthsClip(const Integer& n, const Day& d);
CHRONAL_API Day addGregorianYearsClip(const Integer& n, const Day& d);

/// The day of the week (1858-11-17, day 0, was a Wednesday).
inline DayOfWeek dayOfWeek(const Day& d) {
  const Integer& n = d.toModifiedJulianDay();
  std::int64_t r;
  if (n.fitsInt64()) {
    r = n.small() % 7;
  } else {
    r = mod(n, Integer(7)).small();
  }
  r = (r + 3 + 7) % 7;  // 0 is Sunday
  return static_cast<DayOfWeek>(r == 0 ? 7 : r);
}

// Months and quarters.
/// The month of (year, month of year), month clipped to 1..12.
CHRONAL_API Month fromYearMonth(const Year& y, MonthOfYear m);
CHRONAL_API std::optional<Month> fromYearMonthValid(const Year& y, MonthOfYear m);
/// (floor(count / 12), count mod 12 + 1).
CHRONAL_API std::pair<Year, MonthOfYear> toYearMonth(const Month& m);
/// The day of (month, day of month), the day clipped to 1..length of the month.
CHRONAL_API Day fromMonthDay(const Month& m, DayOfMonth d);
CHRONAL_API std::optional<Day> fromMonthDayValid(const Month& m, DayOfMonth d);
/// (the month holding the day, day − first day of that month + 1).
CHRONAL_API std::pair<Month, DayOfMonth> toMonthDay(const Day& d);
/// The month holding a day, its first and last day, and its length.
CHRONAL_API Month dayPeriod(const Day& d);
CHRONAL_API Day periodFirstDay(const Month& m);
CHRONAL_API Day periodLastDay(const Month& m);
CHRONAL_API int periodLength(const Month& m);
inline Month addMonths(const Integer& n, const Month& m) { return Month(m.count() + n); }
inline Integer diffMonths(const Month& a, const Month& b) { return a.count() - b.count(); }

/// The quarter of (year, quarter of year).
CHRONAL_API Quarter fromYearQuarter(const Year& y, QuarterOfYear q);
/// (floor(count / 4), count mod 4 + 1).
CHRONAL_API std::pair<Year, QuarterOfYear> toYearQuarter(const Quarter& q);
/// The quarter holding a month of the year (January..March is Q1), a month and a day.
CHRONAL_API QuarterOfYear monthOfYearQuarter(MonthOfYear m);
CHRONAL_API Quarter monthQuarter(const Month& m);
CHRONAL_API Quarter dayQuarter(const Day& d);
inline Quarter addQuarters(const Integer& n, const Quarter& q) { return Quarter(q.count() + n); }
inline Integer diffQuarters(const Quarter& a, const Quarter& b) { return a.count() - b.count(); }

// std::chrono where the value fits.
/// The same day as std::chrono::sys_days; throws std::out_of_range
/// "Day: outside the range of std::chrono" when the count does not fit.
CHRONAL_API std::chrono::sys_days toSysDays(const Day& d);
CHRONAL_API Day fromSysDays(std::chrono::sys_days d) noexcept;
/// The same date as std::chrono::year_month_day (years -32767..32767); throws std::out_of_range
/// "Day: outside the range of std::chrono" outside.
CHRONAL_API std::chrono::year_month_day toYearMonthDay(const Day& d);
/// Throws std::invalid_argument "Day: not a valid std::chrono::year_month_day" unless ymd.ok().
CHRONAL_API Day fromYearMonthDay(const std::chrono::year_month_day& ymd);

// Renderings: Day "2024-12-08" (year with at least four digits and a "-" when negative), Month
// "2024-12", Quarter "2024-Q4", QuarterOfYear "Q4", DayOfWeek "Sunday". read accepts what show
// produces, with surrounding white space (the enumerations through readQuarterOfYear and
// readDayOfWeek).
CHRONAL_API std::string show(const Day& d);
CHRONAL_API std::string show(const Month& m);
CHRONAL_API std::string show(const Quarter& q);
CHRONAL_API std::string show(QuarterOfYear q);
CHRONAL_API std::string show(DayOfWeek d);
inline std::string showGregorian(const Day& d) { return show(d); }
CHRONAL_API std::optional<QuarterOfYear> readQuarterOfYear(std::string_view text);
CHRONAL_API std::optional<DayOfWeek> readDayOfWeek(std::string_view text);
CHRONAL_API std::ostream& operator<<(std::ostream& os, const Day& d);
CHRONAL_API std::ostream& operator<<(std::ostream& os, const Month& m);
CHRONAL_API std::ostream& operator<<(std::ostream& os, const Quarter& q);
CHRONAL_API std::ostream& operator<<(std::ostream& os, QuarterOfYear q);
CHRONAL_API std::ostream& operator<<(std::ostream& os, DayOfWeek d);

}  // namespace Data::Time::Calendar
