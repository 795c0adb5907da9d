// SPDX-License-Identifier: MIT
// Log-beta, the regularised incomplete beta function and its inverse.
#include "NoContraction.hpp"  // first: no fused multiply-add in this unit, whatever the flags

#include <Numeric/SpecFunctions/Beta.hpp>
#include <Numeric/SpecFunctions/Internal/Beta.hpp>

#include <Numeric/SpecFunctions/Auxiliary.hpp>
#include <Numeric/SpecFunctions/LogGamma.hpp>
#include <Numeric/Veltro/Constants.hpp>

#include "Messages.hpp"
#include "Numeric/SpecFunctions/BetaDetail.hpp"

#include <cmath>
#include <cstdint>
#include <algorithm>
#include <limits>

namespace Numeric::SpecFunctions {

using namespace Numeric::Veltro::Constants;

double logBeta(double a, double b) {
  const double p = b >= a ? a : b;
  const double q = b >= a ? b : a;
  const double pq = p + q;
  const double ppq = p / pq;
  if (p < 0.0) return m_NaN;
  if (p == 0.0) return m_pos_inf;
  if (p >= 10.0) {
    // Both large: Stirling's formula with the corrections C = logGammaCorrection.
    return -0.5 * std::log(q) + m_ln_sqrt_2_pi + logGammaCorrection(p) +
           (logGammaCorrection(q) - logGammaCorrection(pq)) + (p - 0.5) * std::log(ppq) +
           q * std::log1p(-ppq);
  }
  if (q >= 10.0) {
    // Only q large.
    return logGamma(p) + (logGammaCorrection(q) - logGammaCorrection(pq)) + p - p * std::log(pq) +
           (q - 0.5) * std::log1p(-ppq);
  }
  return logGamma(p) + (logGamma(q) - logGamma(pq));
}

double incompleteBeta_(double beta, double p, double q, double x) {
  detail::checkIncompleteBeta(p, q, x);
  if (x == 0.0 || x == 1.0) return x;
  const detail::BetaTail t = detail::incompleteBetaTail(beta, p, q, x, detail::documentedLossLimit);
  return detail::probability(t.upper ? 1.0 - t.value : t.value);
}

double incompleteBeta(double p, double q, double x) {
  // The checks and the end points come before ln B(p, q), which they do not need.
  detail::checkIncompleteBeta(p, q, x);
  if (x == 0.0 || x == 1.0) return x;
  return incompleteBeta_(logBeta(p, q), p, q, x);
}

namespace {

// Soper's expansion normally settles within a few hundred terms; past this many it is crawling
// (a huge p with a small q near the mean, where the terms shrink by a factor 1 − 1e-8 per step).
constexpr int soperMaxTerms = 1000;

// Truncation of q + cx·(p + q) to a 64-bit integer, saturated instead of undefined where the value
// does not fit (huge shapes).
std::int64_t termCount(double v) {
  if (!(v < 9.2233720368547758e18)) return std::numeric_limits<std::int64_t>::max();
  if (!(v > -9.2233720368547758e18)) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(v);
}

// The point x of I_x(p, q) with its complement cx. In the documented formulas cx is 1 − x rounded
// and x^p, cx^(q−1) are two pow calls. Where that rounding costs too much (huge shapes), `paired`
// is set: x and cx are then the exact point and its exact complement as far as the larger of the
// two matters, and every power and logarithm of the one above 1/2 (whose rounding the power would
// amplify) is formed from the other through log1p.
struct Point {
  double x, cx;
  bool paired;
  double logX() const { return paired && x > 0.5 ? std::log1p(-cx) : std::log(x); }
  double logCx() const { return paired && cx > 0.5 ? std::log1p(-x) : std::log(cx); }
  double powX(double e) const { return paired && x > 0.5 ? std::exp(e * std::log1p(-cx)) : std::pow(x, e); }
  double powCx(double e) const { return paired && cx > 0.5 ? std::exp(e * std::log1p(-x)) : std::pow(cx, e); }
};

// Soper's expansion of I_x(p, q), x <= p/(p + q) or wherever its terms settle; the continued
// fraction where they would not within soperMaxTerms.
double soper(double beta, double p, double q, const Point& pt) {
  const double x = pt.x;
  const double cx = pt.cx;
  // Prefactor x^p·cx^(q−1)/B(p, q), through logarithms where the product or 1/B underflows.
  const double prod = pt.powX(p) * pt.powCx(q - 1.0);
  const double factor = (beta < m_min_log || prod < m_tiny)
                            ? std::exp(p * pt.logX() + (q - 1.0) * pt.logCx() - beta)
                            : prod / std::exp(beta);
  double psq = p + q;
  std::int64_t ns = termCount(q + cx * (p + q));
  double ai = 1.0;
  double term = 1.0;
  double betain = 1.0;
  bool tailChecked = false;
  for (int n = 0; n < soperMaxTerms; ++n) {
    if (ns < 0 && n >= 64 && !tailChecked) {
      // Still going after 64 terms and in the tail, where each term is the last times
      // x·(psq + k)/(p + ai + k), k = 0, 1, …: after the N terms the budget leaves, the term is
      // term·x^N·Γ(psq + N)Γ(p + ai)/(Γ(psq)Γ(p + ai + N)). If that is still far above the 1e-15
      // the stop needs, the series would only run out of its budget: go to the continued
      // fraction now (the same result, without the wasted terms).
      tailChecked = true;
      const double left = static_cast<double>(soperMaxTerms - n);
      const double logLast = std::log(std::abs(term)) + left * pt.logX() + logGamma(psq + left) -
                             logGamma(psq) + logGamma(p + ai) - logGamma(p + ai + left);
      if (logLast > std::log(1e-13)) break;
    }
    const double fact = ns > 0 ? (q - ai) * x / cx : ns == 0 ? (q - ai) * x : psq * x;
    term = term * fact / (p + ai);
    betain = betain + term;
    if (std::abs(term) <= 1e-15 && std::abs(term) <= 1e-15 * betain) return betain * factor / p;
    if (std::isnan(term)) return m_NaN;
    if (ns < 0) psq = psq + 1.0;
    ns = ns - 1;
    ai = ai + 1.0;
  }
  // The fraction converges fast below (p + 1)/(p + q + 2); above it (possible when p > q), its
  // mirror image for I_{1−x}(q, p) does, and 1 − x is exact there (x > 1/2).
  // The documented fraction takes ln of its point and log1p of its negation.
  if (x <= (p + 1.0) / (p + q + 2.0)) {
    return detail::incompleteBetaContinuedFraction(beta, p, q, x, pt.paired ? pt.logX() : std::log(x),
                                                   pt.paired ? pt.logCx() : std::log1p(-x));
  }
  return 1.0 - detail::incompleteBetaContinuedFraction(beta, q, p, cx, pt.paired ? pt.logCx() : std::log(cx),
                                                       pt.paired ? pt.logX() : std::log1p(-cx));
}

// The quadrature's frame: the shapes less one, the mean mu with ln mu and ln(1 − mu), and the
// width t of the integrand around the mean.
struct Quadrature {
  double p1, q1, mu, lnmu, lnmuc, t;
  Quadrature(double p, double q)
      : p1(p - 1.0), q1(q - 1.0), mu(p / (p + q)), lnmu(std::log(mu)), lnmuc(std::log1p(-mu)),
        t(std::sqrt(p * q / ((p + q) * (p + q) * (p + q + 1.0)))) {}

  // The 18-point Gauss–Legendre sum of the integrand y^(p−1)(1−y)^(q−1), scaled by its value at
  // the mean, over the nodes from `from` towards `to`; ln(1 − y) of a node y is log1p(−y) when
  // `log1pNodes` (nodes near 0 whose complement must not round), ln(1.0 − y) otherwise.
  double sum(double from, double to, bool log1pNodes) const {
    double s = 0.0;
    for (std::size_t i = 0; i < Internal::coefY.size(); ++i) {
      const double y = from + (to - from) * Internal::coefY[i];
      const double lny1 = log1pNodes ? std::log1p(-y) : std::log(1.0 - y);
      s = s + Internal::coefW[i] * std::exp(p1 * (std::log(y) - lnmu) + q1 * (lny1 - lnmuc));
    }
    return s;
  }

  // The integrand's value at the mean over B(p, q).
  double scale(double beta) const { return std::exp(p1 * lnmu + q1 * lnmuc - beta); }
};

// The quadrature where 1 − y would round away the digits that the power q − 1 needs (x below 1/2,
// huge q): I_x(p, q) integrated from the left tail up to x when x is below the mean, else
// 1 − I_x(p, q) from x up to the right tail, always in x itself (never in 1 − x).
detail::BetaTail pairedQuadrature(double beta, double p, double q, double x) {
  const Quadrature g(p, q);
  if (x <= g.mu) {
    const double xu = std::max(0.0, std::min(g.mu - 10.0 * g.t, x - 5.0 * g.t));
    return {detail::probability(g.sum(x, xu, true) * (x - xu) * g.scale(beta)), false};
  }
  const double xu = std::min(1.0, std::max(g.mu + 10.0 * g.t, x + 5.0 * g.t));
  return {detail::probability(g.sum(x, xu, true) * (xu - x) * g.scale(beta)), true};
}

// A bound on the relative error that rounding 1 − x (or, in the quadrature, 1 − y at its nodes)
// causes in the documented formula for the tail it computes: the powers amplify it by the shapes.
// 1 − x is exact from x = 1/2 on, and below it rounds by at most min(x, 2^-54).
double complementLoss(double p, double q, double x, double y, bool lower) {
  if (p > 3000.0 && q > 3000.0) return (p + q) * 0x1p-54;
  if (!(x < 0.5)) return 0.0;
  const double e = std::min(x, 0x1p-54);
  // Lower tail: cx^(q−1) with cx = 1 − x rounded. Upper tail, I_y(q, p) with y = 1 − x rounded:
  // y^q, and (1 − y)^(p−1) where 1 − y is x plus the rounding error.
  return lower ? std::abs(q - 1.0) * e / y : (q / y + std::abs(p - 1.0) / x) * e;
}

}  // namespace

namespace detail {

void checkIncompleteBeta(double p, double q, double x) {
  if (p <= 0.0 || q <= 0.0) Internal::modErr(msg::incompleteBetaShapes(p, q, x));
  if (x < 0.0 || x > 1.0 || std::isnan(x)) Internal::modErr(msg::incompleteBetaRange(p, q, x));
}

BetaTail incompleteBetaTail(double beta, double p, double q, double x, double lossLimit) {
  const double y = 1.0 - x;
  const bool lower = p >= (p + q) * x;
  // The documented evaluation wherever its own error from the rounded complement is below the
  // limit (NaN included): the same bits as always.
  if (!(complementLoss(p, q, x, y, lower) > lossLimit)) {
    if (lower) return {Internal::incompleteBetaWorker(beta, p, q, x), false};
    return {Internal::incompleteBetaWorker(beta, q, p, y), true};
  }
  if (p > 3000.0 && q > 3000.0) return pairedQuadrature(beta, p, q, x);
  // Here x < 1/2 and q is huge. Above the mean the upper tail I_{1−x}(q, p) is computed directly
  // (1 − x keeps x as its exact complement) where its evaluation holds its digits: its series
  // settles before it starts crawling once q·x/(1 − x) >= 20 (its terms shrink by about i/(q·x)),
  // and the continued fraction that takes over where it crawls loses 2^-52/x relative, so it serves
  // from x = 2^-52·10^12 on. Elsewhere Soper's series runs on x itself, where its terms grow by
  // about q·x/((1 − x)(p + i)) and settle within a few hundred steps without overflow.
  if (!lower && (q * x >= 20.0 * y || x >= 0x1p-52 * 1e12)) return {probability(soper(beta, q, p, {y, x, true})), true};
  return {probability(soper(beta, p, q, {x, y, true})), false};
}

}  // namespace detail

namespace Internal {

double incompleteBetaWorker(double beta, double p, double q, double x) {
  if (std::isnan(beta) || std::isnan(p) || std::isnan(q) || std::isnan(x)) return m_NaN;
  if (p > 3000.0 && q > 3000.0) return incompleteBetaApprox(beta, p, q, x);
  return soper(beta, p, q, {x, 1.0 - x, false});
}

double incompleteBetaApprox(double beta, double p, double q, double x) {
  const Quadrature g(p, q);
  const double xu = std::max(0.0, std::min(g.mu - 10.0 * g.t, x - 5.0 * g.t));
  const double ans = g.sum(x, xu, false) * (xu - x) * g.scale(beta);
  return ans > 0.0 ? 1.0 - ans : -ans;
}

}  // namespace Internal

namespace detail {

double incompleteBetaContinuedFraction(double beta, double p, double q, double x, double lnx, double lncx) {
  // I_x(p, q) = x^p (1−x)^q / (p B(p, q)) · 1/(1 + d1/(1 + d2/(1 + …))) with
  // d_2m = m(q − m)x / ((p + 2m − 1)(p + 2m)), d_2m+1 = −(p + m)(p + q + m)x / ((p + 2m)(p + 2m + 1)),
  // by the modified Lentz method. It converges quickly for x below (p + 1)/(p + q + 2), which the
  // worker's x <= p/(p + q) satisfies up to a sliver when p > q. The even terms can be tiny (about
  // q/p² for huge p) while the odd ones are not, so the stop looks at both steps of a pair.
  constexpr double tiny = 1e-300;
  double f = 1.0;
  double c = 1.0;
  double d = 0.0;
  const auto step = [&](double dj) {
    d = 1.0 + dj * d;
    if (d == 0.0) d = tiny;
    c = 1.0 + dj / c;
    if (c == 0.0) c = tiny;
    d = 1.0 / d;
    const double delta = c * d;
    f = f * delta;
    return delta;
  };
  step(-p * (p + q) * x / (p * (p + 1.0)));
  for (double m = 1.0; m <= 100000.0; m += 1.0) {
    const double even = step(m * (q - m) * x / ((p + 2.0 * m - 1.0) * (p + 2.0 * m)));
    const double odd = step(-(p + m) * (p + q + m) * x / ((p + 2.0 * m) * (p + 2.0 * m + 1.0)));
    if (std::abs(even - 1.0) < 1e-15 && std::abs(odd - 1.0) < 1e-15) break;
    if (std::isnan(f)) return m_NaN;
  }
  const double front = std::exp(p * lnx + q * lncx - beta) / p;
  return front / f;
}

}  // namespace detail
}  // namespace Numeric::SpecFunctions
