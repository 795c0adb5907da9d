// SPDX-License-Identifier: MIT
// Tests of Data/Tessel.hpp: construction, measuring, splitting, ordering, hashing and renderings.
#include "Data/Tessel.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <thread>
#include <unordered_set>

using namespace Data::Tessel;
using namespace Data::Tessel::Literals;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

namespace {
std::string bytesOf(const Tessel& t) { return std::string(t.view()); }
std::u32string chars(const Tessel& t) { return toString(t).toU32String(); }
// aé€𝄞 and a long text that does not fit inside the value.
const Tessel aee = U"a\u00E9\u20AC"_tessel;
const Tessel four = U"a\u00E9\u20AC\U0001D11E"_tessel;
const Tessel longText = U"The quick brown fox \u00E9\u20AC jumps over the lazy dog"_tessel;
}  // namespace

static_assert(sizeof(Tessel) <= 16);

TEST(Tessel, ConstructionReplacesSurrogates) {
  EXPECT_EQ(bytesOf(singleton(0xD800)), "\xEF\xBF\xBD");
  EXPECT_EQ(bytesOf(cons(0xDFFF, empty())), "\xEF\xBF\xBD");
  EXPECT_EQ(bytesOf(cons(0xDFFF, "x"_tessel)), "\xEF\xBF\xBDx");
  EXPECT_EQ(bytesOf(snoc("x"_tessel, 0xDABC)), "x\xEF\xBF\xBD");
  EXPECT_EQ(bytesOf(fromString(U"a\xD800z")), "a\xEF\xBF\xBDz");
  EXPECT_EQ(bytesOf(singleton(0x110000)), "\xEF\xBF\xBD");  // beyond Unicode
  EXPECT_EQ(bytesOf(singleton(0)), std::string(1, '\0'));
  EXPECT_EQ(bytesOf(four), "a\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E");
  EXPECT_EQ("a\xC3\xA9"_tessel, U"a\u00E9"_tessel);
  EXPECT_EQ(bytesOf("a\xFF"_tessel), "a\xEF\xBF\xBD");  // a stray byte in a literal
  EXPECT_EQ(chars(longText), U"The quick brown fox \u00E9\u20AC jumps over the lazy dog");
  EXPECT_TRUE(null(empty()) && null(fromString(U"")) && !null(aee));
  EXPECT_TRUE(isAscii("abc"_tessel) && !isAscii(aee) && isValidUtf8(four));
  EXPECT_EQ(length(four), 4);
  EXPECT_EQ(length(longText), 46);
}

TEST(Tessel, CopiesShareTheArray) {
  const Tessel copy = longText;
  EXPECT_EQ(copy.data(), longText.data());
  EXPECT_TRUE(copy.bytes().sameArray(longText.bytes()));
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(longText.data()) % 8, 0u);
}

TEST(Tessel, CopiesAcrossThreadsKeepTheArrayAlive) {
  std::vector<Tessel> holders(4, fromString(std::u32string(100, U'\u00E9')));
  std::vector<std::thread> threads;
  for (int k = 0; k < 4; ++k)
    threads.emplace_back([&holders, k] {
      for (int i = 0; i < 20000; ++i) {
        Tessel copy = holders[static_cast<std::size_t>(k)];
        holders[static_cast<std::size_t>(k)] = copy;
      }
      holders[static_cast<std::size_t>(k)] = Tessel();
    });
  for (auto& t : threads) t.join();
  for (const Tessel& h : holders) EXPECT_TRUE(null(h));
}

TEST(Tessel, BuildsByCopying) {
  EXPECT_EQ(append(aee, "xyz"_tessel), U"a\u00E9\u20ACxyz"_tessel);
  EXPECT_EQ(append(empty(), longText).data(), longText.data());
  EXPECT_EQ(concat({aee, empty(), longText, "!"_tessel}),
            fromString(chars(aee) + chars(longText) + U"!"));
  EXPECT_EQ(concat({}), empty());
  EXPECT_EQ(replicate(3, "ab"_tessel), "ababab"_tessel);
  EXPECT_EQ(replicate(3, empty()), empty());
  EXPECT_EQ(replicate(0, aee), empty());
  EXPECT_EQ(replicate(-2, aee), empty());
  EXPECT_EQ(length(replicate(5, longText)), 5 * length(longText));
  EXPECT_THROW(replicate(std::int64_t{1} << 60, longText), std::bad_alloc);
  EXPECT_EQ(reverse(four), U"\U0001D11E\u20AC\u00E9a"_tessel);
  EXPECT_EQ(reverse(singleton(0x20AC)), singleton(0x20AC));
  EXPECT_EQ(reverse(reverse(longText)), longText);
}

TEST(Tessel, SplitsAtCodePoints) {
  using P = std::pair<Tessel, Tessel>;
  EXPECT_EQ(splitAt(0, aee), P(empty(), aee));
  EXPECT_EQ(splitAt(-3, aee), P(empty(), aee));
  EXPECT_EQ(splitAt(2, aee), P(U"a\u00E9"_tessel, U"\u20AC"_tessel));
  EXPECT_EQ(splitAt(3, aee), P(aee, empty()));
  EXPECT_EQ(splitAt(9, aee), P(aee, empty()));
  EXPECT_EQ(splitAt(4, empty()), P(empty(), empty()));
  EXPECT_EQ(splitAtEnd(1, aee), P(U"a\u00E9"_tessel, U"\u20AC"_tessel));
  EXPECT_EQ(splitAtEnd(3, aee), P(empty(), aee));
  EXPECT_EQ(splitAtEnd(4, aee), P(empty(), aee));
  EXPECT_EQ(splitAtEnd(0, aee), P(aee, empty()));
  EXPECT_EQ(takeEnd(2, aee), U"\u00E9\u20AC"_tessel);
  EXPECT_EQ(dropEnd(5, aee), empty());
  EXPECT_EQ(dropEnd(1, aee), U"a\u00E9"_tessel);
  EXPECT_EQ(take(1, aee), "a"_tessel);
  EXPECT_EQ(drop(1, aee), U"\u00E9\u20AC"_tessel);
  EXPECT_EQ(drop(3, aee), empty());
  // splitAt then append gives the text back, at every position, and take/drop agree with it.
  for (std::int64_t n = -1; n <= length(longText) + 1; ++n) {
    const auto [a, b] = splitAt(n, longText);
    EXPECT_EQ(append(a, b), longText) << n;
    EXPECT_EQ(take(n, longText), a);
    EXPECT_EQ(drop(n, longText), b);
    const auto [c, d] = splitAtEnd(n, longText);
    EXPECT_EQ(append(c, d), longText) << n;
    EXPECT_EQ(dropEnd(n, longText), c);
    EXPECT_EQ(takeEnd(n, longText), d);
  }
}

TEST(Tessel, IndexesFromBothEnds) {
  EXPECT_EQ(indexMaybe(aee, -1), std::nullopt);
  EXPECT_EQ(indexMaybe(aee, 3), std::nullopt);
  EXPECT_EQ(indexMaybe(aee, 1), U'\u00E9');
  EXPECT_EQ(indexMaybe(empty(), 0), std::nullopt);
  EXPECT_EQ(indexEndMaybe(four, 0), U'\U0001D11E');
  EXPECT_EQ(indexEndMaybe(four, 3), U'a');
  EXPECT_EQ(indexEndMaybe(four, 4), std::nullopt);
  const auto u = uncons("x"_tessel);
  ASSERT_TRUE(u);
  EXPECT_EQ(u->first, U'x');
  EXPECT_EQ(u->second, empty());
  EXPECT_EQ(uncons(four)->second, U"\u00E9\u20AC\U0001D11E"_tessel);
  EXPECT_EQ(unsnoc(four)->second, U'\U0001D11E');
  EXPECT_EQ(unsnoc(four)->first, aee);
  EXPECT_EQ(uncons(empty()), std::nullopt);
  EXPECT_EQ(unsnoc(empty()), std::nullopt);
}

TEST(Tessel, OrdersByCodePoint) {
  EXPECT_GT(singleton(0xE9), singleton(0x7A));
  EXPECT_LT(singleton(0xFFFD), singleton(0x10000));
  EXPECT_LT("ab"_tessel, "abc"_tessel);
  EXPECT_EQ("abc"_tessel <=> "abc"_tessel, std::strong_ordering::equal);
  EXPECT_NE("abc"_tessel, "abd"_tessel);
  std::mt19937 rng(3);
  for (int k = 0; k < 2000; ++k) {
    std::u32string x, y;
    for (int i = rng() % 20; i > 0; --i) x.push_back(static_cast<char32_t>(rng() % 0x11000));
    y = x.substr(0, rng() % (x.size() + 1));
    for (int i = rng() % 3; i > 0; --i) y.push_back(static_cast<char32_t>(rng() % 0x11000));
    for (auto* s : {&x, &y})
      for (auto& c : *s) c = Internal::safe(c);
    EXPECT_EQ(fromString(x) <=> fromString(y), x <=> y);
    EXPECT_EQ(fromString(x) == fromString(y), x == y);
  }
}

// A heap array and an inline array whose eight bytes spell that heap array's address: the
// shortcut for two values sharing one array must not take them for the same array.
TEST(Tessel, InlineBytesEqualToAnAddressAreNotThatArray) {
  const Tessel h = fromString(U"twenty bytes of text");
  ASSERT_FALSE(h.bytes().isInline());
  std::uint64_t word = h.bytes().word(0);
  const Tessel x = Internal::fromShortByteStringUnsafe(Data::Tessel::Bytes::ShortByteString::copy(&word, 8));
  ASSERT_EQ(x.bytes().word(0), h.bytes().word(0));
  EXPECT_FALSE(h.bytes().sameArray(x.bytes()));
  EXPECT_FALSE(x.bytes().sameArray(h.bytes()));
  EXPECT_NE(h, x);
  EXPECT_NE(h <=> x, std::strong_ordering::equal);
  EXPECT_EQ(h <=> x, 0 <=> (x <=> h));
  EXPECT_EQ(h <=> x, std::string_view(h.view()) <=> std::string_view(x.view()));
  EXPECT_FALSE(isPrefixOf(h, x) || isSuffixOf(h, x));
  EXPECT_EQ(std::set<Tessel>({h, x}).size(), 2u);
  EXPECT_EQ(std::unordered_set<Tessel>({h, x}).size(), 2u);
}

TEST(Tessel, HashesItsBytes) {
  const Tessel a = fromString(chars(longText));  // equal, separate array
  EXPECT_EQ(hash(a), hash(longText));
  EXPECT_EQ(hash(aee), Data::Tessel::Bytes::hash(aee.bytes().bytes()));
  EXPECT_EQ(hashWithSalt(7, aee), Data::Tessel::Bytes::hashWithSalt(7, aee.data(), 6));
  EXPECT_NE(hashWithSalt(7, aee), hashWithSalt(8, aee));
  std::unordered_set<Tessel> set;
  for (int k = 0; k < 1000; ++k) set.insert(fromString(std::u32string(static_cast<std::size_t>(k % 40), U'x') + U"\u00E9"));
  EXPECT_EQ(set.size(), 40u);
}

TEST(Tessel, ShowsAndReads) {
  EXPECT_EQ(show(empty()), "\"\"");
  EXPECT_EQ(show(U"a\"b\\c\n\u00E9\U0001D11E\x01"_tessel),
            "\"a\\\"b\\\\c\\n\\u00E9\\U0001D11E\\u0001\"");
  for (const Tessel& t : {empty(), aee, four, longText, U"\t\r\v\a\b\f\0\x7F"_tessel})
    EXPECT_EQ(Tessel::read("  " + show(t) + "\n"), t);
  EXPECT_EQ(Tessel::read("\"\\uD800\""), singleton(0xFFFD));
  EXPECT_EQ(Tessel::read("\"\xC3\xA9\""), singleton(0xE9));
  for (const char* bad : {"", "\"", "x\"\"", "\"a\" b", "\"\\q\"", "\"\\u12\"", "\"\\U00110000\"", "\"\xFF\""})
    EXPECT_EQ(Tessel::read(bad), std::nullopt) << bad;
}

TEST(Tessel, SliceRejectsNegativeArguments) {
  EXPECT_THAT([] { Internal::slice(aee, -1, 1); }, ThrowsMessage<std::out_of_range>(StrEq("invalid offset")));
  EXPECT_THAT([] { Internal::slice(aee, 0, -1); }, ThrowsMessage<std::out_of_range>(StrEq("invalid length")));
  EXPECT_EQ(Internal::slice(aee, 1, 100), U"\u00E9\u20AC"_tessel);
  EXPECT_EQ(Internal::slice(aee, 9, 1), empty());
}
