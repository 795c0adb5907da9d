// SPDX-License-Identifier: MIT
// Auxiliary.cpp: digamma, log1pmx, log2, sinc and the failure routine modErr.
#include "NoContraction.hpp"  // first: no fused multiply-add in this unit, whatever the flags

#include <Numeric/SpecFunctions/Auxiliary.hpp>

#include "Messages.hpp"

#include <Numeric/Veltro/Constants.hpp>

#include <array>
#include <cmath>
#include <stdexcept>
#include <string>

namespace Numeric::SpecFunctions {

namespace {
using namespace Numeric::Veltro::Constants;

constexpr double pi = 3.1415926535897931;
constexpr double trigamma1 = 1.6449340668482264;  // psi'(1) = pi^2/6

// x <= 0 is a non-positive integer. Every double of magnitude 2^63 or more is an integer; below
// that the value is compared with its truncation to a 64-bit integer (a cast that is defined there).
bool isNonPositiveInteger(double x)
{
    if (!(x <= 0)) return false;
    if (x <= -0x1p63) return true;
    return static_cast<double>(static_cast<std::int64_t>(x)) == x;
}
} // namespace

double digamma(double x)
{
    if (std::isnan(x) || std::isinf(x)) return m_NaN;
    if (isNonPositiveInteger(x)) return m_neg_inf;
    if (x < 0) return digamma(1 - x) + pi / std::tan(-pi * x);  // reflection
    if (x <= 1e-6) return (-m_eulerMascheroni - 1 / x) + trigamma1 * x;

    // Raise the argument to 12 or more: psi(y) = psi(y + 1) - 1/y.
    double s = 0;
    double y = x;
    while (y < 12) {
        s = s - 1 / y;
        y = y + 1;
    }
    const double t = 1 / y;
    const double c0 = (s + std::log(y)) - 0.5 * t;
    // evaluateEvenPolynomialL(t, [c0, -1/12, 1/120, -1/252, 1/240, -1/132, 391/32760]) written
    // out: Horner's scheme in t^2 from the highest coefficient, one multiplication then one addition
    // per step, exactly as the generic evaluator does (kept in line for speed).
    const double t2 = t * t;
    double r = 0.011935286935286935;
    r = -0.007575757575757576 + r * t2;
    r = 0.0041666666666666666 + r * t2;
    r = -0.003968253968253968 + r * t2;
    r = 0.0083333333333333332 + r * t2;
    r = -0.083333333333333329 + r * t2;
    return c0 + r * t2;
}

namespace {
// 1/k for the terms of the log1pmx series: the same correctly rounded quotients as dividing at run
// time, without a division per term.
constexpr std::size_t reciprocalCount = 1024;
constexpr std::array<double, reciprocalCount> reciprocals = [] {
    std::array<double, reciprocalCount> r{};
    for (std::size_t k = 1; k < reciprocalCount; ++k) r[k] = 1.0 / static_cast<double>(k);
    return r;
}();
} // namespace

double log1pmx(double x)
{
    if (x < -1) msg::fail<std::domain_error>(msg::log1pmxDomain);
    if (x == -1) return m_neg_inf;
    const double ax = std::abs(x);
    if (ax > 0.95) return std::log(1 + x) - x;
    if (ax < m_epsilon) return -(x * x / 2);
    // S = sum (-x)^k / (k + 2), by the power-series rule: stop after adding the first term t with
    // |t / S| < 2^-52 (a NaN quotient stops too, so NaN gives NaN).
    const double mx = -x;
    double sum = 0.5;
    double p = mx;
    std::size_t k = 3;
    for (;;) {
        const double term = p * (k < reciprocalCount ? reciprocals[k] : 1 / static_cast<double>(k));
        if (!(std::abs(term / sum) >= m_epsilon)) {
            sum = sum + term;
            break;
        }
        sum = sum + term;
        p = p * mx;
        ++k;
    }
    return -(x * x * sum);
}

std::int64_t log2(std::int64_t n)
{
    if (n <= 0) Internal::modErr(msg::log2NonPositive(n));
    static constexpr std::array<std::int64_t, 6> b = {0x2, 0xC, 0xF0, 0xFF00, 0xFFFF0000,
                                                      static_cast<std::int64_t>(0xFFFFFFFF00000000ULL)};
    static constexpr std::array<int, 6> S = {1, 2, 4, 8, 16, 32};
    std::int64_t r = 0;
    for (int i = 5; i >= 0; --i) {
        if ((n & b[static_cast<std::size_t>(i)]) != 0) {
            n = n >> S[static_cast<std::size_t>(i)];
            r = r | S[static_cast<std::size_t>(i)];
        }
    }
    return r;
}

double sinc(double x)
{
    const double ax = std::abs(x);
    const double x2 = x * x;
    if (ax < 1.8250120749944284e-08) return 1;
    if (ax < 0.00014284346431400855) return 1 - x2 / 6;
    if (ax < 0.0040436336264309466) return (1 - x2 / 6) + x2 * x2 / 120;
    return std::sin(x) / x;
}

namespace Internal {
void modErr(std::string_view text)
{
    std::string full(msg::specFunctionsPrefix);
    full += text;
    msg::fail<std::domain_error>(full);
}
} // namespace Internal

} // namespace Numeric::SpecFunctions
