// SPDX-License-Identifier: MIT
// Tests of printing a text: the stream writes the text itself, std::format and {fmt} (where the
// program has them) format it as a string argument, and show stays the quoted literal.
#include "Data/Tessel.hpp"
#ifdef TESSEL_TEST_FMT
#include "Data/Tessel/Fmt.hpp"
#endif

#include <gtest/gtest.h>

#include <iomanip>
#include <sstream>
#include <string>

using namespace Data::Tessel;
using namespace Data::Tessel::Literals;

namespace {
// A quote, a backslash, a control character, é, € and 𝄞: everything show would escape.
const Tessel mixed = U"\"\\\n\u00E9\u20AC\U0001D11E"_tessel;
const std::string mixedBytes = "\"\\\n\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E";
const Tessel longText = U"a text too long to be kept inside the value: \u00E9"_tessel;
}  // namespace

TEST(Render, ViewIsTheBytesWithoutCopying) {
  EXPECT_EQ(mixed.view(), mixedBytes);
  EXPECT_EQ(static_cast<const void*>(longText.view().data()), static_cast<const void*>(longText.data()));
  EXPECT_TRUE(empty().view().empty());
  EXPECT_EQ(singleton(0).view(), std::string_view("\0", 1));
}

TEST(Render, StreamWritesTheTextLikeAString) {
  for (const Tessel& t : {empty(), mixed, longText, singleton(0)}) {
    std::ostringstream a, b;
    a << t << '|' << std::setw(30) << std::setfill('.') << t << '|' << std::left << std::setw(30) << t;
    b << std::string(t.view()) << '|' << std::setw(30) << std::setfill('.') << std::string(t.view()) << '|'
      << std::left << std::setw(30) << std::string(t.view());
    EXPECT_EQ(a.str(), b.str()) << show(t);
  }
  EXPECT_EQ(show(mixed), "\"\\\"\\\\\\n\\u00E9\\u20AC\\U0001D11E\"");
  EXPECT_EQ(showsPrec(11, mixed), show(mixed));
}

#if defined(__cpp_lib_format)
TEST(Render, StdFormatWritesTheText) {
  EXPECT_EQ(std::format("<{}>", mixed), "<" + mixedBytes + ">");
  EXPECT_EQ(std::format("{:>5}|{:*<4}|{:.2}", "ab"_tessel, "x"_tessel, U"\u00E9\u20ACz"_tessel),
            "   ab|x***|\xC3\xA9\xE2\x82\xAC");
}
#endif

#ifdef TESSEL_TEST_FMT
TEST(Render, FmtWritesTheText) {
  EXPECT_EQ(fmt::format("<{}>", mixed), "<" + mixedBytes + ">");
  EXPECT_EQ(fmt::format("<{}>", longText), "<" + std::string(longText.view()) + ">");
  // Width and precision count code points, as for any UTF-8 string argument.
  EXPECT_EQ(fmt::format("{:>5}|{:*<4}|{:.2}", "ab"_tessel, U"\u00E9"_tessel, U"\u00E9\u20ACz"_tessel),
            "   ab|\xC3\xA9***|\xC3\xA9\xE2\x82\xAC");
}
#endif
