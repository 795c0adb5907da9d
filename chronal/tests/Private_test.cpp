// SPDX-License-Identifier: MIT
#include <Data/Number/Rational.hpp>
#include <Data/Time/Calendar/Private.hpp>
#include <Data/Time/Compat.hpp>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>

using namespace Data::Time::Calendar::Private;
using Data::Number::Integer;
using Data::Number::Pico;
using Data::Number::Rational;
using testing::StrEq;
using testing::ThrowsMessage;

TEST(Private, PaddedRendering) {
  EXPECT_EQ(show2(7), "07");
  EXPECT_EQ(show2(123), "123");
  EXPECT_EQ(show4(-12), "-0012");
  EXPECT_EQ(show3(0), "000");
  EXPECT_EQ(show4(Integer(-12)), "-0012");
  EXPECT_EQ(show2(*Integer::fromDecimal("-123456789012345678901")), "-123456789012345678901");
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  EXPECT_EQ(showPaddedNum(Pad{3, U'0'}, kMin), "-9223372036854775808");
  EXPECT_EQ(showPaddedNum(Pad{25, U'0'}, Integer(kMin)), "-0000009223372036854775808");
  EXPECT_EQ(showPaddedNum(NoPad{}, std::int64_t{-5}), "-5");
  EXPECT_EQ(showPadded(Pad{5, U'*'}, "abc"), "**abc");
  EXPECT_EQ(showPadded(Pad{4, U'\u00B7'}, "\u00E9t\u00E9"), "\u00B7\u00E9t\u00E9");
  EXPECT_EQ(showPadded(Pad{2, U'*'}, "abc"), "abc");
  EXPECT_EQ(showPadded(NoPad{}, "abc"), "abc");
  static_assert(ShowPadded<std::int64_t> && ShowPadded<Integer> && !ShowPadded<std::string>);
}

TEST(Private, Show2FixedDropsTrailingZeros) {
  EXPECT_EQ(show2Fixed(Pico::fromInteger(5)), "05");
  EXPECT_EQ(show2Fixed(*Pico::read("5.5")), "05.5");
  EXPECT_EQ(show2Fixed(*Pico::read("12.000000000001")), "12.000000000001");
  EXPECT_EQ(show2Fixed(Pico::fromInteger(60)), "60");
  EXPECT_EQ(show2Fixed(*Pico::read("-5")), "-5");
}

TEST(Private, FloorDivisionByHundredAndClipping) {
  EXPECT_EQ(mod100(-1), 99);
  EXPECT_EQ(div100(-1), -1);
  EXPECT_EQ(mod100(2024), 24);
  EXPECT_EQ(div100(-200), -2);
  EXPECT_EQ(mod100(Integer(-101)), Integer(99));
  EXPECT_EQ(div100(Integer(-101)), Integer(-2));
  EXPECT_EQ(clip(1, 12, 13), 12);
  EXPECT_EQ(clip(1, 12, -4), 1);
  EXPECT_EQ(clipValid(1, 12, 0), std::nullopt);
  EXPECT_EQ(clipValid(1, 12, 12), 12);
}

TEST(Private, QuotByIsExactTruncation) {
  EXPECT_EQ(quotBy(2, -3), Integer(-1));
  EXPECT_EQ(remBy(2, -3), -1);
  EXPECT_EQ(quotRemBy(7, -15), (std::pair<Integer, int>{-2, -1}));
  EXPECT_EQ(quotRemBy(0.5, 1.25), (std::pair<Integer, double>{2, 0.25}));
  EXPECT_EQ(quotRemBy(-0.5, 1.25), (std::pair<Integer, double>{-2, 0.25}));
  // 0.1 is slightly above 1/10 as a double, so 0.3 / 0.1 is below 3 exactly.
  EXPECT_EQ(quotBy(0.1, 0.3), Integer(2));
  EXPECT_EQ(quotBy(Rational(1, 3), Rational(1)), Integer(3));
  EXPECT_EQ(remBy(Rational(1, 3), Rational(7, 6)), Rational(1, 6));
  EXPECT_EQ(quotRemBy(*Pico::read("0.75"), *Pico::read("-2")),
            (std::pair<Integer, Pico>{-2, *Pico::read("-0.5")}));
  EXPECT_EQ(quotBy(Integer(3), *Integer::fromDecimal("100000000000000000000")),
            *Integer::fromDecimal("33333333333333333333"));
  EXPECT_EQ(quotBy(1e300, 1e308), Integer(99999999));  // 1e308 / 1e300 is just below 10^8 in doubles
  EXPECT_THAT([] { (void)quotBy(0, 5); },
              ThrowsMessage<std::domain_error>(StrEq("quotBy: zero divisor")));
  EXPECT_THAT([] { (void)quotBy(0.0, 5.0); },
              ThrowsMessage<std::domain_error>(StrEq("quotBy: zero divisor")));
  EXPECT_THAT([] { (void)quotBy(1.0, std::numeric_limits<double>::infinity()); },
              ThrowsMessage<std::domain_error>(StrEq("quotBy: not a finite number")));
}

TEST(Rational, LowestTermsAndArithmetic) {
  EXPECT_EQ(Rational(6, -4), Rational(-3, 2));
  EXPECT_EQ(Rational(6, -4).denominator(), Integer(2));
  EXPECT_EQ(Rational(1, 3) + Rational(1, 6), Rational(1, 2));
  EXPECT_EQ(show(Rational(*Integer::fromDecimal("-20000000000000000000"), 6)),
            "-10000000000000000000/3");
  EXPECT_EQ(Rational::read(" 3/2 "), Rational(3, 2));
  EXPECT_EQ(Rational::read("6/4"), std::nullopt);
  EXPECT_EQ(Rational::read("1/0"), std::nullopt);
  EXPECT_LT(Rational(1, 3), Rational(1, 2));
  EXPECT_EQ(truncate(Rational(-7, 2)), Integer(-3));
  EXPECT_EQ(floor(Rational(-7, 2)), Integer(-4));
  EXPECT_EQ(Rational::fromDouble(0.25), Rational(1, 4));
  EXPECT_THAT([] { (void)Rational(1, 0); },
              ThrowsMessage<std::domain_error>(StrEq("Rational: zero denominator")));
  EXPECT_THAT([] { (void)(Rational(1) / Rational(0)); },
              ThrowsMessage<std::domain_error>(StrEq("Rational: zero denominator")));
}

TEST(Compat, LegacyParsing) {
  using namespace Data::Time::Compat;
  using Data::Time::Calendar::fromGregorian;
  EXPECT_EQ(parseTime<Day>(defaultTimeLocale(), "%F", " 2024-12-08 "), fromGregorian(2024, 12, 8));
  EXPECT_EQ(parseTime<Day>(defaultTimeLocale(), "%F", "2024-12-32"), std::nullopt);
  EXPECT_EQ(readTime<Day>(defaultTimeLocale(), "%Y/%m/%d", "2024/1/2"), fromGregorian(2024, 1, 2));
  EXPECT_THAT([] { (void)readTime<Day>(defaultTimeLocale(), "%F", "2024-\"13\"-01"); },
              ThrowsMessage<std::invalid_argument>(StrEq(
                  "readTime: no parse of \"2024-\\\"13\\\"-01\" with format \"%F\"")));
  const auto reads = readsTime<Day>(defaultTimeLocale(), "%Y-%m-%d")("2024-12-08 rest");
  ASSERT_FALSE(reads.empty());
  EXPECT_EQ(reads.front(), (std::pair<Day, std::string>{fromGregorian(2024, 12, 8), "rest"}));
}
