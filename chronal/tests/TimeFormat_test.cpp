// SPDX-License-Identifier: MIT
#include <Data/Time/Format.hpp>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace Data::Time::Format;
using Data::Number::Integer;
using Data::Number::Pico;
using Data::Time::Calendar::fromGregorian;
using Data::Time::Clock::DiffTime;
using Data::Time::Clock::secondsToDiffTime;
using Data::Time::LocalTime::hoursToTimeZone;
using Data::Time::LocalTime::minutesToTimeZone;
using testing::StrEq;
using testing::ThrowsMessage;

namespace {
const TimeLocale& loc() { return defaultTimeLocale(); }
Pico secs(const char* s) { return *Pico::read(s); }
LocalTime lt(int y, int mo, int d, int h, int mi, const char* s) {
  return LocalTime{fromGregorian(y, mo, d), TimeOfDay{h, mi, secs(s)}};
}
}  // namespace

TEST(TimeFormat, PrintsEveryDirective) {
  const ZonedTime z{lt(2024, 12, 8, 13, 5, "7.25"), TimeZone{-300, false, "EST"}};
  struct Row {
    const char* format;
    const char* expected;
  };
  for (const Row& r : std::initializer_list<Row>{
           {"%F %T", "2024-12-08 13:05:07"},
           {"%Y %y %C %m %d %e %j", "2024 24 20 12 08  8 343"},
           {"%B %b %h %A %a %u %w", "December Dec Dec Sunday Sun 7 0"},
           {"%H %k %I %l %M %S %p %P", "13 13 01  1 05 07 PM pm"},
           {"%q|%Q|%0Q", "250000000000|.25|.250000000000"},
           {"%z %Ez %Z", "-0500 -05:00 EST"},
           {"%s", "1733681107"},
           {"%D %R %r", "12/08/24 13:05 01:05:07 PM"},
           {"%c", "Sun Dec  8 13:05:07 EST 2024"},
           {"%x %X", "12/08/24 13:05:07"},
           {"%%%t%n", "%\t\n"},
           {"%-d %_m %0e %4d %-j %^a %#B", "8 12 08 0008 343 SUN december"},
           {"%3Y %_Y %0Y %-H", "2024 2024 2024 13"},
           {"tail %", "tail %"},
       }) {
    EXPECT_EQ(formatTime(loc(), r.format, z), r.expected) << r.format;
    EXPECT_EQ(formatTime(loc(), r.format, z), r.expected) << r.format << " again";
  }
  // A format printed again for a value without some of its fields prints those as they stand.
  EXPECT_EQ(formatTime(loc(), "%Y-%m-%d %H:%M:%S", z), "2024-12-08 13:05:07");
  EXPECT_EQ(formatTime(loc(), "%Y-%m-%d %H:%M:%S", fromGregorian(2024, 12, 8)), "2024-12-08 %H:%M:%S");
  EXPECT_EQ(formatTime(loc(), "%Y-%m-%d %H:%M:%S", TimeOfDay{9, 5, secs("60.5")}), "%Y-%m-%d 09:05:60");
  EXPECT_EQ(formatTime(loc(), "%Y|%_Y|%0C|%y", fromGregorian(-7, 1, 1)), "-7|-   7|-01|93");
  EXPECT_EQ(formatTime(loc(), "%H:%M %Z %s", fromGregorian(2024, 1, 1)), "%H:%M %Z %s");
  EXPECT_EQ(formatTime(loc(), "%F %T %Z %s", UTCTime{fromGregorian(1970, 1, 2), secondsToDiffTime(1)}),
            "1970-01-02 00:00:01 UTC 86401");
  EXPECT_EQ(formatTime(loc(), "%z %Z", minutesToTimeZone(90)), "+0130 +0130");
  EXPECT_EQ(formatTime(loc(), "%T %I %p", TimeOfDay{0, 0, secs("60.5")}), "00:00:60 12 AM");
}

TEST(TimeFormat, ParsesWhatItPrints) {
  std::mt19937_64 rng(7);
  for (int i = 0; i < 300; ++i) {
    const int y = static_cast<int>(rng() % 4000) - 1000;
    const Day d = fromGregorian(y, 1, 1 + static_cast<int>(rng() % 366));  // clipped into December
    const TimeOfDay t{static_cast<int>(rng() % 24), static_cast<int>(rng() % 60),
                      Pico::fromUnits(Integer(static_cast<std::int64_t>(rng() % 60'000'000'000'000)))};
    const ZonedTime z{LocalTime{d, t}, minutesToTimeZone(static_cast<int>(rng() % 1500) - 750)};
    for (const char* f : {"%Y-%m-%d %H:%M:%S%Q %z", "%A, %d %B %Y %I:%M:%S.%q %p %Ez",
                          "%Y %j %T%Q %z", "%0Y%m%d%H%M%S%Q%z"}) {
      const std::string s = formatTime(loc(), f, z);
      EXPECT_EQ(parseTimeM<ZonedTime>(false, loc(), f, s), z) << f << " " << s;
    }
    EXPECT_EQ(parseTimeM<UTCTime>(false, loc(), "%s%Q", formatTime(loc(), "%s%Q", zonedTimeToUTC(z))),
              zonedTimeToUTC(z));
  }
}

TEST(TimeFormat, MissingFieldsTakeDefaults) {
  EXPECT_EQ(parseTimeM<Day>(false, loc(), "%Y", "2024"), fromGregorian(2024, 1, 1));
  EXPECT_EQ(parseTimeM<Day>(false, loc(), "%m/%d", "12/08"), fromGregorian(1970, 12, 8));
  EXPECT_EQ(parseTimeM<Day>(false, loc(), "%y", "68"), fromGregorian(2068, 1, 1));
  EXPECT_EQ(parseTimeM<Day>(false, loc(), "%y", "69"), fromGregorian(1969, 1, 1));
  EXPECT_EQ(parseTimeM<Day>(false, loc(), "%C%y", "1905"), fromGregorian(1905, 1, 1));
  EXPECT_EQ(parseTimeM<Day>(false, loc(), "%Y-%j", "2024-366"), fromGregorian(2024, 12, 31));
  EXPECT_EQ(parseTimeM<TimeOfDay>(false, loc(), "%I %p", "12 AM"), (TimeOfDay{0, 0, Pico()}));
  EXPECT_EQ(parseTimeM<TimeOfDay>(false, loc(), "%l:%M %P", " 1:30 pm"), (TimeOfDay{13, 30, Pico()}));
  EXPECT_EQ(parseTimeM<TimeZone>(false, loc(), "", ""), (TimeZone{0, false, ""}));
  EXPECT_EQ(parseTimeM<TimeZone>(false, loc(), "%Z", "PDT"), (TimeZone{-420, true, "PDT"}));
  EXPECT_EQ(parseTimeM<UTCTime>(false, loc(), "%F %T %Z", "2024-12-08 13:45:10 EST"),
            localTimeToUTC(hoursToTimeZone(-5), lt(2024, 12, 8, 13, 45, "10")));
  EXPECT_EQ(parseTimeM<LocalTime>(false, loc(), "%c", "Sun Dec  8 13:45:10 EST 2024"),
            lt(2024, 12, 8, 13, 45, "10"));
}

TEST(TimeFormat, RejectsMalformedAndOutOfRangeInput) {
  for (const char* in : {"2024-13-01", "2024-02-30", "2023-02-29", "2024-12-08x", "2024-12-",
                         "", "-", "2024-12-08 ", "x2024-12-08", "2024-12-0\xff"}) {
    EXPECT_EQ(parseTimeM<Day>(false, loc(), "%F", in), std::nullopt) << in;
  }
  for (const char* in : {"24:00:00", "23:60:00", "23:59:61", "1:2", "12:00:00.5x"}) {
    EXPECT_EQ(parseTimeM<TimeOfDay>(false, loc(), "%T%Q", in), std::nullopt) << in;
  }
  EXPECT_EQ(parseTimeM<TimeZone>(false, loc(), "%Z", "XYZ"), std::nullopt);
  EXPECT_EQ(parseTimeM<TimeZone>(false, loc(), "%z", "+0160"), std::nullopt);
  EXPECT_EQ(parseTimeM<Day>(false, loc(), "%F", " 2024-12-08"), std::nullopt);
  EXPECT_EQ(parseTimeM<Day>(true, loc(), "%F", " 2024-12-08\t"), fromGregorian(2024, 12, 8));
  EXPECT_THAT([] { (void)parseTimeOrError<Day>(true, loc(), "%F", "nope"); },
              ThrowsMessage<std::invalid_argument>(
                  StrEq("parseTimeOrError: no parse of \"nope\" with format \"%F\"")));
}

TEST(TimeFormat, LeapSecondsAndHugeYears) {
  // 23:59:60 is a leap second: the UTC day time passes 86400 s and prints back as 60.
  const auto u = parseTimeM<UTCTime>(false, loc(), "%F %T%Q", "2016-12-31 23:59:60.5");
  ASSERT_TRUE(u);
  EXPECT_EQ(u->utctDayTime, DiffTime(Integer(86400) * Pico::scale() + Integer(500'000'000'000)));
  EXPECT_EQ(formatTime(loc(), "%T%Q", *u), "23:59:60.5");
  // In a zone west of UTC the same second is 22:59:60, and it converts back unchanged.
  const auto z = utcToZonedTime(minutesToTimeZone(-60), *u);
  EXPECT_EQ(formatTime(loc(), "%F %T%Q %z", z), "2016-12-31 22:59:60.5 -0100");
  EXPECT_EQ(zonedTimeToUTC(z), *u);

  const auto huge = parseTimeM<Day>(false, loc(), "%Y-%m-%d", "-1000000000000000000000000000000-02-29");
  ASSERT_TRUE(huge);
  EXPECT_EQ(formatTime(loc(), "%Y %C %y %j %a", *huge), "-1000000000000000000000000000000 "
                                                        "-10000000000000000000000000000 00 060 Tue");
}

TEST(TimeFormat, BacktracksAndReadsEveryPrefix) {
  EXPECT_EQ(parseTimeM<Day>(false, loc(), "%Y%m%d", "20241208"), fromGregorian(2024, 12, 8));
  EXPECT_EQ(parseTimeM<Day>(false, loc(), "%Y%m%d", "2024128"), fromGregorian(2024, 12, 8));
  EXPECT_EQ(parseTimeM<Day>(false, loc(), "%d%b%Y", "8MAY2024"), fromGregorian(2024, 5, 8));
  // The first readings (four year digits) fail here; the search goes on to five.
  EXPECT_EQ(parseTimeM<Day>(false, loc(), "%Y-%m-%d", "12345-01-02"), fromGregorian(12345, 1, 2));
  EXPECT_EQ(parseTimeM<Day>(false, loc(), "%Y%m%d", "123450102"), fromGregorian(12345, 1, 2));
  EXPECT_EQ(parseTimeM<Day>(false, loc(), "%B %d", "march 3"), fromGregorian(1970, 3, 3));
  const auto reads = readSTime<TimeOfDay>(false, loc(), "%H%M", "1234");
  ASSERT_EQ(reads.size(), 4u);  // 12:34, then 12:3, 1:23 and 1:2 with the rest left over
  EXPECT_EQ(reads[0], (std::pair<TimeOfDay, std::string>{TimeOfDay{12, 34, Pico()}, ""}));
  EXPECT_EQ(reads[1], (std::pair<TimeOfDay, std::string>{TimeOfDay{12, 3, Pico()}, "4"}));
  EXPECT_EQ(reads[2], (std::pair<TimeOfDay, std::string>{TimeOfDay{1, 23, Pico()}, "4"}));
  EXPECT_EQ(reads[3], (std::pair<TimeOfDay, std::string>{TimeOfDay{1, 2, Pico()}, "34"}));
  EXPECT_EQ(parseTimeMultipleM<LocalTime>(false, loc(), {{"%Y-%m-%d", "2024-12-08"}, {"%H", "7"}}),
            lt(2024, 12, 8, 7, 0, "0"));
  EXPECT_EQ(parseTimeMultipleM<LocalTime>(false, loc(), {{"%Y", "2024"}, {"%H", "7x"}}), std::nullopt);
}

// parseTimeM takes the first complete reading of the search, which readSTime lists in order; the
// two must agree whatever shortcut parsing takes for well-laid-out inputs. The inputs are printed
// values with bytes changed, so that most are near misses of a layout.
TEST(TimeFormat, ParsingAgreesWithTheFirstCompleteReading) {
  const std::string longFormat = "%Y-%m-%d %H:%M:%S" + std::string(60, '.') + "%C%y %j %u";
  const std::vector<std::string> formats = {
      "%F %T", "%Y%m%d%H%M%S", "%d/%m/%y %I:%M %p", "%C%y-%j", "%Y-%m-%d\t%H", "%3d %2H %5Y %1m",
      "%F  %T", "%H:%M %e", "%Y %u %w", longFormat, "%F %T %F %T %F %T %F %T %F %T %F %T"};
  const std::string edits = "0123456789 \t-+:/x";
  std::mt19937_64 rng(11);
  int checked = 0;
  for (int i = 0; i < 4000; ++i) {
    const std::string& f = formats[rng() % formats.size()];
    const LocalTime v = lt(static_cast<int>(rng() % 3000), 1 + static_cast<int>(rng() % 12),
                           1 + static_cast<int>(rng() % 31), static_cast<int>(rng() % 24),
                           static_cast<int>(rng() % 60), "7");
    std::string in = formatTime(loc(), f, v);
    for (int e = static_cast<int>(rng() % 3); e > 0 && !in.empty(); --e) {
      in[rng() % in.size()] = edits[rng() % edits.size()];
    }
    if (rng() % 4 == 0) in = " " + in + "\t";
    for (const bool ws : {false, true}) {
      std::optional<LocalTime> first;
      for (auto& [value, rest] : readSTime<LocalTime>(ws, loc(), f, in)) {
        if (rest.empty()) {
          first = value;
          break;
        }
      }
      EXPECT_EQ(parseTimeM<LocalTime>(ws, loc(), f, in), first) << f << " | " << in << " | " << ws;
      checked += first.has_value();
    }
  }
  EXPECT_GT(checked, 2000);  // most inputs still read
}

TEST(TimeFormat, PrintsBeyondAnyBuffer) {
  const std::string a(300, 'a');
  const std::string b(5000, 'b');
  EXPECT_EQ(formatTime(loc(), a + "%F" + b + "%Y", fromGregorian(2024, 12, 8)),
            a + "2024-12-08" + b + "2024");
}

TEST(TimeFormat, ShowAndReadOfTheTimeTypes) {
  const LocalTime l = lt(2024, 12, 8, 13, 45, "10.5");
  EXPECT_EQ(show(l), "2024-12-08 13:45:10.5");
  EXPECT_EQ(LocalTime::read(show(l)), l);
  EXPECT_EQ(show(TimeOfDay{9, 5, secs("0")}), "09:05:00");
  const ZonedTime z{l, hoursToTimeZone(1)};
  EXPECT_EQ(show(z), "2024-12-08 13:45:10.5 +0100");
  EXPECT_EQ(ZonedTime::read(show(z)), z);
  const UTCTime u = zonedTimeToUTC(z);
  EXPECT_EQ(show(u), "2024-12-08 12:45:10.5 UTC");
  EXPECT_EQ(UTCTime::read(show(u)), u);
  EXPECT_EQ(show(DiffTime(Integer(1'500'000'000'000))), "1.5s");
  EXPECT_EQ(show(-DiffTime(Integer(2'000'000'000'000))), "-2s");
  EXPECT_EQ(Data::Time::Clock::readDiffTime(" 1.5s"), DiffTime(Integer(1'500'000'000'000)));
  EXPECT_EQ(TimeZone::read("EST"), (TimeZone{-300, false, "EST"}));
  const auto ut = localTimeToUT1(Data::Number::Rational(0), l);
  EXPECT_EQ(show(ut), "2024-12-08 13:45:10.5");
  EXPECT_EQ(Data::Time::Clock::UniversalTime::read(show(ut)), ut);
  EXPECT_EQ(Data::Time::LocalTime::ut1ToLocalTime(Data::Number::Rational(90), ut), lt(2024, 12, 8, 19, 45, "10.5"));
}
