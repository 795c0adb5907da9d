// Accuracy of logGamma, logGammaCorrection and stirlingError against MPFR on fixed-seed points in
// every branch. The bounds are what the algorithm achieves (with a little room), so a mistyped
// coefficient or a reordered formula fails.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include <Numeric/SpecFunctions.hpp>

#include "Mpfr.hpp"

namespace {

using namespace Numeric::SpecFunctions;
using veltro::test::UlpStats;

struct Region {
    const char* name;
    std::vector<double> xs;
    std::uint64_t maxUlp;
    double medianUlp;
};

void check(const char* fn, const Region& r, double (*f)(double), double (*ref)(double))
{
    UlpStats st;
    for (const double x : r.xs) st.add(x, f(x), ref(x));
    const std::string line = st.summary(std::string(fn) + " " + r.name);
    std::printf("%s\n", line.c_str());
    EXPECT_LE(st.max(), r.maxUlp) << line;
    EXPECT_LE(st.median(), r.medianUlp) << line;
}

// Points just beside 1 and 2, where ln Gamma crosses zero.
std::vector<double> beside(double c, std::size_t n, std::uint64_t seed)
{
    std::vector<double> xs = veltro::test::logUniform(1e-12, 0.05, n, seed);
    for (std::size_t i = 0; i < xs.size(); ++i) xs[i] = (i % 2 == 0) ? c + xs[i] : c - xs[i];
    return xs;
}

TEST(LogGammaAccuracy, LogGammaInEveryBranch)
{
    using veltro::test::logUniform;
    using veltro::test::uniform;
    const std::vector<Region> regions{
        {"tiny (0, 2^-26)", logUniform(1e-300, 0x1p-26, 300, 1), 1, 0.5},
        {"[2^-26, 0.5)", logUniform(0x1p-26, 0.5, 400, 2), 2, 0.5},
        {"[0.5, 1)", uniform(0.5, 1.0, 400, 3), 3, 0.5},
        {"[1, 1.5]", uniform(1.0, 1.5, 400, 4), 2, 0.5},
        {"(1.5, 2)", uniform(1.5, 2.0, 400, 5), 2, 0.5},
        {"beside 1", beside(1.0, 200, 6), 3, 0.5},
        {"beside 2", beside(2.0, 200, 7), 3, 0.5},
        {"[2, 3)", uniform(2.0, 3.0, 300, 8), 2, 0.5},
        {"[3, 15)", uniform(3.0, 15.0, 400, 9), 3, 0.5},
        {"[15, 1e3)", logUniform(15.0, 1e3, 300, 10), 3, 0.5},
        {"[1e3, 1e300)", logUniform(1e3, 1e300, 300, 11), 2, 0.5},
    };
    for (const Region& r : regions) check("logGamma", r, logGamma, veltro::test::lngamma);
}

double correctionRef(double x) { return veltro::test::stirlingCorrection(x); }
double stirlingRef(double n) { return veltro::test::stirlingErrorRef(n); }

TEST(LogGammaAccuracy, LogGammaCorrection)
{
    using veltro::test::logUniform;
    const std::vector<Region> regions{
        {"[10, 94906265.6)", logUniform(10.0, 94906265.0, 600, 12), 3, 0.5},
        {"[94906265.6, 1e15)", logUniform(94906266.0, 1e15, 200, 13), 2, 0.5},
    };
    for (const Region& r : regions) check("logGammaCorrection", r, logGammaCorrection, correctionRef);
}

TEST(LogGammaAccuracy, StirlingError)
{
    using veltro::test::logUniform;
    using veltro::test::uniform;
    std::vector<double> halves;
    for (int k = 1; k <= 30; ++k) halves.push_back(k / 2.0);
    const std::vector<Region> regions{
        {"half-integers", halves, 0, 0},
        // Below 15 the formula subtracts nearly equal terms: the error grows with n.
        {"(0, 15] other", uniform(0.01, 15.0, 400, 14), 16000, 600},
        // Above 15 the truncated series dominates right after each switch (15, 35, 80, 500).
        {"(15, 35]", uniform(15.0, 35.0, 200, 15), 300, 1.5},
        {"(35, 80]", uniform(35.0, 80.0, 200, 16), 32, 1.5},
        {"(80, 500]", uniform(80.0, 500.0, 200, 17), 200, 1.5},
        {"(500, 1e10)", logUniform(500.0, 1e10, 200, 18), 1000, 0.5},
    };
    for (const Region& r : regions) check("stirlingError", r, stirlingError, stirlingRef);
}

} // namespace
