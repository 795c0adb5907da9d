// SPDX-License-Identifier: MIT
// Data/Number/Fixed.hpp: exact decimal fixed-point numbers with N fraction digits.
//   Pico t = *Pico::read("1.5");  show(t) == "1.500000000000";  t.units() == 1500000000000
#pragma once
#include <chronal/export.hpp>

#include <Data/Number/Integer.hpp>

#include <compare>
#include <cstddef>
#include <functional>
#include <iosfwd>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace Data::Number {

namespace FixedInternal {
/// 10^n as an Integer (n >= 0).
CHRONAL_API Integer pow10(int n);
/// The unit count of the decimal number with integer digits `whole` and fraction digits `fraction`
/// (ASCII digits only) at `digits` fraction digits, negated when `negative`; absent when the
/// fraction has a non-zero digit beyond the `digits`-th (the value is not representable).
CHRONAL_API std::optional<Integer> unitsOf(std::string_view whole, std::string_view fraction,
                                           bool negative, int digits);
/// Appends the rendering of `units` at `digits` fraction digits: "-" for negative values, the
/// integer part, then "." and all the fraction digits (no point when digits is 0).
CHRONAL_API void showUnitsTo(std::string& out, const Integer& units, int digits);
/// The unit count of what showUnitsTo produces (surrounding white space allowed; a missing fraction
/// and fewer fraction digits are accepted, more only when the extra digits are zeros).
CHRONAL_API std::optional<Integer> readUnits(std::string_view text, int digits);
}  // namespace FixedInternal

/// A count of 10^-N units held in an Integer: exact addition, subtraction and comparison;
/// multiplication and division round toward negative infinity to the nearest unit.
template <int N>
class Fixed {
  static_assert(N >= 0, "a fixed-point type has a non-negative number of fraction digits");

public:
  static constexpr int digits = N;

  Fixed() = default;
  /// The whole number w (w followed by N zero fraction digits).
  template <StandardInteger I>
  static Fixed fromInteger(I w) {
    return fromUnits(Integer(w) * scale());
  }
  static Fixed fromInteger(const Integer& w) { return fromUnits(w * scale()); }
  /// The number of units / 10^N.
  static Fixed fromUnits(Integer units) {
    Fixed f;
    f.units_ = std::move(units);
    return f;
  }
  /// The raw count of 10^-N units.
  const Integer& units() const noexcept { return units_; }
  /// 10^N, the unit count of 1.
  static const Integer& scale() {
    static const Integer s = FixedInternal::pow10(N);
    return s;
  }

  /// What show produces, with surrounding white space; also a missing fraction, fewer fraction
  /// digits, and more when the extra digits are zeros. Absent otherwise.
  static std::optional<Fixed> read(std::string_view text) {
    auto u = FixedInternal::readUnits(text, N);
    if (!u) return std::nullopt;
    return fromUnits(std::move(*u));
  }

  friend Fixed operator+(const Fixed& a, const Fixed& b) { return fromUnits(a.units_ + b.units_); }
  friend Fixed operator-(const Fixed& a, const Fixed& b) { return fromUnits(a.units_ - b.units_); }
  friend Fixed operator-(const Fixed& a) { return fromUnits(-a.units_); }
  /// The product, rounded toward negative infinity to a unit.
  friend Fixed operator*(const Fixed& a, const Fixed& b) {
    return fromUnits(div(a.units_ * b.units_, scale()));
  }
  /// The quotient, rounded toward negative infinity to a unit; throws std::domain_error
  /// "divide by zero" when b is 0.
  friend Fixed operator/(const Fixed& a, const Fixed& b) {
    return fromUnits(div(a.units_ * scale(), b.units_));
  }
  Fixed& operator+=(const Fixed& b) { return *this = *this + b; }
  Fixed& operator-=(const Fixed& b) { return *this = *this - b; }

  friend bool operator==(const Fixed&, const Fixed&) = default;
  friend std::strong_ordering operator<=>(const Fixed& a, const Fixed& b) noexcept {
    return a.units_ <=> b.units_;
  }

private:
  Integer units_;
};

/// Twelve fraction digits: picoseconds when the unit is a second.
using Pico = Fixed<12>;

/// "-" for negative values, the integer part, "." and all N fraction digits: 1.500 for Fixed<3>.
template <int N>
std::string show(const Fixed<N>& x) {
  std::string s;
  FixedInternal::showUnitsTo(s, x.units(), N);
  return s;
}
/// Appends show(x) to out.
template <int N>
void showTo(std::string& out, const Fixed<N>& x) {
  FixedInternal::showUnitsTo(out, x.units(), N);
}
template <int N>
std::ostream& operator<<(std::ostream& os, const Fixed<N>& x) {
  return os << show(x);
}

}  // namespace Data::Number

template <int N>
struct std::hash<Data::Number::Fixed<N>> {
  std::size_t operator()(const Data::Number::Fixed<N>& x) const noexcept { return x.units().hash(); }
};
