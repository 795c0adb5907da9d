// SPDX-License-Identifier: MIT
// Padded rendering of numbers and exact division by real divisors.
#include <Data/Time/Calendar/Private.hpp>

#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "Data/Time/Messages.hpp"

namespace Data::Time::Calendar::Private {

namespace {
void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::int64_t codePoints(std::string_view s) {
  std::int64_t n = 0;
  for (char c : s) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

void appendPadded(std::string& out, const PadOption& pad, std::string_view s) {
  if (const Pad* p = std::get_if<Pad>(&pad)) {
    for (std::int64_t k = codePoints(s); k < p->width; ++k) appendUtf8(out, p->padChar);
  }
  out += s;
}

void appendMagnitude(std::string& out, std::uint64_t v, int width, char padChar) {
  if (v < 100 && width == 2) {  // the common two-digit field
    const char two[2] = {v < 10 ? padChar : static_cast<char>('0' + v / 10),
                         static_cast<char>('0' + v % 10)};
    out.append(two, 2);
    return;
  }
  char buf[24];
  char* end = buf + sizeof buf;
  char* p = end;
  do {
    *--p = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  for (auto k = end - p; k < width; ++k) out += padChar;
  out.append(p, end);
}
}  // namespace

std::string showPadded(const PadOption& pad, std::string_view s) {
  std::string out;
  appendPadded(out, pad, s);
  return out;
}

std::string showPaddedNum(const PadOption& pad, std::int64_t v) {
  if (std::holds_alternative<NoPad>(pad) || v == std::numeric_limits<std::int64_t>::min()) {
    return std::to_string(v);
  }
  std::string out;
  if (v < 0) out += '-';
  appendPadded(out, pad, std::to_string(v < 0 ? -v : v));
  return out;
}

std::string showPaddedNum(const PadOption& pad, const Integer& v) {
  if (std::holds_alternative<NoPad>(pad)) return show(v);
  std::string out;
  if (v.signum() < 0) out += '-';
  appendPadded(out, pad, show(abs(v)));
  return out;
}

void appendPaddedNum(std::string& out, std::int64_t v, int width, char padChar) {
  if (v == std::numeric_limits<std::int64_t>::min()) {
    out += std::to_string(v);
    return;
  }
  if (v < 0) {
    out += '-';
    v = -v;
  }
  appendMagnitude(out, static_cast<std::uint64_t>(v), width, padChar);
}

void appendPaddedNum(std::string& out, const Integer& v, int width, char padChar) {
  if (v.fitsInt64()) {
    appendPaddedNum(out, v.small(), width, padChar);
    return;
  }
  if (v.signum() < 0) out += '-';
  const std::string digits = show(abs(v));
  for (auto k = static_cast<int>(digits.size()); k < width; ++k) out += padChar;
  out += digits;
}

std::string show2Fixed(const Pico& x) {
  std::string s;
  // A negative value gets no leading zero: "0-5" would not read back as a number.
  if (x.units().signum() >= 0 && x < Pico::fromInteger(10)) s += '0';
  showTo(s, x);
  // Drop the fraction's trailing zeros, then a bare point.
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  return s;
}

namespace detail {
Rational toExact(double v) {
  auto r = Rational::fromDouble(v);
  if (!r) throw std::domain_error(std::string(Data::Time::msg::notFinite));
  return *r;
}

Integer quotExact(const Rational& d, const Rational& n) {
  if (d.numerator().signum() == 0) throw std::domain_error(std::string(Data::Time::msg::quotByZero));
  return truncate(n / d);
}

Integer quotInteger(const Integer& d, const Integer& n) {
  if (d.signum() == 0) throw std::domain_error(std::string(Data::Time::msg::quotByZero));
  return quot(n, d);
}
}  // namespace detail

double remBy(double d, double n) {
  const Integer q = quotBy(d, n);
  const double qd = q.toDouble();
  const double product = qd * d;
  return n - product;
}

std::pair<Integer, double> quotRemBy(double d, double n) {
  Integer q = quotBy(d, n);
  const double product = q.toDouble() * d;
  return {std::move(q), n - product};
}

}  // namespace Data::Time::Calendar::Private
