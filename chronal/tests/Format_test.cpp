// SPDX-License-Identifier: MIT
#include <Data/Format.hpp>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "Support.hpp"

#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <tuple>

using namespace Data::Format;
using Data::Number::Fixed;
using Data::Number::Integer;
using Data::Number::Pico;
using testing::StrEq;
using testing::ThrowsMessage;

namespace {

// The error text of a failed whole-input parse, or "ok".
template <class F>
std::string errorOf(const F& f, std::string_view s) {
  const auto r = formatParseM(f, s);
  return r ? std::string("ok") : r.error();
}

using ChronalSupport::Date;
using ChronalSupport::dateFormat;

static_assert(IsoVariant<Format<int>> && Productish<Format<int>> && Summish<Format<int>>);
static_assert(IsoVariant<decltype(dateFormat())> && Productish<decltype(integerFormat<long>(NoSign))>);

}  // namespace

TEST(Format, IntegerFormatsPrintAndRead) {
  const auto free = integerFormat<int>(NoSign);
  EXPECT_EQ(formatParseM(free, "123").value(), 123);
  EXPECT_EQ(errorOf(free, ""), "no parse of \"\"");
  EXPECT_EQ(errorOf(free, "12a"), "no parse of \"12a\"");
  EXPECT_THAT([&] { (void)formatShow(free, -1); },
              ThrowsMessage<std::invalid_argument>(StrEq("formatShow: bad value")));
  EXPECT_THAT([&] { (void)formatParse(free, "x"); },
              ThrowsMessage<std::invalid_argument>(StrEq("no parse of \"x\"")));

  const auto two = integerFormat<int>(NegSign, 2);
  EXPECT_EQ(formatShow(two, 5), "05");
  EXPECT_EQ(formatShow(two, -5), "-05");
  EXPECT_EQ(formatShow(two, 123), "123");
  EXPECT_EQ(formatParseM(two, "07").value(), 7);
  EXPECT_EQ(formatParseM(two, "-07").value(), -7);
  EXPECT_FALSE(formatParseM(two, "7"));

  const auto signed_ = integerFormat<int>(PosNegSign);
  EXPECT_EQ(formatShow(signed_, 0), "+0");
  EXPECT_EQ(formatShow(signed_, 5), "+5");
  EXPECT_EQ(formatParseM(signed_, "-5").value(), -5);
  EXPECT_FALSE(formatParseM(signed_, "5"));

  // Two free-width numbers in a row: every split point is a reading.
  EXPECT_EQ(errorOf(apSeq(free, free), "123"), "multiple parses of \"123\"");
  EXPECT_EQ(formatParseM(apSeq(free, free), "1").ok(), false);
}

TEST(Format, FixedWidthTypesNeverWrap) {
  EXPECT_EQ(formatParseM(integerFormat<std::int64_t>(NegSign), "-9223372036854775808").value(),
            std::numeric_limits<std::int64_t>::min());
  EXPECT_FALSE(formatParseM(integerFormat<std::int64_t>(NoSign), "9223372036854775808"));
  EXPECT_FALSE(formatParseM(integerFormat<std::int64_t>(NoSign), "99999999999999999999999"));
  EXPECT_EQ(formatParseM(integerFormat<std::uint64_t>(NoSign), "18446744073709551615").value(),
            std::numeric_limits<std::uint64_t>::max());
  EXPECT_FALSE(formatParseM(integerFormat<std::uint64_t>(NoSign), "18446744073709551616"));
  EXPECT_FALSE(formatParseM(integerFormat<std::uint8_t>(NegSign), "-1"));
  EXPECT_EQ(formatParseM(integerFormat<std::uint8_t>(NegSign), "-0").value(), 0);
  EXPECT_FALSE(formatParseM(integerFormat<std::int8_t>(NegSign), "-129"));
  EXPECT_EQ(formatParseM(integerFormat<std::int8_t>(NegSign), "-128").value(), -128);
  EXPECT_EQ(formatParseM(integerFormat<Integer>(NegSign), "-99999999999999999999999").value(),
            *Integer::fromDecimal("-99999999999999999999999"));
}

TEST(Format, DecimalFormats) {
  const auto milli = decimalFormat<Fixed<3>>(NegSign);
  EXPECT_EQ(formatParseM(milli, "1,5").value(), formatParseM(milli, "1.5").value());
  EXPECT_EQ(formatShow(milli, *Fixed<3>::read("1.500")), "1.5");
  EXPECT_EQ(formatShow(milli, *Fixed<3>::read("2.000")), "2");
  EXPECT_EQ(formatShow(decimalFormat<Fixed<3>>(NoSign, 3), *Fixed<3>::read("2.050")), "002.05");
  EXPECT_EQ(formatShow(milli, *Fixed<3>::read("-0.250")), "-0.25");
  EXPECT_FALSE(formatParseM(milli, "1.2345"));          // finer than the unit: no reading
  EXPECT_EQ(formatParseM(milli, "1.2340").value(), *Fixed<3>::read("1.234"));
  EXPECT_FALSE(formatParseM(milli, "1."));
  // Over integer types a fraction is read exactly: only a zero fraction gives a value.
  EXPECT_EQ(formatParseM(decimalFormat<int>(NoSign), "12.000").value(), 12);
  EXPECT_FALSE(formatParseM(decimalFormat<int>(NoSign), "12.5"));
  EXPECT_FALSE(formatParseM(decimalFormat<Integer>(NoSign), "12.05"));
  EXPECT_EQ(showNumber(NoSign, 2, *Pico::read("1.5")), "01.5");
  EXPECT_EQ(trimTrailing(".500"), ".5");
  EXPECT_EQ(trimTrailing(".000"), "");
  EXPECT_EQ(trimTrailing(""), "");
}

TEST(Format, MappingAndFiltering) {
  const auto month = clipFormat({1, 12}, integerFormat<int>(NoSign));
  EXPECT_EQ(formatParseM(month, "12").value(), 12);
  EXPECT_FALSE(formatParseM(month, "13"));
  EXPECT_EQ(month.formatShowM(0), std::nullopt);

  const auto even = mapMFormat([](int v) { return v % 2 == 0 ? std::optional<int>(v / 2) : std::nullopt; },
                               [](int h) { return h < 0 ? std::nullopt : std::optional<int>(h * 2); },
                               integerFormat<int>(NoSign));
  EXPECT_EQ(formatParseM(even, "84").value(), 42);
  EXPECT_FALSE(formatParseM(even, "85"));
  EXPECT_EQ(even.formatShowM(-1), std::nullopt);

  enum class Colour { Red, Green, Blue };
  const auto colour = enumMap<Colour>(clipFormat({0, 2}, integerFormat<int>(NoSign)));
  EXPECT_EQ(formatShow(colour, Colour::Blue), "2");
  EXPECT_EQ(formatParseM(colour, "1").value(), Colour::Green);
  EXPECT_FALSE(formatParseM(colour, "3"));
}

TEST(Format, SpecialCasesAndSigns) {
  const auto zulu = specialCaseFormat({0, "Z"}, integerFormat<int>(NoSign));
  EXPECT_EQ(formatShow(zulu, 0), "Z");
  EXPECT_EQ(formatShow(zulu, 7), "7");
  EXPECT_EQ(formatParseM(zulu, "Z").value(), 0);
  EXPECT_EQ(formatParseM(zulu, "0").value(), 0);
  const auto zuluShow = specialCaseShowFormat({0, "Z"}, integerFormat<int>(NoSign));
  EXPECT_EQ(formatShow(zuluShow, 0), "Z");
  EXPECT_FALSE(formatParseM(zuluShow, "Z"));

  const auto opt = optionalFormat(0, integerFormat<int>(NoSign));
  EXPECT_EQ(formatShow(opt, 0), "");
  EXPECT_EQ(formatParseM(opt, "").value(), 0);

  const auto mandatory = mandatorySignFormat<int>();
  EXPECT_EQ(formatShow(mandatory, 0), "+");
  EXPECT_EQ(formatShow(mandatory, 1), "+");
  EXPECT_EQ(formatShow(mandatory, -1), "-");
  EXPECT_EQ(formatParseM(mandatory, "+").value(), 1);
  EXPECT_EQ(formatParseM(mandatory, "-").value(), -1);

  // The optional sign reads back what it prints, including the "-" the listed cases could not read.
  const auto optional = optionalSignFormat<int>();
  EXPECT_EQ(formatShow(optional, 1), "");
  EXPECT_EQ(formatShow(optional, 0), "");
  EXPECT_EQ(formatShow(optional, -1), "-");
  for (const int s : {1, -1}) EXPECT_EQ(formatParseM(optional, formatShow(optional, s)).value(), s);
  EXPECT_EQ(formatParseM(optional, "+").value(), 1);
  const auto signedNumber = apSeq(optional, integerFormat<int>(NoSign));
  EXPECT_EQ(formatParseM(signedNumber, "-42").value(), std::pair(-1, 42));
  EXPECT_EQ(formatParseM(signedNumber, "42").value(), std::pair(1, 42));

  // First matching pair wins; an empty text shadows later pairs.
  const auto cases = casesFormat<int>({{1, "a"}, {2, "ab"}, {3, ""}, {4, "b"}});
  EXPECT_EQ(formatParseM(cases, "a").value(), 1);
  EXPECT_FALSE(formatParseM(cases, "ab"));
  EXPECT_FALSE(formatParseM(cases, "b"));
  EXPECT_EQ(formatParseM(cases, "").value(), 3);
  EXPECT_EQ(cases.formatShowM(5), std::nullopt);
}

TEST(Format, ProductsSumsAndErasure) {
  const Format<Date> date = dateFormat();
  EXPECT_EQ(formatShow(date, Date{2024, 12, 8}), "2024-12-08");
  EXPECT_EQ(formatParseM(date, "2024-12-08").value(), (Date{2024, 12, 8}));
  EXPECT_FALSE(formatParseM(date, "2024-12-8"));
  EXPECT_FALSE(formatParseM(date, "2024-12-08 "));

  const auto either = integerFormat<int>(NoSign) + literalFormat("x");
  using E = Either<int, Unit>;
  EXPECT_EQ(formatShow(either, E(Left<int>{5})), "5");
  EXPECT_EQ(formatShow(either, E(Right<Unit>{})), "x");
  EXPECT_EQ(formatParseM(either, "x").value(), E(Right<Unit>{}));
  // The same text read by both sides is ambiguous.
  const auto both = integerFormat<int>(NoSign) + integerFormat<int>(NoSign);
  EXPECT_EQ(errorOf(both, "1"), "multiple parses of \"1\"");
  EXPECT_EQ(errorOf(apSum(pVoid(), literalFormat("v")), "v"), "ok");

  const auto units = apSeqRight(pUnit(), integerFormat<int>(NoSign)) * pUnit();
  EXPECT_EQ(formatShow(units, std::pair(3, Unit{})), "3");
  EXPECT_EQ(formatParseM(units, "3").value().first, 3);
  // Absence anywhere in a product makes the whole absent.
  const Format<std::pair<int, int>> pair = integerFormat<int>(NoSign) * integerFormat<int>(NegSign);
  EXPECT_EQ(pair.formatShowM(std::pair(-1, 2)), std::nullopt);
  EXPECT_EQ(pair.formatShowM(std::pair(1, -2)), "1-2");
}

TEST(Format, QuotedInputInMessages) {
  const auto f = literalFormat("a");
  EXPECT_EQ(errorOf(f, "q\"\\\n\t\x01\x7f"), R"(no parse of "q\"\\\n\t\u0001\u007F")");
  EXPECT_EQ(errorOf(f, "\xC3\xA9\xF0\x9F\x98\x80"), R"(no parse of "\u00E9\U0001F600")");
  EXPECT_EQ(errorOf(f, std::string_view("\xFF\xC3", 2)), R"(no parse of "\uFFFD\uFFFD")");
  EXPECT_EQ(errorOf(f, std::string_view("\0", 1)), R"(no parse of "\u0000")");
}

TEST(Format, RoundTripsOverRandomValues) {
  std::mt19937_64 rng(2024);
  const std::optional<int> widths[] = {std::nullopt, 1, 3, 20};
  for (const SignOption sign : {NoSign, NegSign, PosNegSign}) {
    for (const auto width : widths) {
      const auto i64 = integerFormat<std::int64_t>(sign, width);
      const auto u16 = integerFormat<std::uint16_t>(sign, width);
      const auto big = integerFormat<Integer>(sign, width);
      const auto pico = decimalFormat<Pico>(sign, width);
      for (int i = 0; i < 60; ++i) {
        const auto raw = static_cast<std::int64_t>(rng()) >> (rng() % 64);
        const std::int64_t v = sign == NoSign ? (raw < 0 ? -(raw + 1) : raw) : raw;
        const Integer b = Integer(v) * Integer(v) * Integer(sign == NoSign ? 1 : (v < 0 ? -1 : 1));
        const Pico p = Pico::fromUnits(Integer(v));
        const auto check = [&](const auto& f, const auto& value) {
          const auto text = f.formatShowM(value);
          ASSERT_TRUE(text) << static_cast<int>(sign);
          // Printing never truncates, while reading takes exactly the digit count: values wider
          // than the count do not read back by design.
          const auto start = text->find_first_of("0123456789");
          const auto wholeDigits = text->substr(start).find('.');
          if (width && std::min(wholeDigits, text->size() - start) > std::size_t(*width)) return;
          const auto back = formatParseM(f, *text);
          ASSERT_TRUE(back) << *text << ": " << back.error();
          EXPECT_EQ(*back, value) << *text;
        };
        check(i64, v);
        check(u16, static_cast<std::uint16_t>(v));
        check(big, b);
        check(pico, p);
      }
    }
  }
}
