// SPDX-License-Identifier: MIT
// ln Gamma and its pieces: rational approximations on [1, 3), the downward recurrence below 15,
// the Lanczos sum from 15 on, and the Stirling corrections.
#include "NoContraction.hpp"  // first: no fused multiply-add in this unit, whatever the flags

#include <Numeric/SpecFunctions/LogGamma.hpp>
#include <Numeric/SpecFunctions/Internal/LogGamma.hpp>

#include <cmath>
#include <span>
#include <stdexcept>

#include <Numeric/Polynomial.hpp>
#include <Numeric/Polynomial/Chebyshev.hpp>
#include <Numeric/Veltro/Constants.hpp>

#include "Messages.hpp"

namespace Numeric::SpecFunctions {

using namespace Numeric::Veltro::Constants;

namespace Internal {

namespace {

// Offsets of the three rational forms, exact binary fractions.
constexpr double yLogGamma_1_15 = 0.52815341949462890625;
constexpr double yLogGamma_15_2 = 0.452017307281494140625;
constexpr double yLogGamma_2_3 = 0.158963680267333984375;
// Lanczos shift g.
constexpr double lanczosG = 6.024680040776729583740234375;

static_assert(yLogGamma_1_15 == 0x1.0e6a2p-1 && yLogGamma_15_2 == 0x1.cedda0p-2);
static_assert(yLogGamma_2_3 == 0x1.458ecp-3 && lanczosG == 0x1.81945b98p+2);

// Local copies of the tables (internal linkage, so the compiler reads them as constants).
constexpr auto p1_15 = tableLogGamma_1_15P;
constexpr auto q1_15 = tableLogGamma_1_15Q;
constexpr auto p15_2 = tableLogGamma_15_2P;
constexpr auto q15_2 = tableLogGamma_15_2Q;
constexpr auto p2_3 = tableLogGamma_2_3P;
constexpr auto q2_3 = tableLogGamma_2_3Q;
constexpr auto lanczosA = tableLanczosNumerator;
constexpr auto lanczosB = tableLanczosDenominator;

// Horner's scheme exactly as evaluatePolynomial (r = c[i] + r*x from the top), unrolled for a
// fixed table so that the numerator and denominator chains interleave.
template <std::size_t N>
[[gnu::always_inline]] inline double horner(double x, const std::array<double, N>& c)
{
    double r = c[N - 1];
    for (std::size_t i = N - 1; i-- > 0;) r = c[i] + r * x;
    return r;
}

[[gnu::always_inline]] inline double rational1_15(double zm1, double zm2)
{
    const double r = zm1 * zm2;
    const double p = horner(zm1, p1_15);
    const double q = horner(zm1, q1_15);
    return r * yLogGamma_1_15 + r * (p / q);
}

[[gnu::always_inline]] inline double rational15_2(double zm1, double zm2)
{
    const double r = zm1 * zm2;
    const double at = -zm2;
    const double p = horner(at, p15_2);
    const double q = horner(at, q15_2);
    return r * yLogGamma_15_2 + r * (p / q);
}

[[gnu::always_inline]] inline double rational2_3(double z)
{
    const double zm2 = z - 2.0;
    const double r = zm2 * (z + 1.0);
    const double p = horner(zm2, p2_3);
    const double q = horner(zm2, q2_3);
    return r * yLogGamma_2_3 + r * (p / q);
}

// ln Gamma(z) for 2 <= z < 15: one logarithm per unit step down to [2, 3).
inline double recurrenceSmall(double z)
{
    double acc = 0.0;
    while (z >= 3.0) {
        z = z - 1.0;
        acc = acc + std::log(z);
    }
    return rational2_3(z) + acc;
}

// From 2^62 on, 1/x is so small that every step of the reciprocal fold of the Lanczos ratio
// rounds back to the next coefficient (the largest a[i-1] / (ulp(a[i]) / 2) over both tables is
// 1.18e18 < 2^62), so the fold ends at a[12] / b[12] = a[12] exactly; its logarithm is taken once.
constexpr double lanczosFoldFixedFrom = 0x1p62;
static_assert(lanczosB[12] == 1.0);

double logLanczosTail()
{
    static const double value = std::log(lanczosA[12]);
    return value;
}

inline double lanczosRatio(double x)
{
    L acc{0.0, 0.0};
    if (x > 1.0) {
        // The fold's first steps are exact and known: with 0 < rx < 1 (or rx = 0), 0*rx + a[0] is
        // a[0], and since b[0] = 0 the denominator is 0 after one step and b[1] after two. Starting
        // there shortens the dependent chain without changing a bit.
        static_assert(lanczosB[0] == 0.0);
        const double rx = 1.0 / x;
        double num = lanczosA[0];
        double den = lanczosB[1];
        num = num * rx + lanczosA[1];
        for (std::size_t i = 2; i < lanczosA.size(); ++i) {
            num = num * rx + lanczosA[i];
            den = den * rx + lanczosB[i];
        }
        acc = L{num, den};
    } else {
        for (std::size_t i = lanczosA.size(); i-- > 0;) {
            acc = L{acc.num * x + lanczosA[i], acc.den * x + lanczosB[i]};
        }
    }
    return acc.num / acc.den;
}

inline double lanczos(double z)
{
    const double l = std::log((z + lanczosG) - 0.5);
    const double logRatio = z >= lanczosFoldFixedFrom ? logLanczosTail() : std::log(lanczosRatio(z));
    return (l - 1.0) * (z - 0.5) + logRatio;
}

} // namespace

double lgamma1_15(double zm1, double zm2)
{
    return rational1_15(zm1, zm2);
}

double lgamma15_2(double zm1, double zm2)
{
    return rational15_2(zm1, zm2);
}

double lgamma2_3(double z)
{
    return rational2_3(z);
}

double lgammaSmall(double z)
{
    // The recurrence steps down one unit per logarithm: from 15 up, at +Infinity (and at huge z,
    // where z - 1 == z) it would not end in reasonable time, so those go to the Lanczos sum.
    if (z >= 15.0) return lanczos(z);
    return recurrenceSmall(z);
}

double lanczosApprox(double z)
{
    return lanczos(z);
}

double evalRatio(CoefficientPairs table, double x)
{
    const std::span<const double> a = table.numerator;
    const std::span<const double> b = table.denominator;
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    L acc{0.0, 0.0};
    if (x > 1.0) {
        const double rx = 1.0 / x;
        for (std::size_t i = 0; i < n; ++i) {
            acc = L{acc.num * rx + a[i], acc.den * rx + b[i]};
        }
    } else {
        for (std::size_t i = n; i-- > 0;) {
            acc = L{acc.num * x + a[i], acc.den * x + b[i]};
        }
    }
    return acc.num / acc.den;
}

} // namespace Internal

double logGamma(double x)
{
    using namespace Internal;
    if (x <= 0.0) return m_pos_inf;
    if (x < m_sqrt_eps) return std::log(1.0 / x - m_eulerMascheroni);
    if (x < 0.5) return rational1_15(x, x - 1.0) - std::log(x);
    if (x < 1.0) return rational15_2(x, x - 1.0) - std::log(x);
    if (x <= 1.5) return rational1_15(x - 1.0, x - 2.0);
    if (x < 2.0) return rational15_2(x - 1.0, x - 2.0);
    if (x < 15.0) return recurrenceSmall(x);
    return lanczos(x);
}

double logGammaL(double x)
{
    return logGamma(x);
}

double logGammaCorrection(double x)
{
    if (x < 10.0) return m_NaN;
    if (x < 94906265.624251559) {
        const double t = 10.0 / x;
        const double arg = t * t * 2.0 - 1.0;
        return Numeric::Polynomial::Chebyshev::chebyshevBroucke(
                   arg, std::span<const double>(Internal::tableLogGammaCorrection)) /
               x;
    }
    return 1.0 / (x * 12.0);
}

double stirlingError(double n)
{
    using Internal::tableStirlingSeries;
    using Numeric::Polynomial::evaluateOddPolynomialL;
    const double s0 = tableStirlingSeries[0];
    const double s1 = tableStirlingSeries[1];
    const double s2 = tableStirlingSeries[2];
    const double s3 = tableStirlingSeries[3];
    const double s4 = tableStirlingSeries[4];
    if (n <= 15.0) {
        const double nn = n + n;
        if (nn - std::trunc(nn) == 0.0) {
            // nn is a whole number in [-inf, 30]; only 0..30 have entries.
            if (nn < 0.0) msg::fail<std::out_of_range>(msg::stirlingErrorIndex);
            return Internal::tableStirlingError[static_cast<std::size_t>(nn)];
        }
        return logGamma(n + 1.0) - (n + 0.5) * std::log(n) + n - m_ln_sqrt_2_pi;
    }
    const double rn = 1.0 / n;
    if (n > 500.0) return evaluateOddPolynomialL<double>(rn, {s0, -s1});
    if (n > 80.0) return evaluateOddPolynomialL<double>(rn, {s0, -s1, s2});
    if (n > 35.0) return evaluateOddPolynomialL<double>(rn, {s0, -s1, s2, -s3});
    return evaluateOddPolynomialL<double>(rn, {s0, -s1, s2, -s3, s4});
}

} // namespace Numeric::SpecFunctions
