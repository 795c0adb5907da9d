// SPDX-License-Identifier: MIT
// Tests of the exchange of Tessel with byte strings, text, literals and its serialised form.
#include "Data/Tessel.hpp"

#include <gtest/gtest.h>

#include <random>

using namespace Data::Tessel;
using namespace Data::Tessel::Literals;
namespace B = Data::Tessel::Bytes;

namespace {
using Vec = std::vector<std::uint8_t>;
Vec vec(std::string_view s) { return Vec(s.begin(), s.end()); }
const Tessel longText = U"\u00E9\u00E9\u00E9 long enough to need an array of its own"_tessel;
}  // namespace

TEST(Convert, ShortByteStrings) {
  EXPECT_EQ(fromShortByteString(B::ShortByteString::copy("\xC3\x28")), std::nullopt);
  EXPECT_EQ(fromShortByteString(B::ShortByteString::copy("\xC3\xA9")), singleton(0xE9));
  const B::ShortByteString s = longText.bytes();
  const auto t = fromShortByteString(s);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->data(), s.data());  // wraps the array itself
  EXPECT_EQ(toShortByteString(*t).data(), s.data());
  EXPECT_EQ(fromShortByteStringUnsafe(s).data(), s.data());
}

TEST(Convert, ByteStringsAreCopied) {
  EXPECT_EQ(fromByteString(B::ByteString::copy(std::string_view())), empty());
  EXPECT_EQ(fromByteString(B::ByteString::copy("a\xFF")), std::nullopt);
  EXPECT_EQ(fromByteString(B::ByteString::copy("a\xE2\x82")), std::nullopt);
  const B::ByteString b = B::ByteString::copy(longText.view());
  const auto t = fromByteString(b.sub(2, 100));
  ASSERT_TRUE(t);
  EXPECT_EQ(*t, drop(1, longText));
  EXPECT_NE(t->data(), b.data() + 2);
  EXPECT_EQ(fromByteStringUnsafe(b), longText);
  EXPECT_EQ(fromUtf8(longText.view()), longText);
  EXPECT_NE(fromUtf8(longText.view())->data(), longText.data());
  EXPECT_EQ(fromUtf8("\xC3\xA9"), singleton(0xE9));
  EXPECT_EQ(fromUtf8("\xC3"), std::nullopt);
  EXPECT_EQ(toByteString(longText).view(), longText.view());
  EXPECT_NE(toByteString(longText).data(), longText.data());
  std::vector<std::uint8_t> out{'>'};
  (toBuilder(singleton(0xE9)) + toBuilder(longText)).runInto(out);
  EXPECT_EQ(std::string(out.begin(), out.end()), ">\xC3\xA9" + std::string(longText.view()));
}

TEST(Convert, TextSharesWhenItCan) {
  const B::Text x = toText(longText);
  EXPECT_EQ(x.offset, 0);
  EXPECT_EQ(x.length, longText.size());
  EXPECT_EQ(fromText(x).data(), longText.data());  // no copy either way
  const B::Text inner{longText.bytes(), 2, 4};
  EXPECT_EQ(fromText(inner), U"\u00E9\u00E9"_tessel);
  const B::Text front{longText.bytes(), 0, 6};
  EXPECT_EQ(fromText(front), U"\u00E9\u00E9\u00E9"_tessel);
  EXPECT_NE(fromText(B::Text{longText.bytes(), 2, longText.size() - 2}).data(), longText.data() + 2);
}

TEST(Convert, Literals) {
  EXPECT_EQ(fromLitMUtf8Addr("a\xC0\x80" "b").view(), std::string_view("a\0b", 3));
  EXPECT_EQ(fromLitMUtf8Addr(""), empty());
  EXPECT_EQ(fromLitMUtf8Addr("\xC3\xA9t\xC3\xA9"), U"\u00E9t\u00E9"_tessel);
  EXPECT_EQ(fromLitMUtf8Addr("x\xED\xA0\xBD\xED\xB8\x80"), U"x\uFFFD\uFFFD"_tessel);
  EXPECT_EQ(fromLitAsciiAddr("hello"), "hello"_tessel);
  EXPECT_EQ(fromLitAsciiAddr(""), empty());
}

TEST(Convert, SerialisedForm) {
  Vec out;
  put(out, singleton(0xE9));
  EXPECT_EQ(out, vec(std::string_view("\0\0\0\0\0\0\0\x02\xC3\xA9", 10)));
  out.clear();
  put(out, empty());
  EXPECT_EQ(out, Vec(8, 0));
  const struct {
    std::string_view in;
    const char* message;
  } failures[] = {
      {std::string_view("\0\0\0\0\0\0\0\x01\xFF", 9), "Binary.get(Tessel): Invalid UTF-8 stream"},
      {std::string_view("\0\0\0\0\0\0\0\x03\xE2\x82", 10), "Binary.get: not enough bytes"},
      {std::string_view("\0\0\0\0\0\0", 6), "Binary.get: not enough bytes"},
      {std::string_view("\x7F\xFF\xFF\xFF\xFF\xFF\xFF\xFF" "abc", 11), "Binary.get: not enough bytes"},
      {std::string_view("\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF" "abc", 11), "Binary.get: negative count"},
  };
  for (const auto& f : failures) {
    const Vec in = vec(f.in);
    Decoder d(in);
    const Decoded<Tessel> r = get(d);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.message(), f.message);
    EXPECT_EQ(d.position(), 0u);
  }
}

TEST(Convert, RoundTrips) {
  std::mt19937 rng(11);
  std::vector<Tessel> texts{empty(), longText};
  for (int k = 0; k < 300; ++k) {
    std::u32string s;
    for (int i = static_cast<int>(rng() % 30); i > 0; --i) s.push_back(static_cast<char32_t>(rng() % 0x110000));
    const Tessel t = fromString(s);
    for (char32_t& c : s) c = Internal::safe(c);
    EXPECT_EQ(toString(t).toU32String(), s);  // characters to text and back
    EXPECT_EQ(fromText(toText(t)), t);
    texts.push_back(t);
  }
  Vec out;
  putList(out, texts);
  const std::size_t listEnd = out.size();
  put(out, longText);
  Decoder d(out);
  const auto list = getList(d);
  ASSERT_TRUE(list.ok()) << list.message();
  EXPECT_EQ(list.value(), texts);
  const auto one = get(d);
  ASSERT_TRUE(one.ok());
  EXPECT_EQ(one.value(), longText);
  EXPECT_EQ(d.remaining(), 0u);
  // A list whose count promises more than the input holds fails without reading past it.
  const Vec lying = vec(std::string_view("\0\0\0\0\x10\0\0\0\0\0\0\0\0\0\0\0", 16));
  Decoder e(lying);
  EXPECT_EQ(getList(e).message(), "Binary.get: not enough bytes");
  // A truncated list fails at every cut.
  for (std::size_t cut = 0; cut < listEnd; cut += 7) {
    Decoder f(std::span(out.data(), cut));
    EXPECT_FALSE(getList(f).ok());
  }
}
