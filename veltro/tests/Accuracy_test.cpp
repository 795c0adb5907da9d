// SPDX-License-Identifier: MIT
// Accuracy against MPFR on fixed-seed points in every branch: logGamma, logGammaCorrection,
// stirlingError, digamma, log1pmx, incompleteGamma (every method, on both sides of each switching
// condition), invIncompleteGamma, invErf and invErfc. The inverses are checked against roots refined
// by Newton steps in 320-bit arithmetic. Bounds are what the algorithms achieve, with a little room,
// so a mistyped coefficient or a reordered formula fails; the printed figures are those of
// docs/accuracy.
#include <gtest/gtest.h>

#include <mpfr.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include <Numeric/SpecFunctions.hpp>

#include "Mpfr.hpp"

namespace {

using namespace Numeric::SpecFunctions;
using veltro::test::expectWithin;
using veltro::test::logUniform;
using veltro::test::uniform;
using veltro::test::UlpStats;

struct Region { const char* name; std::vector<double> xs; std::uint64_t maxUlp; double medianUlp; };

template <class F, class Ref>
void check(const char* fn, const std::vector<Region>& regions, F f, Ref ref)
{
    for (const Region& r : regions) {
        UlpStats st;
        for (const double x : r.xs) st.add(x, f(x), ref(x));
        expectWithin(st, std::string(fn) + " " + r.name, r.maxUlp, r.medianUlp);
    }
}

// Points c*(1 +- r) with r log-uniform in [lo, w): both sides of a boundary or a zero c.
std::vector<double> around(double c, double w, std::size_t n, std::uint64_t seed, double lo = 1e-10)
{
    std::vector<double> r = logUniform(lo, w, n, seed);
    for (std::size_t i = 0; i < r.size(); ++i) r[i] = c * (i % 2 == 0 ? 1 + r[i] : 1 - r[i]);
    return r;
}

TEST(Accuracy, LogGammaFamilyInEveryBranch)
{
    check("logGamma",
          {{"tiny (0, 2^-26)", logUniform(1e-300, 0x1p-26, 300, 1), 1, 0.5},
           {"[2^-26, 0.5)", logUniform(0x1p-26, 0.5, 400, 2), 2, 0.5},
           {"[0.5, 1)", uniform(0.5, 1.0, 400, 3), 3, 0.5},
           {"[1, 1.5]", uniform(1.0, 1.5, 400, 4), 2, 0.5},
           {"(1.5, 2)", uniform(1.5, 2.0, 400, 5), 2, 0.5},
           {"beside 1", around(1.0, 0.05, 200, 6, 1e-12), 3, 0.5},  // where ln Gamma crosses zero
           {"beside 2", around(2.0, 0.025, 200, 7, 5e-13), 3, 0.5},
           {"[2, 3)", uniform(2.0, 3.0, 300, 8), 2, 0.5},
           {"[3, 15)", uniform(3.0, 15.0, 400, 9), 3, 0.5},
           {"[15, 1e3)", logUniform(15.0, 1e3, 300, 10), 3, 0.5},
           {"[1e3, 1e300)", logUniform(1e3, 1e300, 300, 11), 2, 0.5}},
          logGamma, veltro::test::lngamma);
    check("logGammaCorrection",
          {{"[10, 94906265.6)", logUniform(10.0, 94906265.0, 600, 12), 3, 0.5},
           {"[94906265.6, 1e15)", logUniform(94906266.0, 1e15, 200, 13), 2, 0.5}},
          logGammaCorrection, [](double x) { return veltro::test::stirlingRef(x, 0.0); });
    std::vector<double> halves;
    for (int k = 1; k <= 30; ++k) halves.push_back(k / 2.0);
    check("stirlingError",
          {{"half-integers", halves, 0, 0},
           // Below 15 the formula subtracts nearly equal terms: the error grows with n.
           {"(0, 15] other", uniform(0.01, 15.0, 400, 14), 16000, 600},
           // Above 15 the truncated series dominates right after each switch (15, 35, 80, 500).
           {"(15, 35]", uniform(15.0, 35.0, 200, 15), 300, 1.5},
           {"(35, 80]", uniform(35.0, 80.0, 200, 16), 32, 1.5},
           {"(80, 500]", uniform(80.0, 500.0, 200, 17), 200, 1.5},
           {"(500, 1e10)", logUniform(500.0, 1e10, 200, 18), 1000, 0.5}},
          stirlingError, [](double n) { return veltro::test::stirlingRef(n, 1.0); });
}

// References at 512 bits.
using M = veltro::test::Mpfr;
constexpr mpfr_prec_t prec = M::defaultPrecision;
const M one(1.0);

// P(a, x) = x^a e^-x / Gamma(a + 1) * sum_n x^n / ((a+1)...(a+n)); every term is positive, so the
// sum has no cancellation at any size of the result.
M refP(const M& a, const M& x)
{
    M sum(1.0), term(1.0), k = a;
    do {
        k = k + one;
        term = term * x / k;
        sum = sum + term;
    } while (!mpfr_zero_p(term.get()) && (mpfr_cmp(k.get(), x.get()) <= 0 || mpfr_get_exp(term.get()) >= mpfr_get_exp(sum.get()) - prec));
    return map(mpfr_exp, a * log(x) - x - map(mpfr_lngamma, a + one)) * sum;
}

double incompleteGammaRef(double a, double x) { return refP(M(a), M(x)).toDouble(); }

// Root of P(a, x) = p by Newton steps from x0 in high precision; P'(x) = x^(a-1) e^-x / Gamma(a).
double invIncompleteGammaRef(double a, double p, double x0)
{
    const M am(a);
    M x(x0);
    for (int i = 0; i < 4; ++i)
        x = x - (refP(am, x) - M(p)) / map(mpfr_exp, (am - one) * log(x) - x - map(mpfr_lngamma, am));
    return x.toDouble();
}

// Root of erf(x) = p (complement = false) or erfc(x) = p (complement = true) by Newton steps;
// the derivative is -+2/sqrt(pi) e^(-x^2).
double invErfRef(double p, double x0, bool complement)
{
    M pi, x(x0);
    mpfr_const_pi(pi, MPFR_RNDN);
    const M c = M(complement ? -2.0 : 2.0) / map(mpfr_sqrt, pi);
    for (int i = 0; i < 4; ++i)
        x = x - (map(complement ? mpfr_erfc : mpfr_erf, x) - M(p)) / (c * map(mpfr_exp, M(0.0) - x * x));
    return x.toDouble();
}

TEST(Accuracy, DigammaAndLog1pmx)
{
    const auto digammaRef = [](double x) { return map(mpfr_digamma, M(x)).toDouble(); };
    std::vector<double> pos = logUniform(1e-300, 1e-6, 100, 1), neg;
    for (double x : logUniform(1e-6, 1.4, 300, 2)) pos.push_back(x);
    for (double x : logUniform(1.5, 1e15, 300, 3)) pos.push_back(x);
    // Away from the poles and from the roots between them (where the value crosses 0).
    for (double x : uniform(-30, 0, 300, 4))
        if (x - std::floor(x) > 0.1 && x - std::floor(x) < 0.2) neg.push_back(x);
    check("digamma", {{"(0, 1.4] and [1.5, 1e15)", pos, 60, 3}, {"negative, 0.1..0.2 past an integer", neg, 700, 40}},
          digamma, digammaRef);

    std::vector<double> xs = uniform(-0.999, 3, 500, 5);
    for (double x : logUniform(1e-20, 0.9, 300, 6)) xs.insert(xs.end(), {x, -x});
    for (double x : around(0.95, 0.02, 100, 7)) xs.push_back(x);
    check("log1pmx", {{"(-1, 3)", xs, 30, 1}}, log1pmx, [](double x) { return (map(mpfr_log1p, M(x)) - M(x)).toDouble(); });
}

TEST(Accuracy, IncompleteGammaEveryMethod)
{
    struct Set {
        const char* name;
        std::vector<std::pair<double, double>> ax;
        std::uint64_t maxUlp;
        double medianUlp;
    };
    Set sets[] = {{"small x (x < 2^-26, a > 1) and its edge", {}, 20, 2},
                  {"x < 0.5 around a = -0.4/ln x (series P | series for 1-Q)", {}, 8, 2},
                  {"0.5 <= x < 1.1 around a = 0.75x", {}, 12, 2},
                  {"Temme edge |mu| = 0.4 and a = 20 (uniform expansion | series | fraction)", {}, 4000, 4},
                  {"a around x - 1/(3x), a <= 20 (series P | continued fraction)", {}, 60, 2}};
    for (double x : logUniform(1e-300, 0x1p-25, 200, 10)) sets[0].ax.push_back({1 + 10 * x * 1e5 + 0.5, x});
    for (double a : around(1.0, 0.5, 100, 11)) sets[0].ax.push_back({a, 1e-9});
    const auto xs = uniform(1e-8, 0.5, 300, 12), rs = around(1.0, 0.3, 300, 13);
    for (std::size_t i = 0; i < xs.size(); ++i) sets[1].ax.push_back({-0.4 / std::log(xs[i]) * rs[i], xs[i]});
    const auto xs2 = uniform(0.5, 1.1, 300, 14), rs2 = around(1.0, 0.3, 300, 15);
    for (std::size_t i = 0; i < xs2.size(); ++i) sets[2].ax.push_back({0.75 * xs2[i] * rs2[i], xs2[i]});
    for (double a : logUniform(15, 2000, 150, 16)) {
        for (double m : around(0.4, 0.05, 2, static_cast<std::uint64_t>(a * 1000)))
            sets[3].ax.insert(sets[3].ax.end(), {{a, a * (1 + m)}, {a, a * (1 - m)}});
    }
    for (double a : around(20, 0.05, 50, 17)) sets[3].ax.push_back({a, 22});
    for (double a : logUniform(21, 3000, 100, 18)) sets[3].ax.push_back({a, a * (1 + 0.3 * std::sin(a))});
    for (double x : uniform(1.1, 25, 300, 19)) {
        const double c = x - 1 / (3 * x);
        sets[4].ax.push_back({c * (1 + (static_cast<int>(x * 1000) % 2 == 0 ? 1 : -1) * 0.02 * (x - std::floor(x))), x});
    }
    for (double x : uniform(1.1, 300, 100, 20)) sets[4].ax.push_back({std::fmod(x, 19) + 0.2, x});
    for (const Set& s : sets) {
        UlpStats st;
        for (const auto& [a, x] : s.ax) st.add(a, incompleteGamma(a, x), incompleteGammaRef(a, x));
        expectWithin(st, std::string("incompleteGamma ") + s.name, s.maxUlp, s.medianUlp);
    }
}

TEST(Accuracy, InvIncompleteGamma)
{
    UlpStats mid, low, up;
    for (double a : {0.05, 0.3, 1.0, 2.5, 10.0, 75.0, 1000.0}) {
        const auto seed = static_cast<std::uint64_t>(a * 100);
        const auto add = [a](UlpStats& st, double p) {
            const double x = invIncompleteGamma(a, p);
            if (x > 1e-300) st.add(p, x, invIncompleteGammaRef(a, p, x));
        };
        for (double p : uniform(0.01, 0.99, 30, seed)) add(mid, p);
        for (double p : logUniform(1e-250, 0.01, 20, seed + 1)) add(low, p);
        for (double q : logUniform(1e-15, 0.01, 20, seed + 2)) add(up, 1 - q);
    }
    expectWithin(mid, "invIncompleteGamma p in [0.01, 0.99]", 400, 4);
    expectWithin(low, "invIncompleteGamma p in [1e-250, 0.01)", 100, 4);
    expectWithin(up, "invIncompleteGamma p in (0.99, 1 - 1e-15]", 2000, 4);
}

TEST(Accuracy, InverseErrorFunctions)
{
    std::vector<double> pe = uniform(-1, 1, 600, 30), pc = uniform(0, 2, 600, 33);
    for (double p : logUniform(1e-300, 1e-3, 200, 31)) pe.push_back(p);
    for (double q : logUniform(1e-16, 1e-3, 200, 32)) pe.push_back(1 - q);
    for (double p : logUniform(1e-300, 1e-3, 200, 34)) pc.push_back(p);
    for (double q : logUniform(1e-16, 1e-3, 200, 35)) pc.insert(pc.end(), {1 - q, 1 + q});
    // p = 0 has no finite root; p = 1 (q below half an ULP of 1) has the root 0, not measured in ULPs.
    std::erase_if(pc, [](double p) { return p == 0 || p == 1; });
    check("invErf", {{"(-1, 1) with tiny and near-1 p", pe, 8, 1}}, invErf,
          [](double p) { return invErfRef(p, invErf(p), false); });
    check("invErfc", {{"(0, 2) with tiny and near-1 p", pc, 120, 1}}, invErfc,
          [](double p) { return invErfRef(p, invErfc(p), true); });
}

} // namespace
