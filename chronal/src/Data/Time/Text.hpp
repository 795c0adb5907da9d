// SPDX-License-Identifier: MIT
// Data/Time/Text.hpp: the small reading and writing steps the renderings of the calendar types share.
#pragma once

#include <Data/Number/Fixed.hpp>
#include <Data/Number/Integer.hpp>
#include <Data/Time/Calendar.hpp>
#include <Data/Time/Calendar/Private.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Data::Time::text {

inline bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

inline std::string_view trim(std::string_view s) {
  while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
  return s;
}

/// A position in a text being read.
struct Cursor {
  std::string_view s;
  std::size_t i = 0;

  bool atEnd() const { return i == s.size(); }
  bool eat(char c) {
    if (i < s.size() && s[i] == c) {
      ++i;
      return true;
    }
    return false;
  }
  /// Between lo and hi digits (greedy) as a number; absent (and nothing consumed) when fewer.
  std::optional<std::int64_t> digits(int lo, int hi) {
    std::int64_t v = 0;
    int n = 0;
    while (n < hi && i + n < s.size() && isDigit(s[i + n])) {
      v = v * 10 + (s[i + n] - '0');
      ++n;
    }
    if (n < lo) return std::nullopt;
    i += static_cast<std::size_t>(n);
    return v;
  }
};

/// An optional "-" then one or more digits, as a year of any size.
inline std::optional<Data::Number::Integer> readYear(Cursor& c) {
  const std::size_t start = c.i;
  const bool negative = c.eat('-');
  std::size_t j = c.i;
  while (j < c.s.size() && isDigit(c.s[j])) ++j;
  if (j == c.i) {
    c.i = start;
    return std::nullopt;
  }
  auto y = Data::Number::Integer::fromDigits(c.s.substr(c.i, j - c.i), negative);
  c.i = j;
  return y;
}

/// "yyyy-mm-dd" (at least four year digits, a "-" before negative years).
inline void appendDate(std::string& out, const Calendar::GregorianDate& g) {
  Calendar::Private::appendPaddedNum(out, g.year, 4, '0');
  out += '-';
  Calendar::Private::appendPaddedNum(out, std::int64_t{g.month}, 2, '0');
  out += '-';
  Calendar::Private::appendPaddedNum(out, std::int64_t{g.day}, 2, '0');
}
inline void appendDay(std::string& out, const Calendar::Day& d) {
  appendDate(out, Calendar::toGregorian(d));
}

/// Seconds as show2Fixed renders them: "05", "05.5", "60".
inline void appendSeconds(std::string& out, const Data::Number::Pico& s) {
  out += Calendar::Private::show2Fixed(s);
}

/// A fixed-point value with the fraction's trailing zeros and a bare point dropped: "1.5", "-2".
inline void appendTrimmed(std::string& out, const Data::Number::Pico& x) {
  const std::size_t start = out.size();
  showTo(out, x);
  if (out.find('.', start) != std::string::npos) {
    while (out.back() == '0') out.pop_back();
    if (out.back() == '.') out.pop_back();
  }
}

}  // namespace Data::Time::text
