// SPDX-License-Identifier: MIT
// Exact fractions: every operation goes through GMP's rationals, which keep lowest terms.
#include <Data/Number/Gmp.hpp>
#include <Data/Number/Rational.hpp>

#include <cmath>
#include <ostream>
#include <stdexcept>

#include "Data/Time/Messages.hpp"

namespace Data::Number {

struct RationalAccess {
  static mpq_class toMpq(const Rational& r) {
    mpq_class q;
    mpz_class n = Gmp::toMpz(r.num_);
    mpz_class d = Gmp::toMpz(r.den_);
    mpz_set(q.get_num_mpz_t(), n.get_mpz_t());
    mpz_set(q.get_den_mpz_t(), d.get_mpz_t());
    return q;
  }
  static Rational fromMpq(const mpq_class& q) {
    return Rational(Gmp::fromMpz(q.get_num_mpz_t()), Gmp::fromMpz(q.get_den_mpz_t()),
                    Rational::Reduced{});
  }
};

namespace {
mpq_class toMpq(const Rational& r) { return RationalAccess::toMpq(r); }
Rational fromMpq(const mpq_class& q) { return RationalAccess::fromMpq(q); }

// Binary gcd of two non-negative 64-bit values.
std::uint64_t gcd64(std::uint64_t a, std::uint64_t b) {
  if (a == 0) return b;
  if (b == 0) return a;
  const int shift = __builtin_ctzll(a | b);
  a >>= __builtin_ctzll(a);
  while (b != 0) {
    b >>= __builtin_ctzll(b);
    if (a > b) std::swap(a, b);
    b -= a;
  }
  return a << shift;
}
}  // namespace

Rational::Rational(const Integer& n, const Integer& d) {
  if (d.signum() == 0) throw std::domain_error(std::string(Data::Time::msg::zeroDenominator));
  constexpr std::int64_t lo = -(std::int64_t{1} << 62);
  constexpr std::int64_t hi = std::int64_t{1} << 62;
  if (n.fitsInt64() && d.fitsInt64() && n.small() > lo && n.small() < hi && d.small() > lo &&
      d.small() < hi) {
    std::int64_t a = n.small();
    std::int64_t b = d.small();
    if (b < 0) {
      a = -a;
      b = -b;
    }
    const auto g = static_cast<std::int64_t>(gcd64(static_cast<std::uint64_t>(a < 0 ? -a : a),
                                                   static_cast<std::uint64_t>(b)));
    num_ = Integer(a / g);
    den_ = Integer(b / g);
    return;
  }
  mpq_class q(Gmp::toMpz(n), Gmp::toMpz(d));
  q.canonicalize();
  *this = fromMpq(q);
}

std::optional<Rational> Rational::fromDouble(double x) {
  if (!std::isfinite(x)) return std::nullopt;
  return fromMpq(mpq_class(x));
}

std::optional<Rational> Rational::read(std::string_view text) {
  auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  const auto slash = text.find('/');
  if (slash == std::string_view::npos) {
    auto n = Integer::fromDecimal(text);
    if (!n) return std::nullopt;
    return Rational(*n);
  }
  auto n = Integer::fromDecimal(text.substr(0, slash));
  auto d = Integer::fromDecimal(text.substr(slash + 1));
  if (!n || !d || d->signum() <= 0) return std::nullopt;
  Rational r(*n, *d);
  // Only the lowest-terms form is a rendering of the value.
  if (r.numerator() != *n) return std::nullopt;
  return r;
}

double Rational::toDouble() const {
  if (den_ == Integer(1)) return num_.toDouble();
  return toMpq(*this).get_d();
}

Rational operator+(const Rational& a, const Rational& b) {
  if (a.den_ == b.den_ && a.den_ == Integer(1)) return Rational(a.num_ + b.num_);
  return fromMpq(toMpq(a) + toMpq(b));
}
Rational operator-(const Rational& a, const Rational& b) {
  if (a.den_ == b.den_ && a.den_ == Integer(1)) return Rational(a.num_ - b.num_);
  return fromMpq(toMpq(a) - toMpq(b));
}
Rational operator*(const Rational& a, const Rational& b) { return fromMpq(toMpq(a) * toMpq(b)); }
Rational operator/(const Rational& a, const Rational& b) {
  if (b.num_.signum() == 0) throw std::domain_error(std::string(Data::Time::msg::zeroDenominator));
  return fromMpq(toMpq(a) / toMpq(b));
}

std::strong_ordering operator<=>(const Rational& a, const Rational& b) noexcept {
  if (a.den_ == b.den_) return a.num_ <=> b.num_;
  return cmp(toMpq(a), toMpq(b)) <=> 0;
}

Integer truncate(const Rational& r) { return quot(r.numerator(), r.denominator()); }
Integer floor(const Rational& r) { return div(r.numerator(), r.denominator()); }

std::string show(const Rational& r) {
  std::string out = show(r.numerator());
  if (r.denominator() != Integer(1)) {
    out += '/';
    showTo(out, r.denominator());
  }
  return out;
}

std::ostream& operator<<(std::ostream& os, const Rational& r) { return os << show(r); }

}  // namespace Data::Number
