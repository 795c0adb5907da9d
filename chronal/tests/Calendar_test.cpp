// SPDX-License-Identifier: MIT
#include <Data/Time/Calendar.hpp>
#include <Data/Time/Clock.hpp>
#include <Data/Time/LocalTime.hpp>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

using namespace Data::Time::Calendar;
using Data::Number::Integer;
using Data::Number::Pico;
using Data::Time::Clock::DiffTime;
using Data::Time::Clock::UTCTime;
using Data::Time::LocalTime::LocalTime;
using Data::Time::LocalTime::TimeOfDay;
using testing::StrEq;
using testing::ThrowsMessage;

namespace {
Integer big(const char* s) { return *Integer::fromDecimal(s); }
}  // namespace

TEST(Calendar, EveryDayOfTwentyThousandYearsRoundTripsAndAgreesWithChrono) {
  const Day first = fromGregorian(-10000, 1, 1);
  const Day last = fromGregorian(10000, 12, 31);
  const std::int64_t lo = first.toModifiedJulianDay().toInt64();
  const std::int64_t hi = last.toModifiedJulianDay().toInt64();
  std::int64_t mismatches = 0;
  GregorianDate prev = toGregorian(Day(lo - 1));
  for (std::int64_t n = lo; n <= hi; ++n) {
    const GregorianDate g = toGregorian(Day(n));
    const std::chrono::year_month_day ymd{std::chrono::sys_days{std::chrono::days{n - 40587}}};
    mismatches += g.year.toInt64() != int(ymd.year()) || g.month != int(unsigned(ymd.month())) ||
                  g.day != int(unsigned(ymd.day()));
    mismatches += fromGregorian(g.year, g.month, g.day).toModifiedJulianDay().small() != n;
    // Consecutive days are consecutive dates.
    const bool nextDay = g.day == prev.day + 1 && g.month == prev.month && g.year == prev.year;
    const bool nextMonth = g.day == 1 && (g.month == prev.month + 1 || (g.month == 1 && prev.month == 12));
    mismatches += !(nextDay || nextMonth);
    prev = g;
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(diffDays(fromGregorian(10000, 1, 1), first), Integer(50 * 146097));
}

TEST(Calendar, FourHundredYearCycleHoldsAtHugeYears) {
  const Integer eras = big("2500000000000000000000000000");  // 10^30 / 400
  const Integer shift = eras * Integer(146097);
  for (const auto& [y, m, d] : {std::tuple{2024, 2, 29}, std::tuple{-1, 12, 31}, std::tuple{0, 3, 1},
                                std::tuple{1900, 2, 28}, std::tuple{399, 12, 31}}) {
    const Day small = fromGregorian(y, m, d);
    const Year hugeYear = Integer(y) + eras * Integer(400);
    const Day huge = fromGregorian(hugeYear, m, d);
    EXPECT_EQ(diffDays(huge, small), shift);
    EXPECT_EQ(toGregorian(huge), (GregorianDate{hugeYear, m, d}));
    EXPECT_EQ(dayOfWeek(huge), dayOfWeek(small));
    const Day negHuge = fromGregorian(Integer(y) - eras * Integer(400), m, d);
    EXPECT_EQ(diffDays(small, negHuge), shift);
  }
  EXPECT_TRUE(isLeapYear(big("1000000000000000000000000000000")));
  EXPECT_FALSE(isLeapYear(big("1000000000000000000000000000100")));
  EXPECT_EQ(show(fromGregorian(big("1000000000000000000000000000000"), 2, 29)),
            "1000000000000000000000000000000-02-29");
}

TEST(Calendar, ClipsOrRejectsOutOfRangeFields) {
  EXPECT_EQ(fromGregorian(2023, 2, 31), fromGregorian(2023, 2, 28));
  EXPECT_EQ(fromGregorian(2024, 13, 40), fromGregorian(2024, 12, 31));
  EXPECT_EQ(fromGregorian(2024, -3, -3), fromGregorian(2024, 1, 1));
  EXPECT_EQ(fromGregorianValid(2023, 2, 29), std::nullopt);
  EXPECT_EQ(fromGregorianValid(2000, 2, 29), fromGregorian(2000, 2, 29));
  EXPECT_EQ(fromGregorianValid(1900, 2, 29), std::nullopt);
  EXPECT_EQ(fromGregorianValid(2024, 0, 1), std::nullopt);
  EXPECT_EQ(fromOrdinalDateValid(2023, 366), std::nullopt);
  EXPECT_EQ(fromOrdinalDate(2024, 366), fromGregorian(2024, 12, 31));
  EXPECT_EQ(toOrdinalDate(fromGregorian(2024, 3, 1)).second, 61);
}

TEST(Calendar, KnownDaysAndWeekdays) {
  EXPECT_EQ(fromGregorian(1858, 11, 17).toModifiedJulianDay(), Integer(0));
  EXPECT_EQ(dayOfWeek(Day(0)), DayOfWeek::Wednesday);
  EXPECT_EQ(dayOfWeek(fromGregorian(2024, 12, 8)), DayOfWeek::Sunday);
  EXPECT_EQ(dayOfWeek(fromGregorian(-1, 1, 1)), DayOfWeek::Friday);
  EXPECT_EQ(dayOfWeek(Day(-1)), DayOfWeek::Tuesday);
  EXPECT_EQ(addGregorianMonthsClip(1, fromGregorian(2024, 1, 31)), fromGregorian(2024, 2, 29));
  EXPECT_EQ(addGregorianYearsClip(-1, fromGregorian(2024, 2, 29)), fromGregorian(2023, 2, 28));
}

TEST(Calendar, MonthsAndQuarters) {
  EXPECT_EQ(toYearMonth(Month(-1)), (std::pair<Year, MonthOfYear>{-1, 12}));
  EXPECT_EQ(toYearMonth(Month(0)), (std::pair<Year, MonthOfYear>{0, 1}));
  EXPECT_EQ(fromYearMonth(2024, 12).count(), Integer(2024 * 12 + 11));
  const auto [m, d] = toMonthDay(fromGregorian(2024, 12, 1));
  EXPECT_EQ(d, 1);
  EXPECT_EQ(m, fromYearMonth(2024, 12));
  EXPECT_EQ(toMonthDay(fromGregorian(-5, 3, 17)).second, 17);
  EXPECT_EQ(fromMonthDay(fromYearMonth(2023, 2), 30), fromGregorian(2023, 2, 28));
  EXPECT_EQ(toYearQuarter(Quarter(-1)), (std::pair<Year, QuarterOfYear>{-1, QuarterOfYear::Q4}));
  EXPECT_EQ(fromYearQuarter(2024, QuarterOfYear::Q3).count(), Integer(2024 * 4 + 2));
  EXPECT_EQ(dayQuarter(fromGregorian(2024, 12, 8)), fromYearQuarter(2024, QuarterOfYear::Q4));
  EXPECT_EQ(periodLength(fromYearMonth(2024, 2)), 29);
}

TEST(Calendar, ChronoInteroperation) {
  using namespace std::chrono;
  const Day d = fromGregorian(2024, 12, 8);
  EXPECT_EQ(toSysDays(d), sys_days(2024y / December / 8));
  EXPECT_EQ(fromSysDays(sys_days(1970y / January / 1)), Day(40587));
  EXPECT_EQ(toYearMonthDay(d), 2024y / December / 8);
  EXPECT_EQ(fromYearMonthDay(-32767y / 1 / 1), fromGregorian(-32767, 1, 1));
  EXPECT_THAT([] { (void)toYearMonthDay(fromGregorian(40000, 1, 1)); },
              ThrowsMessage<std::out_of_range>(StrEq("Day: outside the range of std::chrono")));
  EXPECT_THAT([] { (void)toSysDays(Day(big("100000000000000000000"))); },
              ThrowsMessage<std::out_of_range>(StrEq("Day: outside the range of std::chrono")));
  EXPECT_THAT([] { (void)fromYearMonthDay(2023y / 2 / 29); },
              ThrowsMessage<std::invalid_argument>(
                  StrEq("Day: not a valid std::chrono::year_month_day")));

  const UTCTime t{d, DiffTime(Integer(49510) * Pico::scale() + Integer(250'000'000'000))};
  const auto ms = Data::Time::Clock::toSysTime<milliseconds>(t);
  EXPECT_EQ(ms, sys_days(2024y / December / 8) + 13h + 45min + 10s + 250ms);
  EXPECT_EQ(Data::Time::Clock::fromSysTime(ms), t);
  // Before 1970 the count rounds toward the past.
  const UTCTime before{Day(40586), DiffTime(Integer(86399) * Pico::scale() + Integer(1))};
  EXPECT_EQ(Data::Time::Clock::toSysTime<seconds>(before).time_since_epoch().count(), -1);
  EXPECT_THAT([] {
    (void)Data::Time::Clock::toSysTime<nanoseconds>(UTCTime{fromGregorian(3000, 1, 1), DiffTime()});
  }, ThrowsMessage<std::out_of_range>(
         StrEq("UTCTime: outside the range of the std::chrono duration")));
}

TEST(Calendar, RenderingsReadBack) {
  EXPECT_EQ(show(fromGregorian(-5, 3, 1)), "-0005-03-01");
  EXPECT_EQ(show(fromYearMonth(7, 2)), "0007-02");
  EXPECT_EQ(show(fromYearQuarter(-1, QuarterOfYear::Q4)), "-0001-Q4");
  EXPECT_EQ(show(DayOfWeek::Sunday), "Sunday");
  for (const Day& d : {fromGregorian(-5, 3, 1), fromGregorian(2024, 12, 8),
                       fromGregorian(big("-123456789012345678901234"), 7, 31)}) {
    EXPECT_EQ(Day::read(" " + show(d) + "\n"), d);
    EXPECT_EQ(Month::read(show(dayPeriod(d))), dayPeriod(d));
    EXPECT_EQ(Quarter::read(show(dayQuarter(d))), dayQuarter(d));
  }
  EXPECT_EQ(Day::read("2023-02-29"), std::nullopt);
  EXPECT_EQ(Day::read("2023-02-2x"), std::nullopt);
  EXPECT_EQ(Month::read("2023-13"), std::nullopt);
  EXPECT_EQ(readDayOfWeek(" Monday "), DayOfWeek::Monday);
  EXPECT_EQ(readQuarterOfYear("Q5"), std::nullopt);
  std::ostringstream os;
  os << fromGregorian(2024, 12, 8) << ' ' << QuarterOfYear::Q2;
  EXPECT_EQ(os.str(), "2024-12-08 Q2");
}
