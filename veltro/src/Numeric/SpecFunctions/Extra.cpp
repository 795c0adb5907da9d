// SPDX-License-Identifier: MIT
// AS 245 log-gamma and the bd0 deviance term. Every formula is evaluated in the grouping written in
// the comments; the coefficients are the published decimal literals.
#include "NoContraction.hpp"  // first: no fused multiply-add in this unit, whatever the flags

#include <Numeric/SpecFunctions/Extra.hpp>

#include <cmath>
#include <limits>

namespace Numeric::SpecFunctions::Extra {
namespace {

// ln √(2π) as the algorithm publishes it: a shortened literal that differs from the correctly
// rounded constant in the last bits, kept so the routine stays the published one.
constexpr double lnSqrt2PiShort = 0.918938533204673;

// Rational approximation on [0.5, 1.5) (argument 1 + x below 0.5), with factor (x − 1).
double p1(double y) {
  return (((3.13060547623 * y + 11.1667541262) * y - 21.9698958928) * y - 24.4387534237) * y -
         2.66685511495;
}
double q1(double y) {
  return (((y + 15.234687407) * y + 31.4690115749) * y + 11.9400905721) * y + 0.607771387771;
}
// [1.5, 4), with factor (x − 2).
double p2(double x) {
  return (((4.16438922228 * x + 78.6994924154) * x + 137.519416416) * x - 142.046296688) * x -
         78.3359299449;
}
double q2(double x) {
  return (((x + 43.3400022514) * x + 263.505074721) * x + 313.399215894) * x + 47.066876606;
}
// [4, 12).
double p3(double x) {
  return (((-2296.6072978 * x - 40262.1119975) * x + 27464.7644705) * x + 230661.510616) * x -
         212159.572323;
}
double q3(double x) {
  return (((x - 570.691009324) * x - 24235.7409629) * x - 146025.937511) * x - 116328.495004;
}

}  // namespace

double logGammaAS245(double x) {
  if (x <= 0.0) return std::numeric_limits<double>::infinity();
  if (x > 1e308) return std::numeric_limits<double>::infinity();
  if (x < 1.5) {
    if (x < 0.5) {
      const double y = x + 1.0;
      return -std::log(x) + x * p1(y) / q1(y);
    }
    return (x - 1.0) * p1(x) / q1(x);
  }
  if (x < 4.0) return (x - 2.0) * p2(x) / q2(x);
  if (x < 12.0) return p3(x) / q3(x);
  const double lnx = std::log(x);
  // Stirling's formula; the series correction is below the rounding of the result above 3e6.
  const double stirling = x * (lnx - 1.0) - 0.5 * lnx + lnSqrt2PiShort;
  if (x > 3000000.0) return stirling;
  const double r1 = 1.0 / x;
  const double r2 = r1 * r1;
  const double num = (0.0692910599291889 * r2 + 0.4917317610505968) * r2 + 0.279195317918525;
  const double den = (r2 + 6.012459259764103) * r2 + 3.350343815022304;
  return stirling + r1 * num / den;
}

double bd0(double x, double np) {
  if (std::isinf(x) || std::isinf(np) || np == 0.0) return std::numeric_limits<double>::quiet_NaN();
  // NaN would pass the guards above and never meet the series' exact-equality stop.
  if (std::isnan(x) || std::isnan(np)) return std::numeric_limits<double>::quiet_NaN();
  const double d = x - np;
  const double sum = x + np;
  // Near the top of the range x + np (or 2x) overflows: v would be 0 (or the terms infinite) and the
  // series would answer 0 (or ∞). The direct formula has no overflow there.
  if (std::abs(d) >= 0.1 * sum || std::isinf(sum) || std::isinf(2.0 * x)) return x * std::log(x / np) - d;
  const double v = d / sum;
  const double v2 = v * v;
  double s = d * v;
  double ej = 2.0 * x * v * v2;
  // |v| < 0.1, so each term is at most 1% of the previous one: the sum settles within ~20 steps.
  for (double j = 1.0;; j += 1.0) {
    const double next = s + ej / (2.0 * j + 1.0);
    if (next == s || std::isnan(next)) return next;
    s = next;
    ej = ej * v2;
  }
}

}  // namespace Numeric::SpecFunctions::Extra
