// SPDX-License-Identifier: MIT
// corpora.hpp: the four 1 MiB UTF-8 corpora the benchmarks run on, generated with a fixed seed.
//   ASCII text; mostly Latin (about 5% of the bytes in multi-byte sequences); CJK (mostly 3-byte
//   ideographs with ASCII punctuation and spaces); emoji-heavy (4-byte pictographs among words).
#pragma once

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace corpora {

inline constexpr std::size_t corpusSize = std::size_t{1} << 20;

inline void put(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | c >> 6));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | c >> 12));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | c >> 18));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

enum Kind { Ascii, Latin, Cjk, Emoji };
inline const char* name(Kind k) {
  static const char* names[] = {"ascii", "latin", "cjk", "emoji"};
  return names[k];
}

// Words of random letters separated by spaces and punctuation; `pick` chooses each letter.
template <class Pick>
std::string build(std::mt19937_64& rng, Pick pick) {
  std::string out;
  out.reserve(corpusSize + 8);
  while (out.size() < corpusSize) {
    const int len = 2 + static_cast<int>(rng() % 8);
    for (int k = 0; k < len; ++k) put(out, pick());
    const unsigned r = static_cast<unsigned>(rng() % 16);
    out.push_back(r == 0 ? '\n' : r == 1 ? ',' : r == 2 ? '.' : ' ');
  }
  // Cut at the last whole code point within the size.
  std::size_t n = corpusSize;
  while ((static_cast<unsigned char>(out[n]) & 0xC0) == 0x80) --n;
  out.resize(n);
  return out;
}

inline std::string make(Kind kind) {
  std::mt19937_64 rng(1234 + kind);
  auto letter = [&] { return static_cast<char32_t>('a' + rng() % 26); };
  switch (kind) {
    case Ascii: return build(rng, letter);
    case Latin:
      return build(rng, [&]() -> char32_t {
        if (rng() % 40 != 0) return letter();
        static const char32_t accented[] = {0xE9, 0xE8, 0xE0, 0xFC, 0xF6, 0xE7, 0xF1, 0x153, 0x17E};
        return accented[rng() % 9];
      });
    case Cjk:
      return build(rng, [&]() -> char32_t {
        if (rng() % 10 == 0) return 0x3040 + static_cast<char32_t>(rng() % 0x50);  // kana
        return 0x4E00 + static_cast<char32_t>(rng() % 0x5000);                   // ideographs
      });
    case Emoji:
      return build(rng, [&]() -> char32_t {
        if (rng() % 2 == 0) return letter();
        return 0x1F300 + static_cast<char32_t>(rng() % 0x300);
      });
  }
  return {};
}

/// A corpus in a buffer that is a whole number of 8-byte words, as a Tessel array is.
struct Corpus {
  std::vector<std::uint64_t> words;
  std::size_t size;
  explicit Corpus(Kind k) {
    const std::string s = make(k);
    size = s.size();
    words.assign((size + 7) / 8, 0);
    std::memcpy(words.data(), s.data(), size);
  }
  const std::uint8_t* data() const { return reinterpret_cast<const std::uint8_t*>(words.data()); }
};

}  // namespace corpora
