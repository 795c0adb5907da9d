// SPDX-License-Identifier: MIT
// Tests of the hs_tessel_ byte routines: the documented examples, and every kernel level against
// an independent validator on exhaustive short sequences and on random and mutated buffers.
#include <Data/Tessel/cbits.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Well-formedness by the table of valid byte ranges per lead byte; the result codes follow the
// library's contract: 1 for the first bad byte, minus the missing bytes when the input ends inside
// a sequence whose lead admits that many more.
int referenceValid(const std::uint8_t* s, std::size_t n) {
  std::size_t i = 0;
  while (i < n) {
    const unsigned c = s[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    std::size_t need;
    unsigned lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) need = 1;
    else if (c == 0xE0) need = 2, lo = 0xA0;
    else if (c == 0xED) need = 2, hi = 0x9F;
    else if (c >= 0xE1 && c <= 0xEF) need = 2;
    else if (c == 0xF0) need = 3, lo = 0x90;
    else if (c >= 0xF1 && c <= 0xF3) need = 3;
    else if (c == 0xF4) need = 3, hi = 0x8F;
    else return 1;
    const std::size_t have = n - i - 1;
    if (have < need) return -static_cast<int>(need - have);
    if (s[i + 1] < lo || s[i + 1] > hi) return 1;
    for (std::size_t k = 2; k <= need; ++k)
      if ((s[i + k] & 0xC0) != 0x80) return 1;
    i += need + 1;
  }
  return 0;
}

// One kernel level, reached through the public routines after hs_tessel_use_level.
struct Level {
  int level;
  std::string name;
  void use() const {
    if (hs_tessel_level() != level) hs_tessel_use_level(level);
  }
  std::uint64_t length(const std::uint8_t* b, std::uint64_t n) const { return use(), hs_tessel_length(b, n); }
  std::int32_t is_valid_utf8(const std::uint8_t* b, std::uint64_t n) const { return use(), hs_tessel_is_valid_utf8(b, n); }
  std::uint64_t ascii_length(const std::uint8_t* b, std::uint64_t n) const { return use(), hs_tessel_ascii_length(b, n); }
  std::int32_t is_ascii(const std::uint8_t* b, std::uint64_t n) const { return use(), hs_tessel_is_ascii(b, n); }
};

// The levels this processor offers.
const std::vector<Level>& levels() {
  static const std::vector<Level> out = [] {
    std::vector<Level> v;
    for (int l = HS_TESSEL_LEVEL_PLAIN; l <= HS_TESSEL_LEVEL_AVX512; ++l)
      if (hs_tessel_use_level(l) == l) v.push_back({l, "level " + std::to_string(l)});
    hs_tessel_use_level(HS_TESSEL_LEVEL_AVX512);
    return v;
  }();
  return out;
}

std::size_t referenceLength(const Bytes& b) {
  std::size_t n = 0;
  for (auto c : b) n += (c & 0xC0) != 0x80;
  return n;
}

std::size_t referenceAsciiLength(const Bytes& b) {
  std::size_t i = 0;
  while (i < b.size() && b[i] < 0x80) ++i;
  return i;
}

// Every kernel agrees with the references on b.
void expectAllAgree(const Bytes& b, const char* what, bool validatorOnly = false) {
  const int valid = referenceValid(b.data(), b.size());
  if (validatorOnly) {
    for (const Level& k : levels())
      ASSERT_EQ(k.is_valid_utf8(b.data(), b.size()), valid) << k.name << " " << what;
    return;
  }
  const std::size_t ascii = referenceAsciiLength(b);
  const int isAscii = b.size() <= 1 || ascii == b.size();
  for (const Level& k : levels()) {
    ASSERT_EQ(k.is_valid_utf8(b.data(), b.size()), valid) << k.name << " " << what;
    ASSERT_EQ(k.length(b.data(), b.size()), referenceLength(b)) << k.name << " " << what;
    ASSERT_EQ(k.ascii_length(b.data(), b.size()), ascii) << k.name << " " << what;
    ASSERT_EQ(k.is_ascii(b.data(), b.size()), isAscii) << k.name << " " << what;
  }
}

void appendUtf8(Bytes& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<std::uint8_t>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<std::uint8_t>(0xC0 | c >> 6));
    out.push_back(static_cast<std::uint8_t>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<std::uint8_t>(0xE0 | c >> 12));
    out.push_back(static_cast<std::uint8_t>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<std::uint8_t>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<std::uint8_t>(0xF0 | c >> 18));
    out.push_back(static_cast<std::uint8_t>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<std::uint8_t>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<std::uint8_t>(0x80 | (c & 0x3F)));
  }
}

// Random well-formed UTF-8 whose code points have widths drawn with the given weights.
Bytes randomUtf8(std::mt19937_64& rng, std::size_t codePoints, int asciiWeight) {
  Bytes out;
  std::uniform_int_distribution<int> kind(0, asciiWeight + 2);
  for (std::size_t k = 0; k < codePoints; ++k) {
    const int w = kind(rng);
    char32_t c;
    if (w < asciiWeight) c = std::uniform_int_distribution<char32_t>(0, 0x7F)(rng);
    else if (w == asciiWeight) c = std::uniform_int_distribution<char32_t>(0x80, 0x7FF)(rng);
    else if (w == asciiWeight + 1) {
      do c = std::uniform_int_distribution<char32_t>(0x800, 0xFFFF)(rng);
      while (c >= 0xD800 && c <= 0xDFFF);
    } else c = std::uniform_int_distribution<char32_t>(0x10000, 0x10FFFF)(rng);
    appendUtf8(out, c);
  }
  return out;
}

Bytes b(std::initializer_list<int> xs) {
  Bytes out;
  for (int x : xs) out.push_back(static_cast<std::uint8_t>(x));
  return out;
}

}  // namespace

TEST(Cbits, ValidatorExamples) {
  const struct {
    Bytes in;
    int expected;
  } rows[] = {
      {b({0xC0, 0x80}), 1},       {b({0xE0, 0x9F, 0x80}), 1}, {b({0xED, 0xA0, 0x80}), 1},
      {b({0xF4, 0x90, 0x80, 0x80}), 1}, {b({0xF5, 0x80, 0x80, 0x80}), 1}, {b({0x80}), 1},
      {b({0xE2, 0x82}), -1},      {b({0xF0, 0x9F}), -2},      {b({0xC2}), -1},
      {b({0xC0}), 1},             {b({0xEF, 0xBF, 0xBF}), 0}, {b({0xF4, 0x8F, 0xBF, 0xBF}), 0},
      {b({0xE2, 0x28}), -1},      {b({0xF0}), -3},            {b({}), 0},
      {b({0x61, 0xF1, 0x80, 0x80}), -1}, {b({0xF0, 0x8F, 0x80, 0x80}), 1},
  };
  for (const auto& r : rows)
    for (const Level& k : levels())
      EXPECT_EQ(k.is_valid_utf8(r.in.data(), r.in.size()), r.expected) << k.name;
}

TEST(Cbits, StepsAndDecodes) {
  const Bytes t = b({0x61, 0xC3, 0xA9, 0xE2, 0x82, 0xAC});  // a é €
  const Bytes four = b({0x61, 0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0xF0, 0x9D, 0x84, 0x9E});
  EXPECT_EQ(hs_tessel_length(four.data(), four.size()), 4u);
  EXPECT_EQ(hs_tessel_length(four.data(), 0), 0u);
  const std::uint64_t fwd[][2] = {{0, 0}, {1, 1}, {2, 3}, {3, 6}, {10, 6}};
  for (auto [i, ofs] : fwd) EXPECT_EQ(hs_tessel_index_ofs(t.data(), t.size(), i), ofs) << i;
  const std::uint64_t back[][2] = {{0, 3}, {1, 1}, {2, 0}, {3, 6}, {99, 6}};
  for (auto [i, ofs] : back) EXPECT_EQ(hs_tessel_index_ofs_rev(t.data(), t.size(), i), ofs) << i;
  EXPECT_EQ(hs_tessel_index_cp(t.data(), t.size(), 3), -1);
  EXPECT_EQ(hs_tessel_index_cp(t.data(), t.size(), 1), 0xE9);
  EXPECT_EQ(hs_tessel_index_cp_rev(t.data(), t.size(), 0), 0x20AC);
  EXPECT_EQ(hs_tessel_index_cp_rev(t.data(), t.size(), 2), 0x61);
  EXPECT_EQ(hs_tessel_index_cp_rev(four.data(), four.size(), 0), 0x1D11E);
  EXPECT_EQ(hs_tessel_ofs_cp(four.data(), 6), 0x1D11Eu);
  EXPECT_EQ(hs_tessel_ofs_cp_rev(four.data(), 10), 0x1D11Eu);
  EXPECT_EQ(hs_tessel_ofs_cp_rev(four.data(), 6), 0x20ACu);
  EXPECT_EQ(hs_tessel_ofs_cp_rev(four.data(), 3), 0xE9u);
}

TEST(Cbits, AsciiTests) {
  Bytes sixteen(16, 'x');
  Bytes tail(8, 'x');
  tail.push_back(0xC3);
  tail.push_back(0xA9);
  for (const Level& k : levels()) {
    EXPECT_EQ(k.is_ascii(sixteen.data(), 3), 1) << k.name;
    EXPECT_EQ(k.is_ascii(sixteen.data(), 16), 1) << k.name;
    EXPECT_EQ(k.is_ascii(tail.data(), tail.size()), 0) << k.name;
    EXPECT_EQ(k.ascii_length(tail.data(), tail.size()), 8u) << k.name;
  }
}

TEST(Cbits, ModifiedUtf8) {
  const struct {
    const char* in;
    std::int64_t len;
    std::string out;
  } rows[] = {
      {"a\xC0\x80" "b", -3, std::string("a\0b", 3)},
      {"abc", 3, "abc"},
      {"\xED\xA0\x80", -3, "\xEF\xBF\xBD"},
      {"\xED\xA0\x80\xED\xB0\x80", -6, "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"", 0, ""},
      {"\xC3\xA9\xC0\x80\xC0\x80", -4, std::string("\xC3\xA9\0\0", 4)},
      {"\xE2\x82", 2, "\xE2\x82"},  // cut short by the terminator: never read past it
      {"\xF0\x9D\x84", 3, "\xF0\x9D\x84"},
  };
  for (const auto& r : rows) {
    const std::int64_t len = hs_tessel_mutf8_strlen(r.in);
    EXPECT_EQ(len, r.len) << r.in;
    std::string out(static_cast<std::size_t>(len < 0 ? -len : len), '?');
    if (len < 0) hs_tessel_mutf8_trans(r.in, reinterpret_cast<std::uint8_t*>(out.data()));
    else out.assign(r.in, static_cast<std::size_t>(len));
    EXPECT_EQ(out, r.out) << r.in;
  }
}

TEST(Cbits, EveryShortSequenceMatchesReference) {
  std::uint8_t s[3];
  const Level plain{HS_TESSEL_LEVEL_PLAIN, "plain"}, word{HS_TESSEL_LEVEL_WORD, "word"};
  for (unsigned v = 0; v < (1u << 24); ++v) {
    s[0] = static_cast<std::uint8_t>(v >> 16), s[1] = static_cast<std::uint8_t>(v >> 8),
    s[2] = static_cast<std::uint8_t>(v);
    for (std::size_t n = v < (1u << 16) ? 1 : 3; n <= 3; ++n) {
      const int expected = referenceValid(s, n);
      ASSERT_EQ(plain.is_valid_utf8(s, n), expected) << std::hex << v << " n=" << n;
      ASSERT_EQ(word.is_valid_utf8(s, n), expected) << std::hex << v << " n=" << n;
      ASSERT_EQ(hs_tessel_is_valid_utf8(s, n), expected) << std::hex << v << " n=" << n;
    }
  }
}

// Every byte pair, and random 3- and 4-byte sequences, placed across the block boundaries of the
// vector kernels inside longer text.
TEST(Cbits, SequencesAcrossBlockBoundaries) {
  std::mt19937_64 rng(7);
  Bytes base = randomUtf8(rng, 100, 2);
  base.resize(130, 'a');
  const std::size_t positions[] = {0, 31, 63, 64, 128, 191, 255};
  for (unsigned v = 0; v < (1u << 16); ++v) {
    for (std::size_t p : positions) {
      Bytes buf(400, 'a');
      std::memcpy(buf.data() + 400 - base.size(), base.data(), base.size());
      buf[p] = static_cast<std::uint8_t>(v >> 8);
      buf[p + 1] = static_cast<std::uint8_t>(v);
      // Keep what precedes p well formed so the pair itself decides.
      for (std::size_t q = 0; q < p; ++q) buf[q] = 'a';
      expectAllAgree(buf, "pair", true);
      if (HasFatalFailure()) return;
    }
  }
  for (int k = 0; k < 50000; ++k) {
    Bytes buf(std::uniform_int_distribution<std::size_t>(64, 300)(rng), 'a');
    const std::size_t p = std::uniform_int_distribution<std::size_t>(0, buf.size() - 4)(rng);
    const std::size_t len = std::uniform_int_distribution<std::size_t>(3, 4)(rng);
    for (std::size_t q = 0; q < len; ++q) buf[p + q] = static_cast<std::uint8_t>(rng());
    buf[p] |= 0xE0;
    expectAllAgree(buf, "lead");
    if (HasFatalFailure()) return;
  }
}

TEST(Cbits, RandomAndMutatedBuffersMatchReference) {
  std::mt19937_64 rng(42);
  for (int k = 0; k < 20000; ++k) {
    const std::size_t cps = std::uniform_int_distribution<std::size_t>(0, 400)(rng);
    Bytes buf = randomUtf8(rng, cps, k % 4 == 0 ? 40 : k % 4);
    expectAllAgree(buf, "valid");
    if (HasFatalFailure()) return;
    if (buf.empty()) continue;
    const int edits = std::uniform_int_distribution<int>(1, 3)(rng);
    for (int e = 0; e < edits; ++e) {
      const std::size_t at = std::uniform_int_distribution<std::size_t>(0, buf.size() - 1)(rng);
      switch (rng() % 4) {
        case 0: buf[at] = static_cast<std::uint8_t>(rng()); break;
        case 1: buf[at] ^= static_cast<std::uint8_t>(1u << (rng() % 8)); break;
        case 2: buf.resize(at + 1); break;  // cut short, possibly inside a sequence
        default: buf.insert(buf.begin() + static_cast<std::ptrdiff_t>(at), 0x80); break;
      }
    }
    expectAllAgree(buf, "mutated");
    if (HasFatalFailure()) return;
  }
}

TEST(Cbits, OffersTheVectorLevelsTheProcessorHas) {
  const bool avx2 = __builtin_cpu_supports("avx2");
  const bool avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                      __builtin_cpu_supports("avx512vl");
  const int best = avx512 ? HS_TESSEL_LEVEL_AVX512 : avx2 ? HS_TESSEL_LEVEL_AVX2 : HS_TESSEL_LEVEL_WORD;
  EXPECT_EQ(hs_tessel_use_level(-1), HS_TESSEL_LEVEL_PLAIN);
  EXPECT_EQ(hs_tessel_level(), HS_TESSEL_LEVEL_PLAIN);
  EXPECT_EQ(hs_tessel_use_level(HS_TESSEL_LEVEL_WORD), HS_TESSEL_LEVEL_WORD);
  EXPECT_EQ(hs_tessel_use_level(HS_TESSEL_LEVEL_AVX2), avx2 ? HS_TESSEL_LEVEL_AVX2 : HS_TESSEL_LEVEL_WORD);
  EXPECT_EQ(hs_tessel_use_level(99), best);
  EXPECT_EQ(hs_tessel_use_level(HS_TESSEL_LEVEL_AVX512), best);
  EXPECT_EQ(hs_tessel_level(), best);
}

// One bad byte at every position of a long multi-byte text, and the text cut at every length.
TEST(Cbits, EveryPositionOfALongText) {
  std::mt19937_64 rng(5);
  for (int asciiWeight : {0, 1, 30}) {
    const Bytes text = randomUtf8(rng, 600, asciiWeight);
    for (std::size_t p = 0; p < text.size(); ++p) {
      for (std::uint8_t bad : {0x80, 0xC1, 0xE0, 0xF4, 0xFF, 0x41}) {
        Bytes buf = text;
        buf[p] = bad;
        expectAllAgree(buf, "bad byte", true);
        if (HasFatalFailure()) return;
      }
      const Bytes cut(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(p));
      expectAllAgree(cut, "cut", true);
      if (HasFatalFailure()) return;
    }
  }
}

// Every length from 0 to 130 (and lengths around the four-block step) at every starting offset
// from a 64-byte boundary, clean and with a bad byte at every position. The bytes around the
// buffer would change the results if a kernel read them: ASCII and a 2-byte lead before it (which
// would complete a stray continuation at its start), continuations after it (which would complete
// a sequence cut short at its end).
TEST(Cbits, EveryLengthAtEveryOffset) {
  std::mt19937_64 rng(11);
  constexpr std::size_t room = 64 + 340 + 64;
  alignas(64) std::uint8_t area[room];
  const std::uint8_t bad[] = {0x80, 0xC1, 0xE0, 0xED, 0xF4, 0xFF, 0xC3, 0x41};
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n <= 130; ++n) lengths.push_back(n);
  for (std::size_t n : {191, 192, 255, 256, 257, 319, 320, 321, 340}) lengths.push_back(n);
  for (std::size_t offset = 0; offset < 64; ++offset) {
    for (std::size_t n : lengths) {
      // Some windows all ASCII, the others mixed; a window may end inside a sequence.
      Bytes text = randomUtf8(rng, n, (offset + n) % 3 == 0 ? 1000 : static_cast<int>(n % 4));
      text.resize(n);
      std::uint8_t* s = area + offset;
      std::memset(area, 'a', offset);
      if (offset > 0) area[offset - 1] = 0xC3;
      std::memset(s + n, 0x80, room - offset - n);
      std::copy(text.begin(), text.end(), s);
      const Bytes copy(s, s + n);
      expectAllAgree(copy, "clean");  // references on a copy; kernels below on the placed bytes
      const int valid = referenceValid(s, n);
      for (const Level& k : levels()) {
        ASSERT_EQ(k.is_valid_utf8(s, n), valid) << k.name << " offset " << offset << " n " << n;
        ASSERT_EQ(k.length(s, n), referenceLength(copy)) << k.name << " offset " << offset << " n " << n;
        ASSERT_EQ(k.ascii_length(s, n), referenceAsciiLength(copy)) << k.name << " offset " << offset;
        ASSERT_EQ(k.is_ascii(s, n), n <= 1 || referenceAsciiLength(copy) == n) << k.name << " offset " << offset;
      }
      for (std::size_t p = 0; p < n; ++p) {
        const std::uint8_t keep = s[p];
        s[p] = bad[(p + n) % sizeof bad];
        const int expected = referenceValid(s, n);
        for (const Level& k : levels())
          ASSERT_EQ(k.is_valid_utf8(s, n), expected)
              << k.name << " offset " << offset << " n " << n << " bad byte at " << p;
        s[p] = keep;
      }
    }
  }
}
