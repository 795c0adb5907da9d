// Accuracy of digamma, log1pmx, incompleteGamma (every method, on both sides of each switching
// condition), invIncompleteGamma, invErf and invErfc against MPFR on fixed-seed points. The
// inverses are checked against roots refined by Newton steps in 320-bit arithmetic. Bounds are what
// the algorithms achieve, with a little room; the printed figures are those of docs/accuracy.
#include <gtest/gtest.h>

#include <mpfr.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <Numeric/SpecFunctions.hpp>
#include <Numeric/SpecFunctions/Internal.hpp>

#include "Mpfr.hpp"

namespace {

using namespace Numeric::SpecFunctions;
using veltro::test::logUniform;
using veltro::test::uniform;
using veltro::test::UlpStats;

constexpr mpfr_prec_t prec = 320;

// An mpfr_t with RAII at the working precision.
struct M {
    mpfr_t v;
    M() { mpfr_init2(v, prec); }
    explicit M(double x) : M() { mpfr_set_d(v, x, MPFR_RNDN); }
    M(const M&) = delete;
    M& operator=(const M&) = delete;
    ~M() { mpfr_clear(v); }
    operator mpfr_ptr() { return v; }
    double d() const { return mpfr_get_d(v, MPFR_RNDN); }
};

// P(a, x) = x^a e^-x / Gamma(a + 1) * sum_n x^n / ((a+1)...(a+n)); every term is positive, so the
// sum has no cancellation at any size of the result.
void refP(mpfr_ptr out, mpfr_ptr a, mpfr_ptr x)
{
    M sum(1.0), term(1.0), k, lead, tmp;
    mpfr_set(k, a, MPFR_RNDN);
    for (;;) {
        mpfr_add_ui(k, k, 1, MPFR_RNDN);
        mpfr_mul(term, term, x, MPFR_RNDN);
        mpfr_div(term, term, k, MPFR_RNDN);
        mpfr_add(sum, sum, term, MPFR_RNDN);
        if (mpfr_zero_p(term) || (mpfr_cmp(k, x) > 0 && mpfr_get_exp(term) < mpfr_get_exp(sum) - prec)) break;
    }
    mpfr_log(lead, x, MPFR_RNDN);  // lead = exp(a ln x - x - lngamma(a + 1))
    mpfr_mul(lead, lead, a, MPFR_RNDN);
    mpfr_sub(lead, lead, x, MPFR_RNDN);
    mpfr_add_ui(tmp, a, 1, MPFR_RNDN);
    int sign = 0;
    mpfr_lgamma(tmp, &sign, tmp, MPFR_RNDN);
    mpfr_sub(lead, lead, tmp, MPFR_RNDN);
    mpfr_exp(lead, lead, MPFR_RNDN);
    mpfr_mul(out, lead, sum, MPFR_RNDN);
}

double incompleteGammaRef(double a, double x)
{
    M am(a), xm(x), p;
    refP(p, am, xm);
    return p.d();
}

// Root of P(a, x) = p by Newton steps from x0 in high precision; P'(x) = x^(a-1) e^-x / Gamma(a).
double invIncompleteGammaRef(double a, double p, double x0)
{
    M am(a), x(x0), f, d, t;
    int sign = 0;
    for (int i = 0; i < 4; ++i) {
        refP(f, am, x);
        mpfr_sub_d(f, f, p, MPFR_RNDN);
        mpfr_log(d, x, MPFR_RNDN);  // d = exp((a - 1) ln x - x - lngamma(a))
        mpfr_sub_ui(t, am, 1, MPFR_RNDN);
        mpfr_mul(d, d, t, MPFR_RNDN);
        mpfr_sub(d, d, x, MPFR_RNDN);
        mpfr_lgamma(t, &sign, am, MPFR_RNDN);
        mpfr_sub(d, d, t, MPFR_RNDN);
        mpfr_exp(d, d, MPFR_RNDN);
        mpfr_div(f, f, d, MPFR_RNDN);
        mpfr_sub(x, x, f, MPFR_RNDN);
    }
    return x.d();
}

// Root of erf(x) = p (complement = false) or erfc(x) = p (complement = true) by Newton steps.
double invErfRef(double p, double x0, bool complement)
{
    M x(x0), f, d, c;
    mpfr_const_pi(c, MPFR_RNDN);
    mpfr_sqrt(c, c, MPFR_RNDN);
    mpfr_ui_div(c, 2, c, MPFR_RNDN);
    for (int i = 0; i < 4; ++i) {
        if (complement) mpfr_erfc(f, x, MPFR_RNDN);
        else mpfr_erf(f, x, MPFR_RNDN);
        mpfr_sub_d(f, f, p, MPFR_RNDN);
        mpfr_sqr(d, x, MPFR_RNDN);
        mpfr_neg(d, d, MPFR_RNDN);
        mpfr_exp(d, d, MPFR_RNDN);
        mpfr_mul(d, d, c, MPFR_RNDN);
        if (complement) mpfr_neg(d, d, MPFR_RNDN);
        mpfr_div(f, f, d, MPFR_RNDN);
        mpfr_sub(x, x, f, MPFR_RNDN);
    }
    return x.d();
}

double digammaRef(double x)
{
    M xm(x), r;
    mpfr_digamma(r, xm, MPFR_RNDN);
    return r.d();
}

double log1pmxRef(double x)
{
    M xm(x), r;
    mpfr_log1p(r, xm, MPFR_RNDN);
    mpfr_sub(r, r, xm, MPFR_RNDN);
    return r.d();
}

void expectWithin(const UlpStats& st, const std::string& name, std::uint64_t maxUlp, double medianUlp)
{
    const std::string line = st.summary(name);
    std::printf("%s\n", line.c_str());
    EXPECT_LE(st.max(), maxUlp) << line;
    EXPECT_LE(st.median(), medianUlp) << line;
}

// Points x (or a) at c*(1 +- r) with r log-uniform in [1e-10, w): both sides of a boundary c.
std::vector<double> around(double c, double w, std::size_t n, std::uint64_t seed)
{
    std::vector<double> r = logUniform(1e-10, w, n, seed);
    for (std::size_t i = 0; i < r.size(); ++i) r[i] = c * (i % 2 == 0 ? 1 + r[i] : 1 - r[i]);
    return r;
}

TEST(GammaErfAccuracy, Digamma)
{
    UlpStats pos, neg;
    for (double x : logUniform(1e-300, 1e-6, 100, 1)) pos.add(x, digamma(x), digammaRef(x));
    for (double x : logUniform(1e-6, 1.4, 300, 2)) pos.add(x, digamma(x), digammaRef(x));
    for (double x : logUniform(1.5, 1e15, 300, 3)) pos.add(x, digamma(x), digammaRef(x));
    // Away from the poles and from the roots between them (where the value crosses 0).
    for (double x : uniform(-30, 0, 300, 4)) {
        const double frac = x - std::floor(x);
        if (frac > 0.1 && frac < 0.2) neg.add(x, digamma(x), digammaRef(x));
    }
    expectWithin(pos, "digamma (0, 1.4] and [1.5, 1e15)", 60, 3);
    expectWithin(neg, "digamma negative, 0.1..0.2 past an integer", 700, 40);
}

TEST(GammaErfAccuracy, Log1pmx)
{
    UlpStats st;
    for (double x : uniform(-0.999, 3, 500, 5)) st.add(x, log1pmx(x), log1pmxRef(x));
    for (double x : logUniform(1e-20, 0.9, 300, 6)) {
        st.add(x, log1pmx(x), log1pmxRef(x));
        st.add(-x, log1pmx(-x), log1pmxRef(-x));
    }
    for (double x : around(0.95, 0.02, 100, 7)) st.add(x, log1pmx(x), log1pmxRef(x));
    expectWithin(st, "log1pmx (-1, 3)", 30, 1);
}

TEST(GammaErfAccuracy, IncompleteGammaEveryMethod)
{
    struct Set {
        const char* name;
        std::vector<std::pair<double, double>> ax;
        std::uint64_t maxUlp;
        double medianUlp;
    };
    std::vector<Set> sets;
    {
        Set s{"small x (x < 2^-26, a > 1) and its edge", {}, 20, 2};
        for (double x : logUniform(1e-300, 0x1p-25, 200, 10)) s.ax.push_back({1 + 10 * x * 1e5 + 0.5, x});
        for (double a : around(1.0, 0.5, 100, 11)) s.ax.push_back({a, 1e-9});
        sets.push_back(s);
    }
    {
        Set s{"x < 0.5 around a = -0.4/ln x (series P | series for 1-Q)", {}, 8, 2};
        const auto xs = uniform(1e-8, 0.5, 300, 12);
        const auto rs = around(1.0, 0.3, 300, 13);
        for (std::size_t i = 0; i < xs.size(); ++i) s.ax.push_back({-0.4 / std::log(xs[i]) * rs[i], xs[i]});
        sets.push_back(s);
    }
    {
        Set s{"0.5 <= x < 1.1 around a = 0.75x", {}, 12, 2};
        const auto xs = uniform(0.5, 1.1, 300, 14);
        const auto rs = around(1.0, 0.3, 300, 15);
        for (std::size_t i = 0; i < xs.size(); ++i) s.ax.push_back({0.75 * xs[i] * rs[i], xs[i]});
        sets.push_back(s);
    }
    {
        Set s{"Temme edge |mu| = 0.4 and a = 20 (uniform expansion | series | fraction)", {}, 4000, 4};
        for (double a : logUniform(15, 2000, 150, 16)) {
            for (double m : around(0.4, 0.05, 2, static_cast<std::uint64_t>(a * 1000))) {
                s.ax.push_back({a, a * (1 + m)});
                s.ax.push_back({a, a * (1 - m)});
            }
        }
        for (double a : around(20, 0.05, 50, 17)) s.ax.push_back({a, 22});
        for (double a : logUniform(21, 3000, 100, 18)) s.ax.push_back({a, a * (1 + 0.3 * std::sin(a))});
        sets.push_back(s);
    }
    {
        Set s{"a around x - 1/(3x), a <= 20 (series P | continued fraction)", {}, 60, 2};
        for (double x : uniform(1.1, 25, 300, 19)) {
            const double c = x - 1 / (3 * x);
            const double a = c * (1 + (static_cast<int>(x * 1000) % 2 == 0 ? 1 : -1) * 0.02 * (x - std::floor(x)));
            s.ax.push_back({a, x});
        }
        for (double x : uniform(1.1, 300, 100, 20)) s.ax.push_back({std::fmod(x, 19) + 0.2, x});
        sets.push_back(s);
    }
    for (const Set& s : sets) {
        UlpStats st;
        for (const auto& [a, x] : s.ax) st.add(a, incompleteGamma(a, x), incompleteGammaRef(a, x));
        expectWithin(st, std::string("incompleteGamma ") + s.name, s.maxUlp, s.medianUlp);
    }
}

TEST(GammaErfAccuracy, InvIncompleteGamma)
{
    UlpStats mid, low, up;
    for (double a : {0.05, 0.3, 1.0, 2.5, 10.0, 75.0, 1000.0}) {
        for (double p : uniform(0.01, 0.99, 30, static_cast<std::uint64_t>(a * 100))) {
            const double x = invIncompleteGamma(a, p);
            mid.add(p, x, invIncompleteGammaRef(a, p, x));
        }
        for (double p : logUniform(1e-250, 0.01, 20, static_cast<std::uint64_t>(a * 100 + 1))) {
            const double x = invIncompleteGamma(a, p);
            if (x > 1e-300) low.add(p, x, invIncompleteGammaRef(a, p, x));
        }
        for (double q : logUniform(1e-15, 0.01, 20, static_cast<std::uint64_t>(a * 100 + 2))) {
            const double p = 1 - q;
            const double x = invIncompleteGamma(a, p);
            up.add(p, x, invIncompleteGammaRef(a, p, x));
        }
    }
    expectWithin(mid, "invIncompleteGamma p in [0.01, 0.99]", 400, 4);
    expectWithin(low, "invIncompleteGamma p in [1e-250, 0.01)", 100, 4);
    expectWithin(up, "invIncompleteGamma p in (0.99, 1 - 1e-15]", 2000, 4);
}

TEST(GammaErfAccuracy, InverseErrorFunctions)
{
    UlpStats e, ec;
    for (double p : uniform(-1, 1, 600, 30)) {
        const double x = invErf(p);
        e.add(p, x, invErfRef(p, x, false));
    }
    for (double p : logUniform(1e-300, 1e-3, 200, 31)) e.add(p, invErf(p), invErfRef(p, invErf(p), false));
    for (double q : logUniform(1e-16, 1e-3, 200, 32)) e.add(1 - q, invErf(1 - q), invErfRef(1 - q, invErf(1 - q), false));
    for (double p : uniform(0, 2, 600, 33)) {
        if (p == 0) continue;
        const double x = invErfc(p);
        ec.add(p, x, invErfRef(p, x, true));
    }
    for (double p : logUniform(1e-300, 1e-3, 200, 34)) ec.add(p, invErfc(p), invErfRef(p, invErfc(p), true));
    for (double q : logUniform(1e-16, 1e-3, 200, 35)) {
        // p = 1 (q below half an ULP of 1) has the root 0, whose error is not measured in ULPs.
        for (double p : {1 - q, 1 + q})
            if (p != 1) ec.add(p, invErfc(p), invErfRef(p, invErfc(p), true));
    }
    expectWithin(e, "invErf (-1, 1) with tiny and near-1 p", 8, 1);
    expectWithin(ec, "invErfc (0, 2) with tiny and near-1 p", 120, 1);
}

} // namespace
