// SPDX-License-Identifier: MIT
// IncompleteGamma.cpp: the regularised incomplete gamma function P(a, x) by five methods, and its
// inverse by Halley iteration.
#include "NoContraction.hpp"  // first: no fused multiply-add in this unit, whatever the flags

#include <Numeric/SpecFunctions/IncompleteGamma.hpp>
#include <Numeric/SpecFunctions/Internal/IncompleteGamma.hpp>

#include "Messages.hpp"

#include <Numeric/Series.hpp>
#include <Numeric/SpecFunctions/Auxiliary.hpp>
#include <Numeric/SpecFunctions/LogGamma.hpp>
#include <Numeric/Veltro/Constants.hpp>

#include <math.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace Numeric::SpecFunctions {

namespace Internal {

const std::array<double, 22> tableTemme = {
    1, -0.33333333333333337, 0.083333333333333329, -0.014814814814814815, 0.0011574074074074073,
    0.00035273368606701937, -0.00017875514403292183, 3.9192631785224377e-05, -2.1854485106799924e-06,
    -1.85406221071516e-06, 8.2967113409530855e-07, -1.7665952736826081e-07, 6.7078535434014984e-09,
    1.0261809784240307e-08, -4.3820360184533538e-09, 9.1476995822367902e-10, -2.5514193994946251e-11,
    -5.8307721325504256e-11, 2.4361948020667415e-11, -5.0276692801141763e-12, 1.1004392031956135e-13,
    3.3717632624009851e-13};

} // namespace Internal

namespace {
using namespace Numeric::Veltro::Constants;
using Internal::tableTemme;

constexpr double e = 2.718281828459045;       // exp(1)
constexpr double twoPi = 6.2831853071795862;  // 2 pi

// The quantities of the formulas that depend on a alone, each computed on first use. The inverse
// evaluates P(a, x) for one a at several x and computes each of them once.
class Shape {
public:
    explicit Shape(double a) : a(a) {}
    const double a;

    double logGammaA() { return cached(lgA_, [this] { return logGamma(a); }); }
    double expLogGammaA() { return cached(expLgA_, [this] { return std::exp(logGammaA()); }); }
    double expLogGammaA1() { return cached(expLgA1_, [this] { return std::exp(logGamma(a + 1)); }); }
    double expCorrection() { return cached(expLgc_, [this] { return std::exp(logGammaCorrection(a)); }); }
    double sqrt2PiA() { return cached(sqrt2PiA_, [this] { return std::sqrt(twoPi * a); }); }

private:
    template <class F>
    static double cached(std::pair<bool, double>& slot, F compute)
    {
        if (!slot.first) slot = {true, compute()};
        return slot.second;
    }
    std::pair<bool, double> lgA_{}, expLgA_{}, expLgA1_{}, expLgc_{}, sqrt2PiA_{};
};

double smallX(Shape& s, double x)
{
    const double a = s.a;
    const double lead = (std::pow(x, a) / a) / s.expLogGammaA();
    return lead * (1 - a * x / (a + 1));
}

double seriesP(Shape& s, double x)
{
    const double a = s.a;
    // S = sum_n x^n c_n, c_0 = 1, c_n = c_(n-1) / (a + n), with x^n by repeated multiplication and
    // a + n by repeated addition of 1; stop after adding the first term t with |t / S| < 2^-52.
    // For large a, x^n can overflow while c_n underflows (a = 1e5, x = 6e4): from the first term
    // that is not finite on, the terms are formed by t_n = t_(n-1) x / (a + n) instead.
    double sum = 1;
    double p = x;
    double c = 1;
    double k = a + 1;
    double prev = 1;
    bool recurrence = false;
    for (;;) {
        c = c / k;
        double term = 0;
        if (!recurrence) {
            term = p * c;
            recurrence = !std::isfinite(term);
        }
        if (recurrence) term = prev * x / k;
        if (!(std::abs(term / sum) >= m_epsilon)) {
            sum = sum + term;
            break;
        }
        sum = sum + term;
        p = p * x;
        k = k + 1;
        prev = term;
    }

    double factor;
    if (a < 10) {
        factor = std::pow(x, a) / (std::exp(x) * s.expLogGammaA1());
    } else if (a < 1182.5) {
        factor = std::pow(x * e / a, a) / std::exp(x) / s.sqrt2PiA() / s.expCorrection();
    } else {
        factor = std::pow(x * e / a * std::exp(-x / a), a) / s.sqrt2PiA() / s.expCorrection();
    }
    return sum * factor;
}

double seriesQ(Shape& s, double x)
{
    const double a = s.a;
    // S = sum_n (-x)^n / (n! (a + n)): coefficients (1/n!) / (a + n), with 1/n! by successive
    // division and a + n by repeated addition of 1.
    const double mx = -x;
    double invFact = 1;
    double n = 1;
    double an = a;
    double sum = invFact / an;
    double p = mx;
    for (;;) {
        invFact = invFact / n;
        n = n + 1;
        an = an + 1;
        const double term = p * (invFact / an);
        if (!(std::abs(term / sum) >= m_epsilon)) {
            sum = sum + term;
            break;
        }
        sum = sum + term;
        p = p * mx;
    }
    return sum * std::pow(x, a) / s.expLogGammaA();  // logGammaL is logGamma
}

// Q(a, x) = e^-x x^a / Gamma(a) / (b0 + a1/(b1 + a2/(b2 + ...))) with a_k = k (a - k),
// b_k = (x - a) + 2k + 1, by the continued-fraction evaluator (which also guards against
// fractions that never meet its stopping test).
double contFractionQ(Shape& s, double x)
{
    const double a = s.a;
    const auto frac = Series::Sequence(0.0, [a, x](double k) {
        return std::pair{std::pair{k * (a - k), x - a + 2 * k + 1}, k + 1};
    });
    const double f = Series::evalContFractionB(frac);
    return std::exp(std::log(x) * a - x - s.logGammaA()) / f;
}

// Temme's expansion as P = 0.5 erfc(-eta sqrt(a/2)) - r; returns (-eta sqrt(a/2), r), from which
// Q = 0.5 erfc(eta sqrt(a/2)) + r.
std::pair<double, double> temmeParts(Shape& s, double x)
{
    const double a = s.a;
    const double mu = (x - a) / a;
    const double y = -log1pmx(mu);
    const double sgn = mu > 0 ? 1.0 : mu < 0 ? -1.0 : mu;
    const double eta = std::sqrt(2 * y) * sgn;
    // Clenshaw-like evaluation of S_alpha from f_21 down to f_1.
    double u = 0;
    double bPrev = tableTemme[21];
    double bCur = tableTemme[20];
    for (int i = 19; i >= 1; --i) {
        const double t = tableTemme[static_cast<std::size_t>(i)] + (i + 1) * bPrev / a;
        u = eta * u + t;
        bPrev = bCur;
        bCur = t;
    }
    const double sum = u / s.expCorrection();
    return {-eta * std::sqrt(a / 2), std::exp(-(a * y)) / s.sqrt2PiA() * sum};
}

double temme(Shape& s, double x)
{
    const auto [z, r] = temmeParts(s, x);
    return 0.5 * ::erfc(z) - r;
}

enum class Method { SmallX, SeriesP, SeriesQ, Temme, ContFraction };

// The method for 0 < x < +Infinity (rules 4 to 9; the first that holds decides).
Method choose(double a, double x)
{
    if (x < m_sqrt_eps && a > 1) return Method::SmallX;
    if (x < 0.5) return -0.4 / std::log(x) < a ? Method::SeriesP : Method::SeriesQ;
    if (x < 1.1) return 0.75 * x < a ? Method::SeriesP : Method::SeriesQ;
    const double mu = (x - a) / a;
    const bool useTemme = (a > 200 && 20 / a > mu * mu) || std::abs(mu) < 0.4;
    if (a > 20 && useTemme) return Method::Temme;
    if (x - 1 / (3 * x) < a) return Method::SeriesP;
    return Method::ContFraction;
}

double lowerGamma(Shape& s, double x)
{
    const double a = s.a;
    if (a <= 0 || x < 0) msg::fail<std::domain_error>(msg::incompleteGammaDomain(a, x));
    if (x == 0) return 0;
    if (x == m_pos_inf) return 1;
    switch (choose(a, x)) {
    case Method::SmallX: return smallX(s, x);
    case Method::SeriesP: return seriesP(s, x);
    case Method::SeriesQ: return seriesQ(s, x);
    case Method::Temme: return temme(s, x);
    case Method::ContFraction: break;
    }
    return 1 - contFractionQ(s, x);
}

// Q(a, x) = 1 - P(a, x) for a > 0, x > 0, taken from the methods that compute Q directly (the
// continued fraction and Temme's expansion), so that it keeps its relative accuracy where P is
// close to 1.
double upperGamma(Shape& s, double x)
{
    switch (choose(s.a, x)) {
    case Method::Temme: {
        const auto [z, r] = temmeParts(s, x);
        return 0.5 * ::erfc(-z) + r;
    }
    case Method::ContFraction: return contFractionQ(s, x);
    default: return 1 - lowerGamma(s, x);
    }
}

} // namespace

namespace Internal {

double incompleteGammaSmallX(double a, double x)
{
    Shape s(a);
    return smallX(s, x);
}
double incompleteGammaSeriesP(double a, double x)
{
    Shape s(a);
    return seriesP(s, x);
}
double incompleteGammaSeriesQ(double a, double x)
{
    Shape s(a);
    return seriesQ(s, x);
}
double incompleteGammaContFraction(double a, double x)
{
    Shape s(a);
    return 1 - contFractionQ(s, x);
}
double incompleteGammaTemme(double a, double x)
{
    Shape s(a);
    return temme(s, x);
}

double invIncompleteGammaGuess(double a, double p)
{
    if (a > 1) {
        const double q = p < 0.5 ? p : 1 - p;
        const double t = std::sqrt(-2 * std::log(q));
        const double x1 = (2.30753 + t * 0.27061) / (1 + t * (0.99229 + t * 0.04481)) - t;
        const double x2 = p < 0.5 ? -x1 : x1;
        // The cube is taken with pow (one rounding), not as c*c*c.
        const double c = 1 - 1 / (9 * a) - x2 / (3 * std::sqrt(a));
        return std::max(1e-3, a * std::pow(c, 3.0));
    }
    const double t = 1 - a * (0.253 + a * 0.12);
    if (p < t) return std::pow(p / t, 1 / a);
    return 1 - std::log(1 - (p - t) / (1 - t));
}

} // namespace Internal

double incompleteGamma(double a, double x)
{
    Shape s(a);
    return lowerGamma(s, x);
}

namespace {

// Halley iteration for P(a, x) = p from x, at most maxIter + 1 evaluations of the residual.
// Returns the iterate and whether the step test |dx| < 1e-8 x' (or an infinite derivative, which
// gives 0) ended it. A NaN iterate ends the iteration at once (it would stay NaN).
struct HalleyResult {
    double x;
    bool converged;
};
HalleyResult halley(Shape& s, double p, double x, int maxIter)
{
    const double a = s.a;
    const double a1 = a - 1;
    const double gln = s.logGammaA();
    const double lnA1 = a > 1 ? std::log(a1) : 0;
    const double afac = a > 1 ? std::exp(a1 * (lnA1 - 1) - gln) : 0;
    // Above p = 0.99 the residual P(a, x) - p is formed as (1 - p) - Q(a, x) (1 - p is exact
    // there): P itself rounds to within 2^-53 of 1 and leaves the root undetermined.
    const bool upper = p > 0.99;
    const double q = 1 - p;
    for (int i = 0;; ++i) {
        const double fPrime =
            a > 1 ? afac * std::exp(-(x - a1) + a1 * (std::log(x) - lnA1)) : std::exp(-x + a1 * std::log(x) - gln);
        if (i < maxIter && std::isinf(fPrime)) return {0, true};
        const double f = upper ? q - upperGamma(s, x) : lowerGamma(s, x) - p;
        const double u = f / fPrime;
        const double corr = u * (a1 / x - 1);
        const double capped = 1.0 <= corr ? 1.0 : corr;  // min(1, corr), NaN passing through
        const double dx = u / (1 - 0.5 * capped);
        const double xNext = x < dx ? 0.5 * x : x - dx;  // the iterate never goes below 0
        if (std::isnan(xNext)) return {xNext, false};
        // The step test comes before the cap: an iterate that converges on the last allowed step
        // is the answer, not a reason to start again.
        if (std::abs(dx) < 1e-8 * xNext) return {xNext, true};
        if (i >= maxIter) return {xNext, false};
        x = xNext;
    }
}

} // namespace

double invIncompleteGamma(double a, double p)
{
    if (a <= 0) Internal::modErr(msg::invIncompleteGammaShape(a, p));
    if (p < 0 || p > 1) Internal::modErr(msg::invIncompleteGammaRange(a, p));
    if (p == 0) return 0;
    if (p == 1) return m_pos_inf;

    Shape s(a);
    // At most 13 evaluations from the closed-form guess.
    const HalleyResult first = halley(s, p, Internal::invIncompleteGammaGuess(a, p), 12);
    if (first.converged || std::isnan(p) || std::isnan(a)) return first.x;
    // The thirteenth iterate has not converged: deep in a tail the guess (floored at 0.001 for
    // a > 1) can be many steps from the root, each step at most halving x, and that iterate is then
    // far off or NaN. Start again from the lower-tail form x = (p Gamma(a + 1))^(1/a) of
    // P(a, x) ~ x^a / Gamma(a + 1) (good for small roots); where that fails (large a, where the
    // neglected e^-x matters), continue from the thirteenth iterate.
    const auto usable = [](const HalleyResult& r) { return r.converged && r.x > 0 && std::isfinite(r.x); };
    const double lowGuess = std::exp((std::log(p) + logGamma(a + 1)) / a);
    if (lowGuess > 0 && std::isfinite(lowGuess)) {
        const HalleyResult restart = halley(s, p, lowGuess, 40);
        if (usable(restart)) return restart.x;
    }
    if (first.x > 0 && std::isfinite(first.x)) {
        const HalleyResult more = halley(s, p, first.x, 200);
        if (usable(more)) return more.x;
    }
    return first.x;
}

} // namespace Numeric::SpecFunctions
