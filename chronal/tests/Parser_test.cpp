// SPDX-License-Identifier: MIT
#include <Data/Format.hpp>
#include <Data/Format/Parser.hpp>

#include <gtest/gtest.h>

#include "Support.hpp"

#include <string>

namespace P = Data::Format::Parser;
using Data::Format::formatParseM;
using Data::Format::integerFormat;
using Data::Format::NegSign;
using Data::Format::NoSign;
using Data::Number::Integer;

using ChronalSupport::allocations;

namespace {

const auto isDigit = [](char32_t c) { return c >= '0' && c <= '9'; };

// The consumed lengths of every reading, in the order they come.
template <class Parser>
std::vector<std::size_t> lengths(const Parser& p, std::string_view s) {
  std::vector<std::size_t> out;
  for (const auto& r : P::readAll(p, s)) out.push_back(r.second);
  return out;
}

}  // namespace

TEST(Parser, RepetitionYieldsEveryCount) {
  const auto d = P::satisfy(isDigit);
  EXPECT_EQ(lengths(P::many1(d), "123x"), (std::vector<std::size_t>{1, 2, 3}));
  EXPECT_EQ(lengths(P::count(2, d), "123"), (std::vector<std::size_t>{2}));
  EXPECT_EQ(lengths(P::count(4, d), "123"), (std::vector<std::size_t>{}));
  EXPECT_EQ(lengths(P::count(0, d), "x"), (std::vector<std::size_t>{0}));
  const auto all = P::readAll(P::many1(d), "42");
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[1].first, (std::vector<char32_t>{U'4', U'2'}));
  // Every split of "1234" between two repetitions: three readings consume it whole.
  EXPECT_EQ(P::parseWhole(P::seq(P::many1(d), P::many1(d)), "1234").count, 2);  // stops at the second
  EXPECT_EQ(P::readAll(P::seq(P::many1(d), P::many1(d)), "1234").size(), 6u);
  // An element that consumes nothing gives its count once and is not repeated forever.
  EXPECT_EQ(lengths(P::many1(P::pure(1)), "abc"), (std::vector<std::size_t>{0}));
  // An ambiguous element: each count reached in two ways is two readings.
  const auto ab = P::choice(P::string("a"), P::string("a"));
  EXPECT_EQ(P::readAll(P::many1(ab), "aa").size(), 6u);
}

TEST(Parser, ChoicesAndOptions) {
  const auto a = P::string("a"), ab = P::string("ab");
  EXPECT_EQ(lengths(P::choice(a, ab), "abc"), (std::vector<std::size_t>{1, 2}));
  EXPECT_EQ(lengths(P::leftChoice(a, ab), "abc"), (std::vector<std::size_t>{1}));
  EXPECT_EQ(lengths(P::leftChoice(P::string("x"), ab), "abc"), (std::vector<std::size_t>{2}));
  EXPECT_EQ(lengths(P::option(std::string("-"), a), "abc"), (std::vector<std::size_t>{0, 1}));
  EXPECT_EQ(lengths(P::fail<int>(), "abc"), (std::vector<std::size_t>{}));
  const P::ReadP<std::string> erased = P::seqRight(P::string("<"), P::seqLeft(ab, P::string(">")));
  EXPECT_EQ(P::parseWhole(erased, "<ab>").value, "ab");
  EXPECT_EQ(P::parseWhole(P::filter(P::digits(), [](std::string_view v) { return v.size() == 2; }), "12")
                .value, "12");
}

TEST(Parser, CharactersAreWellFormedCodePoints) {
  const auto any = P::satisfy([](char32_t) { return true; });
  const struct {
    std::string_view text;
    std::size_t length;  // 0: no reading
  } rows[] = {{"\x41", 1},         {"\xC3\xA9", 2},     {"\xE2\x82\xAC", 3}, {"\xF0\x9F\x98\x80", 4},
              {"\xC0\x80", 0},     {"\xE0\x80\x80", 0}, {"\xED\xA0\x80", 0}, {"\xF4\x90\x80\x80", 0},
              {"\xC3", 0},         {"\x80", 0},         {"\xFF", 0},         {"", 0}};
  for (const auto& r : rows) {
    const auto got = lengths(any, r.text);
    EXPECT_EQ(got, r.length ? std::vector<std::size_t>{r.length} : std::vector<std::size_t>{});
  }
  EXPECT_EQ(P::readAll(any, "\xC3\xA9").at(0).first, U'\u00E9');
}

TEST(Parser, LongInputsStayLinearAndDoNotAllocatePerCharacter) {
  const std::string digits(1'000'000, '7');
  // A 64-bit type: every length is a reading until the value overflows; none consumes it all.
  EXPECT_FALSE(formatParseM(integerFormat<long>(NoSign), digits));
  // Arbitrary precision: one value is built, for the reading that consumes the whole text.
  const auto big = formatParseM(integerFormat<Integer>(NegSign), digits);
  ASSERT_TRUE(big);
  EXPECT_EQ(big->magnitudeLimbCount(), 51906u);
  // Repetition of characters over a long text: breadth first, no deep recursion.
  EXPECT_EQ(P::parseWhole(P::many1(P::satisfy(isDigit)), digits).count, 1);

  const auto f = integerFormat<long>(NoSign);
  const std::string_view twenty = "12345678901234567890";
  const long before = allocations.load();
  for (int i = 0; i < 100; ++i) (void)P::parseWhole(f.formatReadP, twenty.substr(0, 18));
  EXPECT_EQ(allocations.load() - before, 0);
  const long beforeBig = allocations.load();
  const auto fb = integerFormat<Integer>(NoSign);
  (void)P::parseWhole(fb.formatReadP, twenty);  // only the whole reading builds its value
  EXPECT_LE(allocations.load() - beforeBig, 3);
}
