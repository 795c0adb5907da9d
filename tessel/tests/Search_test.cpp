// SPDX-License-Identifier: MIT
// Tests of the searching, splitting, folding and partial operations of Tessel.
#include "Data/Tessel.hpp"
#include "Data/Tessel/Partial.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace Data::Tessel;
using namespace Data::Tessel::Literals;
using ::testing::ElementsAre;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

namespace {
auto isA = [](char32_t c) { return c == U'a'; };
auto isSpace = [](char32_t c) { return c == U' '; };
auto always = [](char32_t) { return true; };
auto never = [](char32_t) { return false; };
const Tessel padded = U"  \u00E9t\u00E9  "_tessel;
}  // namespace

TEST(Search, FindsAndTests) {
  EXPECT_EQ(findIndex([](char32_t c) { return c == U'x'; }, U"\u00E9x"_tessel), 1);
  EXPECT_EQ(find([](char32_t c) { return c > 0x7F; }, "ab\xE2\x82\xAC"_tessel), U'\u20AC');
  EXPECT_EQ(find(isA, "xyz"_tessel), std::nullopt);
  EXPECT_TRUE(any(isA, "xa"_tessel));
  EXPECT_FALSE(any(isA, empty()));
  EXPECT_TRUE(all(isA, empty()));
  EXPECT_FALSE(all(isA, "aab"_tessel));
  EXPECT_EQ(filter([](char32_t c) { return c != U'\u00E9'; }, padded), "  t  "_tessel);
  EXPECT_EQ(filter(never, padded), empty());
  EXPECT_EQ(filter(always, padded), padded);
}

TEST(Search, SpansFromEitherEnd) {
  using P = std::pair<Tessel, Tessel>;
  EXPECT_EQ(span(always, padded), P(padded, empty()));
  EXPECT_EQ(span(never, padded), P(empty(), padded));
  EXPECT_EQ(span(isSpace, padded), P("  "_tessel, U"\u00E9t\u00E9  "_tessel));
  EXPECT_EQ(break_(isSpace, U"\u00E9t \u00E9"_tessel), P(U"\u00E9t"_tessel, U" \u00E9"_tessel));
  EXPECT_EQ(spanEnd(isSpace, padded), P(U"  \u00E9t\u00E9"_tessel, "  "_tessel));
  EXPECT_EQ(spanEnd(always, padded), P(empty(), padded));
  EXPECT_EQ(breakEnd(isSpace, U"a b\u00E9"_tessel), P("a "_tessel, U"b\u00E9"_tessel));
  EXPECT_EQ(takeWhile(isSpace, padded), "  "_tessel);
  EXPECT_EQ(dropWhile(isSpace, padded), U"\u00E9t\u00E9  "_tessel);
  EXPECT_EQ(takeWhileEnd(isSpace, padded), "  "_tessel);
  EXPECT_EQ(dropWhileEnd(isSpace, padded), U"  \u00E9t\u00E9"_tessel);
  EXPECT_EQ(dropAround(isSpace, padded), U"\u00E9t\u00E9"_tessel);
  EXPECT_EQ(dropAround(always, padded), empty());
  const Tessel longText = fromString(std::u32string(40, U'\u00E9'));
  EXPECT_EQ(dropAround(never, longText).data(), longText.data());  // t itself
}

TEST(Search, SplitsOnSeparators) {
  EXPECT_THAT(split(isA, empty()).toVector(), ElementsAre(empty()));
  EXPECT_THAT(split(isA, "a"_tessel).toVector(), ElementsAre(empty(), empty()));
  EXPECT_THAT(split(isA, "aabbaca"_tessel).toVector(),
              ElementsAre(empty(), empty(), "bb"_tessel, "c"_tessel, empty()));
  EXPECT_THAT(split([](char32_t c) { return c == U'\u20AC'; }, U"x\u20AC\u00E9\u20AC"_tessel).toVector(),
              ElementsAre("x"_tessel, U"\u00E9"_tessel, empty()));
  // Pieces come on demand: the predicate has seen only what the first piece needed.
  int calls = 0;
  auto pieces = split([&](char32_t c) { ++calls; return c == U','; }, "ab,cd,ef"_tessel);
  EXPECT_EQ(*pieces.begin(), "ab"_tessel);
  EXPECT_EQ(calls, 3);
}

TEST(Search, JoinsAndIntersperses) {
  EXPECT_EQ(intercalate(", "_tessel, {}), empty());
  EXPECT_EQ(intercalate(", "_tessel, {"x"_tessel}), "x"_tessel);
  EXPECT_EQ(intercalate(U"\u00B7"_tessel, {"a"_tessel, empty(), U"\u00E9"_tessel}),
            U"a\u00B7\u00B7\u00E9"_tessel);
  EXPECT_EQ(intercalate(empty(), {"ab"_tessel, "cd"_tessel}), "abcd"_tessel);
  EXPECT_EQ(intersperse(U',', "abc"_tessel), "a,b,c"_tessel);
  EXPECT_EQ(intersperse(U',', U"\u20AC"_tessel), U"\u20AC"_tessel);
  EXPECT_EQ(intersperse(0xD800, "ab"_tessel), U"a\uFFFDb"_tessel);
  EXPECT_EQ(intersperse(U'\U0001D11E', U"\u00E9x"_tessel), U"\u00E9\U0001D11Ex"_tessel);
  EXPECT_EQ(intersperse(U',', empty()), empty());
}

TEST(Search, PrefixesAndSuffixes) {
  const Tessel ea = U"\u00E9a"_tessel;
  EXPECT_TRUE(isPrefixOf(U"\u00E9"_tessel, ea));
  EXPECT_FALSE(isPrefixOf(U"\u00E9"_tessel, "e"_tessel));
  EXPECT_TRUE(isPrefixOf(empty(), ea));
  EXPECT_TRUE(isSuffixOf("a"_tessel, ea));
  EXPECT_FALSE(isSuffixOf(ea, "a"_tessel));
  EXPECT_EQ(stripPrefix(empty(), ea), ea);
  EXPECT_EQ(stripPrefix(ea, ea), empty());
  EXPECT_EQ(stripPrefix(U"\u00E9"_tessel, ea), "a"_tessel);
  EXPECT_EQ(stripPrefix("x"_tessel, ea), std::nullopt);
  EXPECT_EQ(stripSuffix(U"x\u00E9a"_tessel, ea), std::nullopt);
  EXPECT_EQ(stripSuffix("a"_tessel, ea), U"\u00E9"_tessel);
  EXPECT_EQ(stripSuffix(ea, ea), empty());
}

TEST(Search, Folds) {
  const Tessel t = U"ab\u00E9"_tessel;
  auto snocTo = [](std::u32string acc, char32_t c) { return acc + c; };
  auto consTo = [](char32_t c, std::u32string acc) { return c + acc; };
  EXPECT_EQ(foldl(snocTo, std::u32string(U">"), t), U">ab\u00E9");
  EXPECT_EQ(foldlStrict(snocTo, std::u32string(), t), U"ab\u00E9");
  EXPECT_EQ(foldr(consTo, std::u32string(U"<"), t), U"ab\u00E9<");
  // foldl1 nests to the left, foldr1 to the right: visible with a non-associative function.
  auto minus = [](char32_t a, char32_t b) { return static_cast<char32_t>(2 * a - b); };
  const Tessel digits = U"\u0010\u0003\u0002"_tessel;
  EXPECT_EQ(foldl1(minus, digits), static_cast<char32_t>(2 * (2 * 16 - 3) - 2));
  EXPECT_EQ(foldl1Strict(minus, digits), static_cast<char32_t>(2 * (2 * 16 - 3) - 2));
  EXPECT_EQ(foldr1(minus, digits), static_cast<char32_t>(2 * 16 - (2 * 3 - 2)));
  int calls = 0;
  auto counted = [&](char32_t a, char32_t) { ++calls; return a; };
  EXPECT_EQ(foldl1(counted, U"\u20AC"_tessel), U'\u20AC');
  EXPECT_EQ(foldr1(counted, U"\u20AC"_tessel), U'\u20AC');
  EXPECT_EQ(calls, 0);
  EXPECT_THAT([&] { foldl1Strict(counted, empty()); },
              ThrowsMessage<std::invalid_argument>(StrEq("foldl1: empty Tessel")));
  EXPECT_THAT([&] { foldl1(counted, empty()); },
              ThrowsMessage<std::invalid_argument>(StrEq("foldl1: empty Tessel")));
  EXPECT_THAT([&] { foldr1(counted, empty()); },
              ThrowsMessage<std::invalid_argument>(StrEq("foldr1: empty Tessel")));
}

TEST(Search, PartialAccessors) {
  namespace P = Data::Tessel::Partial;
  const Tessel t = U"\u00E9x\U0001D11E"_tessel;
  EXPECT_EQ(P::head(t), U'\u00E9');
  EXPECT_EQ(P::last(t), U'\U0001D11E');
  EXPECT_EQ(P::tail(t), U"x\U0001D11E"_tessel);
  EXPECT_EQ(P::init(t), U"\u00E9x"_tessel);
  EXPECT_EQ(P::index(t, 2), U'\U0001D11E');
  EXPECT_THAT([] { P::head(empty()); }, ThrowsMessage<std::invalid_argument>(StrEq("head: empty Tessel")));
  EXPECT_THAT([] { P::last(empty()); }, ThrowsMessage<std::invalid_argument>(StrEq("last: empty Tessel")));
  EXPECT_THAT([] { P::tail(empty()); }, ThrowsMessage<std::invalid_argument>(StrEq("tail: empty Tessel")));
  EXPECT_THAT([] { P::init(empty()); }, ThrowsMessage<std::invalid_argument>(StrEq("init: empty Tessel")));
  EXPECT_THAT([&] { P::index(t, length(t)); },
              ThrowsMessage<std::out_of_range>(StrEq("index: not within Tessel")));
  EXPECT_THAT([&] { P::index(t, -1); }, ThrowsMessage<std::out_of_range>(StrEq("index: not within Tessel")));
}
