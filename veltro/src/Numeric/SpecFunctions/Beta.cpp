// SPDX-License-Identifier: MIT
// Log-beta, the regularised incomplete beta function and its inverse.
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

namespace {

void checkIncompleteBeta(double p, double q, double x) {
  if (p <= 0.0 || q <= 0.0) Internal::modErr(msg::incompleteBetaShapes(p, q, x));
  if (x < 0.0 || x > 1.0 || std::isnan(x)) Internal::modErr(msg::incompleteBetaRange(p, q, x));
}

}  // namespace

double incompleteBeta_(double beta, double p, double q, double x) {
  checkIncompleteBeta(p, q, x);
  if (x == 0.0 || x == 1.0) return x;
  if (p >= (p + q) * x) return Internal::incompleteBetaWorker(beta, p, q, x);
  return 1.0 - Internal::incompleteBetaWorker(beta, q, p, 1.0 - x);
}

double incompleteBeta(double p, double q, double x) {
  // The checks and the end points come before ln B(p, q), which they do not need.
  checkIncompleteBeta(p, q, x);
  if (x == 0.0 || x == 1.0) return x;
  return incompleteBeta_(logBeta(p, q), p, q, x);
}

namespace Internal {

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

}  // namespace

double incompleteBetaWorker(double beta, double p, double q, double x) {
  if (std::isnan(beta) || std::isnan(p) || std::isnan(q) || std::isnan(x)) return m_NaN;
  if (p > 3000.0 && q > 3000.0) return incompleteBetaApprox(beta, p, q, x);
  const double cx = 1.0 - x;
  // Prefactor x^p·cx^(q−1)/B(p, q), through logarithms where the product or 1/B underflows.
  const double prod = std::pow(x, p) * std::pow(cx, q - 1.0);
  const double factor = (beta < m_min_log || prod < m_tiny)
                            ? std::exp(p * std::log(x) + (q - 1.0) * std::log(cx) - beta)
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
      const double logLast = std::log(std::abs(term)) + left * std::log(x) + logGamma(psq + left) -
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
  if (x <= (p + 1.0) / (p + q + 2.0)) return detail::incompleteBetaContinuedFraction(beta, p, q, x);
  return 1.0 - detail::incompleteBetaContinuedFraction(beta, q, p, cx);
}

double incompleteBetaApprox(double beta, double p, double q, double x) {
  const double p1 = p - 1.0;
  const double q1 = q - 1.0;
  const double mu = p / (p + q);
  const double lnmu = std::log(mu);
  const double lnmuc = std::log1p(-mu);
  const double t = std::sqrt(p * q / ((p + q) * (p + q) * (p + q + 1.0)));
  const double xu = std::max(0.0, std::min(mu - 10.0 * t, x - 5.0 * t));
  double s = 0.0;
  for (std::size_t i = 0; i < coefY.size(); ++i) {
    const double y = x + (xu - x) * coefY[i];
    s = s + coefW[i] * std::exp(p1 * (std::log(y) - lnmu) + q1 * (std::log(1.0 - y) - lnmuc));
  }
  const double ans = s * (xu - x) * std::exp(p1 * lnmu + q1 * lnmuc - beta);
  return ans > 0.0 ? 1.0 - ans : -ans;
}

}  // namespace Internal

namespace detail {

double incompleteBetaContinuedFraction(double beta, double p, double q, double x) {
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
  const double front = std::exp(p * std::log(x) + q * std::log1p(-x) - beta) / p;
  return front / f;
}

}  // namespace detail
}  // namespace Numeric::SpecFunctions
