// SPDX-License-Identifier: MIT
// Inverse of the regularised incomplete beta function: first guess by region, at most ten Halley
// steps, and a safeguarded refinement where those steps stop short of the root.
#include "NoContraction.hpp"  // first: no fused multiply-add in this unit, whatever the flags

#include <Numeric/SpecFunctions/Auxiliary.hpp>
#include <Numeric/SpecFunctions/Beta.hpp>
#include <Numeric/SpecFunctions/IncompleteGamma.hpp>
#include <Numeric/SpecFunctions/Internal/Beta.hpp>

#include <Numeric/RootFinding.hpp>
#include <Numeric/Veltro/Constants.hpp>

#include "Messages.hpp"
#include "Numeric/SpecFunctions/BetaDetail.hpp"

#include <cmath>
#include <algorithm>
#include <limits>
#include <utility>

namespace Numeric::SpecFunctions {

using namespace Numeric::Veltro::Constants;

namespace {

// t − (2.30753 + 0.27061·t)/(1 + t·(0.99229 + 0.04481·t)) with t = √(−2 ln p): the upper normal
// quantile of p (a rational approximation).
double normalQuantileUpper(double p) {
  const double t = std::sqrt(-2.0 * std::log(p));
  return t - (2.30753 + 0.27061 * t) / (1.0 + t * (0.99229 + 0.04481 * t));
}

// Temme's coefficients e1, e2, e3 of η = η0 + e1/a + e2/a² + e3/a³ (incomplete-gamma case of his
// asymptotic inversion of the incomplete beta function), polynomials in w = √(1 + μ) and d = η0 − μ.
struct TemmeCoefficients {
  double e1, e2, e3;
};

TemmeCoefficients temmeCoefficients(double w, double d) {
  const double w2 = w * w;
  const double w3 = w2 * w;
  const double w4 = w2 * w2;
  const double w5 = w4 * w;
  const double w6 = w3 * w3;
  const double w7 = w6 * w;
  const double w8 = w4 * w4;
  const double w9 = w8 * w;
  const double w10 = w5 * w5;
  const double d2 = d * d;
  const double d3 = d2 * d;
  const double d4 = d2 * d2;
  const double w1 = w + 1.0;
  const double w12 = w1 * w1;
  const double w13 = w12 * w1;
  const double w14 = w12 * w12;

  double e1 = (w + 2.0) * (w - 1.0) / (3.0 * w);
  e1 += (w3 + 9.0 * w2 + 21.0 * w + 5.0) * d / (36.0 * w2 * w1);
  e1 -= (w4 - 13.0 * w3 + 69.0 * w2 + 167.0 * w + 46.0) * d2 / (1620.0 * w3 * w12);
  e1 -= (7.0 * w5 + 21.0 * w4 + 70.0 * w3 + 26.0 * w2 - 93.0 * w - 31.0) * d3 / (6480.0 * w4 * w13);
  e1 -= (75.0 * w6 + 202.0 * w5 + 188.0 * w4 - 888.0 * w3 - 1345.0 * w2 + 118.0 * w + 138.0) * d4 /
        (272160.0 * w5 * w14);

  double e2 = (28.0 * w4 + 131.0 * w3 + 402.0 * w2 + 581.0 * w + 208.0) * (w - 1.0) /
              (1620.0 * w3 * w1);
  e2 -= (35.0 * w6 - 154.0 * w5 - 623.0 * w4 - 1636.0 * w3 - 3983.0 * w2 - 3514.0 * w - 925.0) * d /
        (12960.0 * w4 * w12);
  e2 -= (2132.0 * w7 + 7915.0 * w6 + 16821.0 * w5 + 35066.0 * w4 + 87490.0 * w3 + 141183.0 * w2 +
         95993.0 * w + 21640.0) *
        d2 / (816480.0 * w5 * w13);
  e2 -= (11053.0 * w8 + 53308.0 * w7 + 117010.0 * w6 + 163924.0 * w5 + 116188.0 * w4 -
         258428.0 * w3 - 677042.0 * w2 - 481940.0 * w - 105497.0) *
        d3 / (14696640.0 * w6 * w14);

  double e3 = -((3592.0 * w7 + 8375.0 * w6 - 1323.0 * w5 - 29198.0 * w4 - 89578.0 * w3 -
                 154413.0 * w2 - 116063.0 * w - 29632.0) *
                (w - 1.0)) /
              (816480.0 * w5 * w12);
  e3 -= (442043.0 * w9 + 2054169.0 * w8 + 3803094.0 * w7 + 3470754.0 * w6 + 2141568.0 * w5 -
         2393568.0 * w4 - 19904934.0 * w3 - 34714674.0 * w2 - 23128299.0 * w - 5253353.0) *
        d / (146966400.0 * w6 * w13);
  e3 -= (116932.0 * w10 + 819281.0 * w9 + 2378172.0 * w8 + 4341330.0 * w7 + 6806004.0 * w6 +
         10622748.0 * w5 + 18739500.0 * w4 + 30651894.0 * w3 + 30869976.0 * w2 + 15431867.0 * w +
         2919016.0) *
        d2 / (146966400.0 * w7 * w14);
  return {e1, e2, e3};
}

// Region 4 (a + b > 5, a/b > 4): I_x(a, b) ≈ Q(b, a·η) for large a; η from Temme's expansion, then
// x from ξ = −ln x − μ·ln(1 − x) by Newton's method in the bracket on the side of x_c = a/(a + b)
// that η selects.
double temmeGammaGuess(double beta, double a, double b, double p) {
  const double mu = b / a;
  const double xc = 1.0 / (1.0 + mu);
  // 1 − p rounds to 1 for p <= 2^-54 and the gamma inverse then gives +∞ (and η NaN). So deep in
  // the lower tail, start from the tail's leading term x^a/(a·B(a, b)) = p instead.
  if (1.0 - p == 1.0) return std::exp((std::log(p * a) + beta) / a);
  const double eta0 = invIncompleteGamma(b, 1.0 - p) / a;
  const double w = std::sqrt(1.0 + mu);
  const double d = eta0 - mu;
  const TemmeCoefficients e = temmeCoefficients(w, d);
  const double eta = eta0 + e.e1 / a + e.e2 / (a * a) + e.e3 / (a * a * a);
  const double xi = eta - mu * std::log(eta) + (1.0 + mu) * std::log(1.0 + mu) - mu;
  const auto f = [xi, mu](double x) {
    return std::pair<double, double>{xi + std::log(x) + mu * std::log(1.0 - x),
                                     1.0 / x - mu / (1.0 - x)};
  };
  const bool upper = mu > eta;
  const double lower = upper ? xc : 0.0;
  const double hi = upper ? 1.0 : xc;
  const double start = (lower + hi) / 2.0;
  const RootFinding::NewtonParam param{50, RootFinding::RelTol(1e-8)};
  const RootFinding::Root<double> root = RootFinding::newtonRaphson(param, lower, start, hi, f);
  // For very large a with p near 1/2, η lies so close to μ that the rounded f loses its sign
  // change at x_c and no root is bracketed; the root is then x_c to within the rounding.
  return RootFinding::fromRoot(xc, root);
}

}  // namespace

double invIncompleteBeta(double p, double q, double a) {
  if (p <= 0.0 || q <= 0.0) Internal::modErr(msg::invIncompleteBetaShapes(p, q, a));
  if (a < 0.0 || a > 1.0) Internal::modErr(msg::invIncompleteBetaRange(p, q, a));
  if (a == 0.0 || a == 1.0) return a;
  return Internal::invIncompleteBetaWorker(logBeta(p, q), p, q, a);
}

namespace Internal {

double invIncBetaGuess(double beta, double a, double b, double p) {
  // Region 1: both shapes below 1; rescaled tails on either side of the inflection point.
  if (a < 1.0 && b < 1.0) {
    const double xInfl = (1.0 - a) / (2.0 - a - b);
    const double pInfl = incompleteBeta_(beta, a, b, xInfl);
    if (p < pInfl) {
      const double xg = std::pow(a * p * std::exp(beta), 1.0 / a);
      return xg / (1.0 + xg);
    }
    const double xg = std::pow(b * (1.0 - p) * std::exp(beta), 1.0 / b);
    return 1.0 - xg / (1.0 + xg);
  }
  // Region 2: both shapes above 1 and small; the tails' leading terms.
  if (a + b <= 6.0 && a > 1.0 && b > 1.0) {
    const double xInfl = (a - 1.0) / (a + b - 2.0);
    const double pInfl = incompleteBeta_(beta, a, b, xInfl);
    if (p < pInfl) return std::exp((std::log(p * a) + beta) / a);
    return 1.0 - std::exp((std::log((1.0 - p) * b) + beta) / b);
  }
  // Region 3.
  if (b < 5.0 && a <= 1.0) {
    if (std::pow(p, 1.0 / a) < 0.5) return std::pow(std::pow(p, a * std::exp(beta)), 1.0 / a);
    return 1.0 - std::pow(1.0 - std::pow(p, b * std::exp(beta)), 1.0 / b);
  }
  // Region 4: the incomplete-gamma case of Temme's asymptotic inversion.
  if (a + b > 5.0 && a / b > 4.0) return temmeGammaGuess(beta, a, b, p);
  // Region 5: normal approximation.
  if (a > 1.0 && b > 1.0) {
    const double y = normalQuantileUpper(p);
    const double s = 1.0 / (2.0 * a - 1.0);
    const double u = 1.0 / (2.0 * b - 1.0);
    const double h = 2.0 / (s + u);
    const double r = (y * y - 3.0) / 6.0;
    const double w = y * std::sqrt(h + r) / h - (u - s) * (r + 0.83333333333333337 - 2.0 / (3.0 * h));
    return a / (a + b * std::exp(2.0 * w));
  }
  // Region 6: chi-square approximation.
  const double v = 1.0 / (9.0 * b);
  const double y = normalQuantileUpper(p);
  const double c = 1.0 - v + y * std::sqrt(v);
  const double chi2 = 2.0 * b * (c * c * c);
  if (chi2 > 0.0) {
    const double t = (4.0 * a + 2.0 * b - 2.0) / chi2;
    if (t > 1.0) return 1.0 - 2.0 / (t + 1.0);
  }
  const double ta = std::exp(a * std::log(a / (a + b))) / a;
  const double tb = std::exp(b * std::log(b / (a + b))) / b;
  const double s = ta + tb;
  if (p < ta / s) return std::pow(a * s * p, 1.0 / a);
  return 1.0 - std::pow(b * s * (1.0 - p), 1.0 / b);
}

double invIncompleteBetaWorker(double beta, double a, double b, double p) {
  const double a1 = a - 1.0;
  const double b1 = b - 1.0;
  const detail::BetaResidual residual(beta, a, b, p);
  double x = invIncBetaGuess(beta, a, b, p);
  for (int i = 0;; ++i) {
    if (x == 0.0 || x == 1.0) break;
    const double fPrime = std::exp(a1 * std::log(x) + b1 * std::log1p(-x) - beta);
    if (std::isinf(fPrime)) break;
    if (i >= 10) break;
    const double f = residual(x);
    const double u = f / fPrime;
    const double d = u * (a1 / x - b1 / (1.0 - x));
    const double corr = d > 1.0 ? 1.0 : d < -1.0 ? -1.0 : std::isnan(d) ? 0.0 : d;
    const double dx = u / (1.0 - 0.5 * corr);
    const double z = x - dx;
    const double next = z < 0.0 ? x / 2.0 : z > 1.0 ? (x + 1.0) / 2.0 : z;
    if (std::abs(dx) <= 16.0 * m_epsilon * x) return next;
    x = next;
  }
  // The Halley steps stopped without meeting their tolerance (the step cap, an end point, or an
  // infinite density). From a far guess that can leave x nowhere near the root: check, and refine.
  return detail::refineInvIncompleteBeta(beta, a, b, p, x);
}

}  // namespace Internal

namespace detail {

namespace {

// A point strictly inside (lo, hi): the arithmetic midpoint when the ends are within a factor 2 of
// each other, else the geometric one (of x near 0, of 1 − x near 1), so that roots of any
// magnitude are reached in a few dozen halvings of the exponent.
double split(double lo, double hi) {
  if (hi <= 0.5 || lo < 0.25) {
    const double l = std::max(lo, std::numeric_limits<double>::denorm_min());
    if (hi > 2.0 * l) return std::exp(0.5 * (std::log(l) + std::log(hi)));
    return lo + 0.5 * (hi - lo);
  }
  const double cl = 1.0 - lo;
  const double ch = std::max(1.0 - hi, 0.25 * m_epsilon);
  if (cl > 2.0 * ch) return 1.0 - std::exp(0.5 * (std::log(cl) + std::log(ch)));
  return lo + 0.5 * (hi - lo);
}

}  // namespace

BetaResidual::BetaResidual(double beta, double a, double b, double p)
    : beta_(beta), a_(a), b_(b), p_(p), upper_(p > 0.99),
      // The rounding of 1 − x costs x about 1/a times what it costs I_x(a, b) (I grows like x^a).
      lossLimit_(documentedLossLimit * std::min(1.0, a)) {}

double BetaResidual::operator()(double x) const {
  checkIncompleteBeta(a_, b_, x);
  if (x == 0.0 || x == 1.0) return x - p_;
  const BetaTail t = incompleteBetaTail(beta_, a_, b_, x, lossLimit_);
  if (upper_) return (1.0 - p_) - (t.upper ? t.value : 1.0 - t.value);
  return probability(t.upper ? 1.0 - t.value : t.value) - p_;
}

double refineInvIncompleteBeta(double beta, double a, double b, double p, double x) {
  if (std::isnan(p) || std::isnan(beta) || std::isnan(a) || std::isnan(b)) return m_NaN;
  const double a1 = a - 1.0;
  const double b1 = b - 1.0;
  const BetaResidual residual(beta, a, b, p);
  // Accept what the steps reached when its residual is at the level of the rounding of I itself
  // (of 1 − I where the residual is formed from it).
  const double tol = 1e-10 * std::min(p, 1.0 - p) + 8.0 * m_epsilon * (residual.upper() ? 1.0 - p : p);
  const double residualAt = (x >= 0.0 && x <= 1.0) ? residual(x) : m_NaN;
  if (std::abs(residualAt) <= tol) return x;

  // I is increasing, I(0) = 0 < p < 1 = I(1): keep a bracket lo < root < hi with its residuals.
  double lo = 0.0, fLo = -p;
  double hi = 1.0, fHi = 1.0 - p;
  if (!(x > 0.0 && x < 1.0)) x = split(lo, hi);
  double dxOld = 1.0;
  for (int n = 0; n < 400; ++n) {
    const double f = residual(x);
    if (f == 0.0) return x;
    if (f < 0.0) {
      lo = x;
      fLo = f;
    } else {
      hi = x;
      fHi = f;
    }
    const double fPrime = std::exp(a1 * std::log(x) + b1 * std::log1p(-x) - beta);
    const double dx = f / fPrime;
    double next = x - dx;
    // Newton where it stays inside the bracket and at least halves the step; bisection otherwise.
    if (!(next > lo && next < hi) || !(2.0 * std::abs(dx) <= std::abs(dxOld))) next = split(lo, hi);
    // No double left between the ends: the root rounds to one of them; take the smaller residual.
    if (!(next > lo && next < hi)) return -fLo <= fHi ? lo : hi;
    if (std::abs(next - x) <= 2.0 * m_epsilon * next) return next;
    dxOld = next - x;
    x = next;
  }
  return x;
}

}  // namespace detail
}  // namespace Numeric::SpecFunctions
