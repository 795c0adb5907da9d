// SPDX-License-Identifier: MIT
// Data/Number/Rational.hpp: exact fractions of arbitrary-precision integers, always in lowest terms.
//   Rational r = Rational(3, 2) + Rational(1, 6);   // 5/3
//   Integer q = truncate(r);                        // 1
#pragma once
#include <chronal/export.hpp>

#include <Data/Number/Integer.hpp>

#include <compare>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace Data::Number {

/// A fraction numerator/denominator with a positive denominator and no common factor, so equal
/// values have equal fields. Arithmetic is exact (GMP's rationals past the 64-bit range).
class Rational {
public:
  Rational() noexcept : num_(0), den_(1) {}
  Rational(const Integer& n) : num_(n), den_(1) {}  // NOLINT: implicit, like the integers
  template <StandardInteger I>
  Rational(I n) : num_(n), den_(1) {}  // NOLINT: implicit
  /// n/d reduced to lowest terms; throws std::domain_error "Rational: zero denominator" when d is 0.
  CHRONAL_API Rational(const Integer& n, const Integer& d);

  /// The exact value of a finite double; absent for NaN and infinities.
  CHRONAL_API static std::optional<Rational> fromDouble(double x);
  /// What show produces ("n/d", or "n" for a whole number), with surrounding white space.
  CHRONAL_API static std::optional<Rational> read(std::string_view text);

  const Integer& numerator() const noexcept { return num_; }
  const Integer& denominator() const noexcept { return den_; }

  /// The nearest double (GMP's conversion: truncation past 53 bits).
  CHRONAL_API double toDouble() const;

  CHRONAL_API friend Rational operator+(const Rational& a, const Rational& b);
  CHRONAL_API friend Rational operator-(const Rational& a, const Rational& b);
  CHRONAL_API friend Rational operator*(const Rational& a, const Rational& b);
  /// Throws std::domain_error "Rational: zero denominator" when b is 0.
  CHRONAL_API friend Rational operator/(const Rational& a, const Rational& b);
  friend Rational operator-(const Rational& a) { return Rational(-a.num_, a.den_, Reduced{}); }

  friend bool operator==(const Rational& a, const Rational& b) noexcept {
    return a.num_ == b.num_ && a.den_ == b.den_;
  }
  CHRONAL_API friend std::strong_ordering operator<=>(const Rational& a, const Rational& b) noexcept;

private:
  struct Reduced {};
  Rational(Integer n, Integer d, Reduced) noexcept : num_(std::move(n)), den_(std::move(d)) {}
  friend struct RationalAccess;

  Integer num_;
  Integer den_;
};

/// The integer part toward zero, and toward negative infinity.
CHRONAL_API Integer truncate(const Rational& r);
CHRONAL_API Integer floor(const Rational& r);

/// "n/d" in lowest terms, or just "n" when the denominator is 1.
CHRONAL_API std::string show(const Rational& r);
CHRONAL_API std::ostream& operator<<(std::ostream& os, const Rational& r);

}  // namespace Data::Number

template <>
struct std::hash<Data::Number::Rational> {
  std::size_t operator()(const Data::Number::Rational& r) const noexcept {
    return std::hash<Data::Number::Integer>{}(r.numerator()) * 31 +
           std::hash<Data::Number::Integer>{}(r.denominator());
  }
};
