// SPDX-License-Identifier: MIT
// Mpfr.hpp: high-precision references through MPFR and ULP-error statistics, shared by veltro's
// accuracy tests.
//   veltro::test::UlpStats st;
//   st.add(x, logGamma(x), veltro::test::lngamma(x));   // then st.max(), st.median()
#pragma once

#include <gtest/gtest.h>
#include <mpfr.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include <Numeric/Veltro/Comparison.hpp>

namespace veltro::test {

/// An MPFR number with RAII; every operation rounds to nearest at the number's precision.
class Mpfr {
public:
    static constexpr mpfr_prec_t defaultPrecision = 512;

    explicit Mpfr(double x = 0.0, mpfr_prec_t prec = defaultPrecision)
    {
        mpfr_init2(v_, prec);
        mpfr_set_d(v_, x, MPFR_RNDN);
    }
    Mpfr(const Mpfr& o)
    {
        mpfr_init2(v_, mpfr_get_prec(o.v_));
        mpfr_set(v_, o.v_, MPFR_RNDN);
    }
    Mpfr& operator=(const Mpfr& o)
    {
        if (this != &o) mpfr_set(v_, o.v_, MPFR_RNDN);
        return *this;
    }
    ~Mpfr() { mpfr_clear(v_); }

    mpfr_ptr get() { return v_; }
    operator mpfr_ptr() { return v_; }
    mpfr_srcptr get() const { return v_; }
    mpfr_prec_t precision() const { return mpfr_get_prec(v_); }
    /// Rounded to the nearest double (ties to even).
    double toDouble() const { return mpfr_get_d(v_, MPFR_RNDN); }

    friend Mpfr operator+(const Mpfr& a, const Mpfr& b) { return apply(mpfr_add, a, b); }
    friend Mpfr operator-(const Mpfr& a, const Mpfr& b) { return apply(mpfr_sub, a, b); }
    friend Mpfr operator*(const Mpfr& a, const Mpfr& b) { return apply(mpfr_mul, a, b); }
    friend Mpfr operator/(const Mpfr& a, const Mpfr& b) { return apply(mpfr_div, a, b); }

    /// Applies a one-argument MPFR function (mpfr_log, mpfr_lngamma, ...).
    template <class F>
    friend Mpfr map(F f, const Mpfr& a)
    {
        Mpfr r(0.0, a.precision());
        f(r.v_, a.v_, MPFR_RNDN);
        return r;
    }

private:
    template <class F>
    static Mpfr apply(F f, const Mpfr& a, const Mpfr& b)
    {
        Mpfr r(0.0, std::max(a.precision(), b.precision()));
        f(r.v_, a.v_, b.v_, MPFR_RNDN);
        return r;
    }
    mpfr_t v_;
};

inline Mpfr log(const Mpfr& a) { return map(mpfr_log, a); }

/// ln Gamma(x) (for x > 0) rounded to the nearest double.
inline double lngamma(double x)
{
    return map(mpfr_lngamma, Mpfr(x)).toDouble();
}

/// ln Gamma(x + s) - ((x + s - 1/2) ln x - x + ln sqrt(2 pi)) rounded to double, x + s exact: with
/// s = 0 the Stirling correction of ln Gamma(x), with s = 1 the error of Stirling's ln x!.
inline double stirlingRef(double x, double s)
{
    constexpr mpfr_prec_t prec = 1024;
    const Mpfr xm(x, prec), xs = xm + Mpfr(s, prec);
    Mpfr pi(0.0, prec);
    mpfr_const_pi(pi.get(), MPFR_RNDN);
    const Mpfr lnSqrt2Pi = log(Mpfr(2.0, prec) * pi) / Mpfr(2.0, prec);
    return (map(mpfr_lngamma, xs) - (xs - Mpfr(0.5, prec)) * log(xm) + xm - lnSqrt2Pi).toDouble();
}

/// I_x(p, q) (or 1 − I_x(p, q) when upper) at the exact doubles p, q, x in 512-bit arithmetic, by
/// x^p (1 − x)^q / (p B(p, q)) · Σ (p + q)_n / (p + 1)_n x^n (positive terms; about q·x + p of them
/// matter, so meant for q·x up to a few thousand).
inline Mpfr incompleteBetaRef(double p, double q, double x, bool upper = false)
{
    const Mpfr mp(p), mq(q), mx(x), one(1.0);
    const Mpfr lnB = map(mpfr_lngamma, mp) + map(mpfr_lngamma, mq) - map(mpfr_lngamma, mp + mq);
    Mpfr sum(1.0), term(1.0);
    for (double n = 0;; n += 1) {
        term = term * (mp + mq + Mpfr(n)) / (mp + one + Mpfr(n)) * mx;
        sum = sum + term;
        if (n > q * x + p && mpfr_cmp(term.get(), (sum * Mpfr(0x1p-300)).get()) < 0) break;
    }
    const Mpfr lnFront = mp * log(mx) + mq * map(mpfr_log1p, Mpfr(-x)) - lnB - log(mp);
    const Mpfr i = map(mpfr_exp, lnFront) * sum;
    return upper ? one - i : i;
}

/// The density x^(p−1)(1 − x)^(q−1)/B(p, q) at x, in 512-bit arithmetic.
inline Mpfr betaDensityRef(double p, double q, double x)
{
    const Mpfr mp(p), mq(q), one(1.0);
    const Mpfr lnB = map(mpfr_lngamma, mp) + map(mpfr_lngamma, mq) - map(mpfr_lngamma, mp + mq);
    return map(mpfr_exp, (mp - one) * log(Mpfr(x)) + (mq - one) * map(mpfr_log1p, Mpfr(-x)) - lnB);
}

/// ULP errors of computed values against references: maximum (with its input) and median.
class UlpStats {
public:
    void add(double input, double computed, double reference)
    {
        const std::uint64_t d = Numeric::Veltro::Comparison::ulpDistance(computed, reference);
        errors_.push_back(d);
        if (errors_.size() == 1 || d > max_) {
            max_ = d;
            worst_ = input;
        }
    }
    std::uint64_t max() const { return errors_.empty() ? 0 : max_; }
    double worstInput() const { return worst_; }
    double median() const
    {
        if (errors_.empty()) return 0.0;
        std::vector<std::uint64_t> e = errors_;
        const std::size_t mid = e.size() / 2;
        std::nth_element(e.begin(), e.begin() + static_cast<std::ptrdiff_t>(mid), e.end());
        const double hi = static_cast<double>(e[mid]);
        if (e.size() % 2 == 1) return hi;
        const double lo = static_cast<double>(*std::max_element(e.begin(), e.begin() + static_cast<std::ptrdiff_t>(mid)));
        return (lo + hi) / 2.0;
    }
    std::size_t count() const { return errors_.size(); }
    /// One line: "<name>: n=.. max=.. ulp (x=..) median=.. ulp".
    std::string summary(const std::string& name) const
    {
        char buf[256];
        std::snprintf(buf, sizeof buf, "%s: n=%zu max=%llu ulp (x=%a) median=%g ulp", name.c_str(),
                      count(), static_cast<unsigned long long>(max()), worst_, median());
        return buf;
    }

private:
    std::vector<std::uint64_t> errors_;
    std::uint64_t max_ = 0;
    double worst_ = 0.0;
};

/// Prints the summary line and checks the maximum and median error against their bounds.
inline void expectWithin(const UlpStats& st, const std::string& name, std::uint64_t maxUlp, double medianUlp)
{
    const std::string line = st.summary(name);
    std::printf("%s\n", line.c_str());
    EXPECT_LE(st.max(), maxUlp) << line;
    EXPECT_LE(st.median(), medianUlp) << line;
}

/// n points log-uniform on [lo, hi) (lo > 0) from a fixed seed.
inline std::vector<double> logUniform(double lo, double hi, std::size_t n, std::uint64_t seed)
{
    std::mt19937_64 gen(seed);
    std::uniform_real_distribution<double> u(std::log(lo), std::log(hi));
    std::vector<double> xs(n);
    for (double& x : xs) x = std::min(std::exp(u(gen)), std::nextafter(hi, lo));
    return xs;
}

/// n points uniform on [lo, hi) from a fixed seed.
inline std::vector<double> uniform(double lo, double hi, std::size_t n, std::uint64_t seed)
{
    std::mt19937_64 gen(seed);
    std::uniform_real_distribution<double> u(lo, hi);
    std::vector<double> xs(n);
    for (double& x : xs) x = u(gen);
    return xs;
}

} // namespace veltro::test
