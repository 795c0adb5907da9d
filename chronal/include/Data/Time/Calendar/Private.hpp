// SPDX-License-Identifier: MIT
// Data/Time/Calendar/Private.hpp: small helpers of calendar code: padded rendering of numbers,
// floor-style division by 100, clipping into a range, and division by real divisors done exactly.
//   show2(7) == "07";  show4(-12) == "-0012";  quotRemBy(0.5, 1.25) == {2, 0.25}
#pragma once
#include <chronal/export.hpp>

#include <Data/Number/Fixed.hpp>
#include <Data/Number/Integer.hpp>
#include <Data/Number/Rational.hpp>

#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

namespace Data::Time::Calendar::Private {

using Data::Number::Fixed;
using Data::Number::Integer;
using Data::Number::Pico;
using Data::Number::Rational;

/// Pad to a width (in characters) with a pad character, placed before the text.
struct Pad {
  std::int64_t width;
  char32_t padChar;
  friend bool operator==(const Pad&, const Pad&) = default;
};
/// No padding.
struct NoPad {
  friend bool operator==(const NoPad&, const NoPad&) = default;
};
using PadOption = std::variant<Pad, NoPad>;

/// NoPad: s. Pad w c: (w − length of s) copies of c, then s (none when s is as long or longer);
/// lengths count code points of the UTF-8 text.
CHRONAL_API std::string showPadded(const PadOption& pad, std::string_view s);
/// The decimal rendering of v padded after its sign: -5 with Pad 2 '0' is "-05". The most negative
/// 64-bit value is rendered unpadded.
CHRONAL_API std::string showPaddedNum(const PadOption& pad, std::int64_t v);
CHRONAL_API std::string showPaddedNum(const PadOption& pad, const Integer& v);
/// Appends showPaddedNum(Pad width '0', v) or (Pad width ' ', v) to out (what the printers use).
CHRONAL_API void appendPaddedNum(std::string& out, std::int64_t v, int width, char padChar);
CHRONAL_API void appendPaddedNum(std::string& out, const Integer& v, int width, char padChar);

/// Types with showPaddedNum: 64-bit integers (and the smaller ones, converted) and Integer.
template <class T>
concept ShowPadded = requires(const PadOption& p, const T& v) {
  { showPaddedNum(p, v) } -> std::same_as<std::string>;
};

template <ShowPadded T>
std::string show2(const T& v) { return showPaddedNum(Pad{2, U'0'}, v); }
template <ShowPadded T>
std::string show3(const T& v) { return showPaddedNum(Pad{3, U'0'}, v); }
template <ShowPadded T>
std::string show4(const T& v) { return showPaddedNum(Pad{4, U'0'}, v); }

/// Seconds with the fraction's trailing zeros (and a bare point) dropped, and a leading "0" when
/// 0 ≤ x < 10: 5.5 is "05.5", 12 is "12", -5 is "-5".
CHRONAL_API std::string show2Fixed(const Pico& x);

/// x mod 100 and x div 100, floor-style: mod100(-1) is 99, div100(-1) is -1.
inline std::int64_t mod100(std::int64_t x) noexcept {
  const std::int64_t r = x % 100;
  return r < 0 ? r + 100 : r;
}
inline std::int64_t div100(std::int64_t x) noexcept {
  return x / 100 - (x % 100 < 0 ? 1 : 0);
}
inline Integer mod100(const Integer& x) { return mod(x, Integer(100)); }
inline Integer div100(const Integer& x) { return div(x, Integer(100)); }

/// lo if x < lo, hi if x > hi, else x.
template <class T>
T clip(const T& lo, const T& hi, const T& x) {
  if (x < lo) return lo;
  if (hi < x) return hi;
  return x;
}
/// x when lo ≤ x ≤ hi, absent otherwise.
template <class T>
std::optional<T> clipValid(const T& lo, const T& hi, const T& x) {
  if (x < lo || hi < x) return std::nullopt;
  return x;
}

template <class T>
struct IsFixed : std::false_type {};
template <int N>
struct IsFixed<Fixed<N>> : std::true_type {};

/// The real types quotBy divides: standard integers, Integer, Fixed, Rational and double.
template <class T>
concept RealNumber = Data::Number::StandardInteger<T> || std::same_as<T, Integer> ||
                     std::same_as<T, Rational> || std::same_as<T, double> || IsFixed<T>::value;

namespace detail {
inline Rational toExact(const Integer& v) { return Rational(v); }
inline const Rational& toExact(const Rational& v) { return v; }
template <Data::Number::StandardInteger I>
Rational toExact(I v) { return Rational(Integer(v)); }
template <int N>
Rational toExact(const Fixed<N>& v) { return Rational(v.units(), Fixed<N>::scale()); }
/// The exact value of a finite double; throws std::domain_error "quotBy: not a finite number".
CHRONAL_API Rational toExact(double v);
/// trunc(n / d); throws std::domain_error "quotBy: zero divisor" when d is 0.
CHRONAL_API Integer quotExact(const Rational& d, const Rational& n);
CHRONAL_API Integer quotInteger(const Integer& d, const Integer& n);
}  // namespace detail

/// The integer part (toward zero) of n / d, computed exactly as a rational number; throws
/// std::domain_error "quotBy: zero divisor" when d is 0 (and "quotBy: not a finite number" for a
/// NaN or infinite double).
template <RealNumber A>
Integer quotBy(const A& d, const A& n) {
  if constexpr (Data::Number::StandardInteger<A> || std::same_as<A, Integer>) {
    return detail::quotInteger(Integer(d), Integer(n));
  } else {
    return detail::quotExact(detail::toExact(d), detail::toExact(n));
  }
}
CHRONAL_API double remBy(double d, double n);
CHRONAL_API std::pair<Integer, double> quotRemBy(double d, double n);
/// n − quotBy(d, n) × d: the remainder has the sign of n (remBy(2, -3) is -1).
template <RealNumber A>
A remBy(const A& d, const A& n) {
  const Integer q = quotBy(d, n);
  if constexpr (Data::Number::StandardInteger<A>) {
    return static_cast<A>(n - static_cast<A>(q.toInt64()) * d);
  } else if constexpr (std::same_as<A, Integer> || std::same_as<A, Rational>) {
    return n - A(q) * d;
  } else {
    return A::fromUnits(n.units() - q * d.units());
  }
}
/// (quotBy(d, n), remBy(d, n)): quotRemBy(7, -15) is (-2, -1).
template <RealNumber A>
std::pair<Integer, A> quotRemBy(const A& d, const A& n) {
  Integer q = quotBy(d, n);
  A r = remBy(d, n);
  return {std::move(q), std::move(r)};
}

}  // namespace Data::Time::Calendar::Private
