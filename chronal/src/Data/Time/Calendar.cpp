// SPDX-License-Identifier: MIT
// The proleptic Gregorian calendar beyond the 64-bit fast path, ordinal dates, months, quarters,
// std::chrono conversions and renderings.
#include <Data/Time/Calendar.hpp>
#include <Data/Time/Calendar/Private.hpp>
#include <Data/Time/Format.hpp>

#include <ostream>
#include <stdexcept>

#include "Data/Time/Messages.hpp"
#include "Data/Time/Text.hpp"

namespace Data::Time::Calendar {

namespace {
const Integer kEraDays = Integer(146097);
const Integer kEraYears = Integer(400);
}  // namespace

namespace detail {
int yearMod400(const Year& y) { return static_cast<int>(mod(y, kEraYears).small()); }

// A huge year y = 400·k + r: the date falls k whole eras (146097 days each) after the same date in
// year r.
Day fromGregorianBig(const Year& y, int m, int d) {
  auto [k, r] = divMod(y, kEraYears);
  const std::int64_t yr = r.small();
  const int len = monthLength(isLeap(yr), m);
  d = d < 1 ? 1 : d > len ? len : d;
  return Day(Integer(mjdFromCivil(yr, m, d)) + k * kEraDays);
}

GregorianDate toGregorianBig(const Day& day) {
  auto [k, r] = divMod(day.toModifiedJulianDay(), kEraDays);
  const Civil c = civilFromMjd(r.small());
  return {Year(c.y) + k * kEraYears, c.m, c.d};
}
}  // namespace detail

std::pair<Year, DayOfYear> toOrdinalDate(const Day& day) {
  GregorianDate g = toGregorian(day);
  const Day first = fromGregorian(g.year, 1, 1);
  const auto yd = static_cast<int>(diffDays(day, first).small()) + 1;
  return {std::move(g.year), yd};
}

Day fromOrdinalDate(const Year& y, DayOfYear yd) {
  const int len = isLeapYear(y) ? 366 : 365;
  yd = yd < 1 ? 1 : yd > len ? len : yd;
  return addDays(Integer(yd - 1), fromGregorian(y, 1, 1));
}

std::optional<Day> fromOrdinalDateValid(const Year& y, DayOfYear yd) {
  if (yd < 1 || yd > (isLeapYear(y) ? 366 : 365)) return std::nullopt;
  return fromOrdinalDate(y, yd);
}

namespace {
// Adds n months to (y, m), giving the year and month reached.
std::pair<Year, int> addToYearMonth(const Integer& n, const Year& y, int m) {
  const Integer count = y * Integer(12) + Integer(m - 1) + n;
  auto [yy, r] = divMod(count, Integer(12));
  return {std::move(yy), static_cast<int>(r.small()) + 1};
}
}  // namespace

Day addGregorianMonthsClip(const Integer& n, const Day& d) {
  const GregorianDate g = toGregorian(d);
  auto [y, m] = addToYearMonth(n, g.year, g.month);
  return fromGregorian(y, m, g.day);
}

Day addGregorianYearsClip(const Integer& n, const Day& d) {
  return addGregorianMonthsClip(n * Integer(12), d);
}

Month fromYearMonth(const Year& y, MonthOfYear m) {
  m = m < 1 ? 1 : m > 12 ? 12 : m;
  return Month(y * Integer(12) + Integer(m - 1));
}

std::optional<Month> fromYearMonthValid(const Year& y, MonthOfYear m) {
  if (m < 1 || m > 12) return std::nullopt;
  return fromYearMonth(y, m);
}

std::pair<Year, MonthOfYear> toYearMonth(const Month& m) {
  auto [y, r] = divMod(m.count(), Integer(12));
  return {std::move(y), static_cast<int>(r.small()) + 1};
}

Day periodFirstDay(const Month& m) {
  auto [y, moy] = toYearMonth(m);
  return fromGregorian(y, moy, 1);
}

Day periodLastDay(const Month& m) {
  auto [y, moy] = toYearMonth(m);
  return fromGregorian(y, moy, 31);
}

int periodLength(const Month& m) {
  auto [y, moy] = toYearMonth(m);
  return gregorianMonthLength(y, moy);
}

Month dayPeriod(const Day& d) {
  const GregorianDate g = toGregorian(d);
  return fromYearMonth(g.year, g.month);
}

Day fromMonthDay(const Month& m, DayOfMonth d) {
  auto [y, moy] = toYearMonth(m);
  return fromGregorian(y, moy, d);
}

std::optional<Day> fromMonthDayValid(const Month& m, DayOfMonth d) {
  auto [y, moy] = toYearMonth(m);
  return fromGregorianValid(y, moy, d);
}

std::pair<Month, DayOfMonth> toMonthDay(const Day& d) {
  Month m = dayPeriod(d);
  const auto dom = static_cast<int>(diffDays(d, periodFirstDay(m)).small()) + 1;
  return {std::move(m), dom};
}

Quarter fromYearQuarter(const Year& y, QuarterOfYear q) {
  return Quarter(y * Integer(4) + Integer(static_cast<int>(q) - 1));
}

std::pair<Year, QuarterOfYear> toYearQuarter(const Quarter& q) {
  auto [y, r] = divMod(q.count(), Integer(4));
  return {std::move(y), static_cast<QuarterOfYear>(r.small() + 1)};
}

QuarterOfYear monthOfYearQuarter(MonthOfYear m) {
  m = m < 1 ? 1 : m > 12 ? 12 : m;
  return static_cast<QuarterOfYear>((m + 2) / 3);
}

Quarter monthQuarter(const Month& m) { return Quarter(div(m.count(), Integer(3))); }

Quarter dayQuarter(const Day& d) { return monthQuarter(dayPeriod(d)); }

// std::chrono counts days from 1970-01-01, modified Julian day 40587.
namespace {
constexpr std::int64_t kUnixEpochMjd = 40587;
}

std::chrono::sys_days toSysDays(const Day& d) {
  using Rep = std::chrono::days::rep;
  const auto n = (d.toModifiedJulianDay() - Integer(kUnixEpochMjd)).to<Rep>();
  if (!n) throw std::out_of_range(std::string(Data::Time::msg::dayOutOfChrono));
  return std::chrono::sys_days(std::chrono::days(*n));
}

Day fromSysDays(std::chrono::sys_days d) noexcept {
  return Day(Integer(d.time_since_epoch().count()) + Integer(kUnixEpochMjd));
}

std::chrono::year_month_day toYearMonthDay(const Day& d) {
  const GregorianDate g = toGregorian(d);
  const auto y = g.year.to<int>();
  if (!y || *y < static_cast<int>(std::chrono::year::min()) ||
      *y > static_cast<int>(std::chrono::year::max())) {
    throw std::out_of_range(std::string(Data::Time::msg::dayOutOfChrono));
  }
  return std::chrono::year_month_day(std::chrono::year(*y),
                                     std::chrono::month(static_cast<unsigned>(g.month)),
                                     std::chrono::day(static_cast<unsigned>(g.day)));
}

Day fromYearMonthDay(const std::chrono::year_month_day& ymd) {
  if (!ymd.ok()) throw std::invalid_argument(std::string(Data::Time::msg::yearMonthDayNotOk));
  return fromGregorian(Year(static_cast<int>(ymd.year())), static_cast<int>(unsigned(ymd.month())),
                       static_cast<int>(unsigned(ymd.day())));
}

// Renderings.
std::string show(const Day& d) {
  std::string out;
  text::appendDay(out, d);
  return out;
}

std::string show(const Month& m) {
  auto [y, moy] = toYearMonth(m);
  std::string out;
  Private::appendPaddedNum(out, y, 4, '0');
  out += '-';
  Private::appendPaddedNum(out, std::int64_t{moy}, 2, '0');
  return out;
}

std::string show(const Quarter& q) {
  auto [y, qoy] = toYearQuarter(q);
  std::string out;
  Private::appendPaddedNum(out, y, 4, '0');
  out += "-";
  out += show(qoy);
  return out;
}

std::string show(QuarterOfYear q) { return "Q" + std::to_string(static_cast<int>(q)); }

std::string show(DayOfWeek d) {
  static const char* const names[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                      "Friday", "Saturday", "Sunday"};
  const int i = static_cast<int>(d);
  return i >= 1 && i <= 7 ? names[i - 1] : "DayOfWeek " + std::to_string(i);
}

std::optional<Day> Day::read(std::string_view s) {
  return Format::parseTimeM<Day>(true, Format::defaultTimeLocale(), "%Y-%m-%d", s);
}

std::optional<Month> Month::read(std::string_view s) {
  text::Cursor c{text::trim(s)};
  auto y = text::readYear(c);
  if (!y || !c.eat('-')) return std::nullopt;
  auto m = c.digits(2, 2);
  if (!m || !c.atEnd()) return std::nullopt;
  return fromYearMonthValid(*y, static_cast<int>(*m));
}

std::optional<Quarter> Quarter::read(std::string_view s) {
  text::Cursor c{text::trim(s)};
  auto y = text::readYear(c);
  if (!y || !c.eat('-') || !c.eat('Q')) return std::nullopt;
  auto q = c.digits(1, 1);
  if (!q || *q < 1 || *q > 4 || !c.atEnd()) return std::nullopt;
  return fromYearQuarter(*y, static_cast<QuarterOfYear>(*q));
}

std::optional<QuarterOfYear> readQuarterOfYear(std::string_view s) {
  s = text::trim(s);
  if (s.size() != 2 || s[0] != 'Q' || s[1] < '1' || s[1] > '4') return std::nullopt;
  return static_cast<QuarterOfYear>(s[1] - '0');
}

std::optional<DayOfWeek> readDayOfWeek(std::string_view s) {
  s = text::trim(s);
  for (int i = 1; i <= 7; ++i) {
    if (s == show(static_cast<DayOfWeek>(i))) return static_cast<DayOfWeek>(i);
  }
  return std::nullopt;
}

std::ostream& operator<<(std::ostream& os, const Day& d) { return os << show(d); }
std::ostream& operator<<(std::ostream& os, const Month& m) { return os << show(m); }
std::ostream& operator<<(std::ostream& os, const Quarter& q) { return os << show(q); }
std::ostream& operator<<(std::ostream& os, QuarterOfYear q) { return os << show(q); }
std::ostream& operator<<(std::ostream& os, DayOfWeek d) { return os << show(d); }

}  // namespace Data::Time::Calendar
