// SPDX-License-Identifier: MIT
// Plain.hpp: literal transcriptions of the documented algorithms of the functions where veltro
// trails its fastest peer (digamma, log1pmx, invErf, invErfc, incompleteBeta, invIncompleteBeta),
// with none of veltro's speed work and none of its mends, compiled with the same flags. Timed beside
// veltro and the peers (implementation "plain" in Peers.hpp), they show how much of a gap to a peer
// is the algorithm and how much is the implementation. Only for timing: where the library mends a
// wrong result, these keep it.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

#include <Numeric/Polynomial.hpp>
#include <Numeric/SpecFunctions.hpp>
#include <Numeric/SpecFunctions/Internal.hpp>
#include <Numeric/Veltro/Constants.hpp>

namespace veltro::bench::plain {

namespace sf = Numeric::SpecFunctions;
using namespace Numeric::Veltro::Constants;

inline double digamma(double x)
{
    if (std::isnan(x) || std::isinf(x)) return m_NaN;
    if (x <= 0 && (x <= -0x1p63 || static_cast<double>(static_cast<std::int64_t>(x)) == x)) return m_neg_inf;
    if (x < 0) return digamma(1 - x) + 3.1415926535897931 / std::tan(-3.1415926535897931 * x);
    if (x <= 1e-6) return -m_eulerMascheroni - 1 / x + 1.6449340668482264 * x;
    double s = 0;
    double y = x;
    while (y < 12) {
        s = s - 1 / y;
        y = y + 1;
    }
    const double t = 1 / y;
    return Numeric::Polynomial::evaluateEvenPolynomialL(
        t, {s + std::log(y) - 0.5 * t, -0.083333333333333329, 0.0083333333333333332, -0.003968253968253968,
            0.0041666666666666666, -0.007575757575757576, 0.011935286935286935});
}

inline double log1pmx(double x)
{
    if (x < -1) throw std::domain_error("Domain error");
    if (x == -1) return m_neg_inf;
    if (std::abs(x) > 0.95) return std::log(1 + x) - x;
    if (std::abs(x) < m_epsilon) return -(x * x / 2);
    // S = sum (-x)^k / (k + 2) by the power-series rule: coefficient 1/(k + 2) times (-x)^k.
    double sum = 0.5;
    double power = 1;
    for (double k = 1;; k += 1) {
        power = power * -x;
        const double term = 1 / (k + 2) * power;
        const bool last = !(std::abs(term / sum) >= m_epsilon);
        sum = sum + term;
        if (last) break;
    }
    return -(x * x * sum);
}

inline double guessInvErfc(double p)
{
    const double l = std::log(0.5 * p);
    const double t = std::sqrt(-(l + l));
    return -0.70711 * ((2.30753 + t * 0.27061) / (1 + t * (0.99229 + t * 0.04481)) - t);
}

inline double halleyStep(double err, double x) { return x + err / (m_2_sqrt_pi * std::exp(-x * x) - x * err); }

inline double invErfc(double p)
{
    if (p == 2) return m_neg_inf;
    if (p == 0) return m_pos_inf;
    if (!(p > 0 && p < 2)) throw std::domain_error("invErfc");
    const double pp = p <= 1 ? p : 2 - p;
    const double x0 = guessInvErfc(pp);
    const double x1 = halleyStep(std::erfc(x0) - pp, x0);
    const double x2 = halleyStep(std::erfc(x1) - pp, x1);
    return p <= 1 ? x2 : -x2;
}

inline double invErf(double p)
{
    if (p == 1) return m_pos_inf;
    if (p == -1) return m_neg_inf;
    if (!(p > -1 && p < 1)) throw std::domain_error("invErf");
    const double ap = std::abs(p);
    const double x0 = guessInvErfc(1 - ap);
    const double x1 = halleyStep(ap - std::erf(x0), x0);
    const double x2 = halleyStep(ap - std::erf(x1), x1);
    return p > 0 ? x2 : -x2;
}

inline double incompleteBetaApprox(double beta, double p, double q, double x)
{
    const double p1 = p - 1, q1 = q - 1;
    const double mu = p / (p + q);
    const double lnmu = std::log(mu), lnmuc = std::log1p(-mu);
    const double t = std::sqrt(p * q / ((p + q) * (p + q) * (p + q + 1)));
    const double xu = std::max(0.0, std::min(mu - 10 * t, x - 5 * t));
    double s = 0;
    for (std::size_t i = 0; i < sf::Internal::coefY.size(); ++i) {
        const double y = x + (xu - x) * sf::Internal::coefY[i];
        s = s + sf::Internal::coefW[i] * std::exp(p1 * (std::log(y) - lnmu) + q1 * (std::log(1 - y) - lnmuc));
    }
    const double ans = s * (xu - x) * std::exp(p1 * lnmu + q1 * lnmuc - beta);
    return ans > 0 ? 1 - ans : -ans;
}

inline double incompleteBetaWorker(double beta, double p, double q, double x)
{
    if (p > 3000 && q > 3000) return incompleteBetaApprox(beta, p, q, x);
    const double cx = 1 - x;
    const double prod = std::pow(x, p) * std::pow(cx, q - 1);
    const double factor = beta < m_min_log || prod < m_tiny ? std::exp(p * std::log(x) + (q - 1) * std::log(cx) - beta)
                                                            : prod / std::exp(beta);
    double psq = p + q;
    // The truncation saturates where the value does not fit (it would be undefined).
    const double n0 = q + cx * (p + q);
    std::int64_t ns = n0 < 9.2233720368547758e18 ? (n0 > -9.2233720368547758e18 ? static_cast<std::int64_t>(n0)
                                                                               : std::numeric_limits<std::int64_t>::min())
                                                 : std::numeric_limits<std::int64_t>::max();
    double ai = 1, term = 1, betain = 1;
    // The literal loop has no bound; on some rows it would run for millions of terms. Stopped after
    // 1000, where veltro's own series hands over to its continued fraction.
    for (int n = 0; n < 1000; ++n) {
        const double fact = ns > 0 ? (q - ai) * x / cx : ns == 0 ? (q - ai) * x : psq * x;
        term = term * fact / (p + ai);
        betain = betain + term;
        if (std::abs(term) <= 1e-15 && std::abs(term) <= 1e-15 * betain) break;
        if (ns < 0) psq = psq + 1;
        ns = ns - 1;
        ai = ai + 1;
    }
    return betain * factor / p;
}

inline double incompleteBeta_(double beta, double p, double q, double x)
{
    if (p <= 0 || q <= 0 || x < 0 || x > 1 || std::isnan(x)) throw std::domain_error("incompleteBeta_");
    if (x == 0 || x == 1) return x;
    if (p >= (p + q) * x) return incompleteBetaWorker(beta, p, q, x);
    return 1 - incompleteBetaWorker(beta, q, p, 1 - x);
}

inline double incompleteBeta(double p, double q, double x)
{
    if (p <= 0 || q <= 0 || x < 0 || x > 1 || std::isnan(x)) throw std::domain_error("incompleteBeta_");
    if (x == 0 || x == 1) return x;
    return incompleteBeta_(sf::logBeta(p, q), p, q, x);
}

/// The documented guess (veltro's, itself a transcription) and at most ten Halley steps.
inline double invIncompleteBeta(double a, double b, double p)
{
    if (a <= 0 || b <= 0 || p < 0 || p > 1) throw std::domain_error("invIncompleteBeta");
    if (p == 0 || p == 1) return p;
    const double beta = sf::logBeta(a, b);
    const double a1 = a - 1, b1 = b - 1;
    double x = sf::Internal::invIncBetaGuess(beta, a, b, p);
    for (int i = 0;; ++i) {
        if (x == 0 || x == 1) return x;
        const double fPrime = std::exp(a1 * std::log(x) + b1 * std::log1p(-x) - beta);
        if (std::isinf(fPrime) || i >= 10) return x;
        const double u = (incompleteBeta_(beta, a, b, x) - p) / fPrime;
        const double d = u * (a1 / x - b1 / (1 - x));
        const double corr = d > 1 ? 1 : d < -1 ? -1 : std::isnan(d) ? 0 : d;
        const double dx = u / (1 - 0.5 * corr);
        const double z = x - dx;
        const double next = z < 0 ? x / 2 : z > 1 ? (x + 1) / 2 : z;
        if (std::abs(dx) <= 16 * m_epsilon * x) return next;
        x = next;
    }
}

} // namespace veltro::bench::plain
