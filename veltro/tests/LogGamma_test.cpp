// The log-gamma family: exact values the rules fix, branch selection, edge inputs and failures.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <vector>

#include <Numeric/SpecFunctions.hpp>
#include <Numeric/SpecFunctions/Internal.hpp>
#include <Numeric/Polynomial.hpp>
#include <Numeric/Polynomial/Chebyshev.hpp>

namespace {

using namespace Numeric::SpecFunctions;
using namespace Numeric::SpecFunctions::Internal;
using testing::StrEq;
using testing::ThrowsMessage;

constexpr double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

std::uint64_t bits(double x) { return std::bit_cast<std::uint64_t>(x); }

TEST(LogGamma, ExactValuesAndEdges)
{
    EXPECT_EQ(bits(logGamma(1.0)), bits(-0.0)); // r = 0 * -1
    EXPECT_EQ(bits(logGamma(2.0)), bits(0.0));
    for (const double x : {0.0, -0.0, -2.5, -1.0, -inf, -1e-300, inf}) EXPECT_EQ(logGamma(x), inf) << x;
    EXPECT_TRUE(std::isnan(logGamma(nan)));
    EXPECT_EQ(logGamma(1e-10), std::log(1e10 - 0.57721566490153287));
    EXPECT_EQ(logGamma(4.9406564584124654e-324), std::log(1.0 / 4.9406564584124654e-324 - 0.57721566490153287));
    for (const double x : {0.5, 1.5, 2.5, 3.0, 7.25, 14.5, 15.0, 1e5, 1e300}) {
        EXPECT_EQ(bits(logGammaL(x)), bits(logGamma(x))) << x;
    }
}

TEST(LogGamma, BranchSelection)
{
    const double sqrtEps = 0x1p-26;
    const double below = std::nextafter(sqrtEps, 0.0);
    EXPECT_EQ(logGamma(below), std::log(1.0 / below - 0.57721566490153287));
    EXPECT_EQ(logGamma(sqrtEps), lgamma1_15(sqrtEps, sqrtEps - 1.0) - std::log(sqrtEps));
    for (const double x : {0.1, std::nextafter(0.5, 0.0)}) {
        EXPECT_EQ(logGamma(x), lgamma1_15(x, x - 1.0) - std::log(x)) << x;
    }
    for (const double x : {0.5, 0.75, std::nextafter(1.0, 0.0)}) {
        EXPECT_EQ(logGamma(x), lgamma15_2(x, x - 1.0) - std::log(x)) << x;
    }
    for (const double x : {1.0, 1.25, 1.5}) EXPECT_EQ(logGamma(x), lgamma1_15(x - 1.0, x - 2.0)) << x;
    for (const double x : {std::nextafter(1.5, 2.0), 1.75, std::nextafter(2.0, 0.0)}) {
        EXPECT_EQ(logGamma(x), lgamma15_2(x - 1.0, x - 2.0)) << x;
    }
    for (const double x : {2.0, 2.5, std::nextafter(3.0, 0.0)}) EXPECT_EQ(logGamma(x), lgamma2_3(x)) << x;
    for (const double x : {3.0, 9.5, std::nextafter(15.0, 0.0)}) EXPECT_EQ(logGamma(x), lgammaSmall(x)) << x;
    for (const double x : {15.0, 170.5, 1e300}) EXPECT_EQ(logGamma(x), lanczosApprox(x)) << x;

    // lgammaSmall(14.5): twelve logarithms added in turn, then lgamma2_3(2.5).
    double acc = 0.0;
    for (double z = 13.5; z >= 2.5; z -= 1.0) acc = acc + std::log(z);
    EXPECT_EQ(lgammaSmall(14.5), lgamma2_3(2.5) + acc);
    EXPECT_EQ(logGamma(14.5), lgamma2_3(2.5) + acc);
}

TEST(LogGamma, LanczosFollowsItsFormulaForEveryMagnitude)
{
    // The Lanczos sum as written, through the generic evalRatio.
    const auto formula = [](double z) {
        const double l = std::log((z + 6.024680040776729583740234375) - 0.5);
        return (l - 1.0) * (z - 0.5) + std::log(evalRatio(tableLanczos, z));
    };
    std::vector<double> zs{15.0, 1e5, 0x1p60, std::nextafter(0x1p62, 0.0), 0x1p62, 0x1p63, 1e300, 1.7e308};
    double z = 15.0;
    while (z < 1e308) {
        zs.push_back(z);
        z *= 1.37;
    }
    for (const double x : zs) ASSERT_EQ(bits(lanczosApprox(x)), bits(formula(x))) << x;
}

TEST(LogGamma, PiecesOutsideTheirRangeTerminate)
{
    EXPECT_EQ(lgammaSmall(inf), inf);
    EXPECT_TRUE(std::isnan(lgammaSmall(nan)));
    EXPECT_EQ(lgammaSmall(1e300), lanczosApprox(1e300));
    EXPECT_EQ(lgammaSmall(0x1p60), lanczosApprox(0x1p60));
    EXPECT_TRUE(std::isnan(lanczosApprox(nan)));
    EXPECT_EQ(lanczosApprox(inf), inf);
}

TEST(LogGamma, EvalRatio)
{
    const std::vector<double> none;
    for (const double x : {-2.0, 0.5, 1.0, 3.0, nan}) {
        EXPECT_TRUE(std::isnan(evalRatio(CoefficientPairs{none, none}, x))) << x;
    }
    // (1 + 2x + 3x^2) / (4 + 5x): both directions give the same ratio here exactly.
    const std::vector<double> a{1, 2, 3};
    const std::vector<double> b{4, 5, 0};
    const CoefficientPairs t{a, b};
    EXPECT_EQ(evalRatio(t, 1.0), 6.0 / 9.0);
    EXPECT_EQ(evalRatio(t, 0.5), 2.75 / 6.5);
    EXPECT_EQ(evalRatio(t, 2.0), 4.25 / 3.5); // folded in 1/x from the first pair
    // The reciprocal form keeps large x finite.
    EXPECT_NEAR(evalRatio(tableLanczos, 1e200), 0.0060618423462489067, 1e-18);
    EXPECT_EQ(tableLanczos.numerator.size(), 13u);
    EXPECT_EQ(tableLanczos.denominator.size(), 13u);
}

TEST(LogGamma, Corrections)
{
    EXPECT_TRUE(std::isnan(logGammaCorrection(9.99)));
    EXPECT_TRUE(std::isnan(logGammaCorrection(nan)));
    EXPECT_TRUE(std::isnan(logGammaCorrection(-inf)));
    EXPECT_EQ(logGammaCorrection(1e8), 1.0 / 1.2e9);
    EXPECT_EQ(logGammaCorrection(inf), 0.0);
    const double edge = 94906265.624251559;
    EXPECT_EQ(logGammaCorrection(edge), 1.0 / (edge * 12.0));
    const double t = 10.0 / 10.0;
    EXPECT_EQ(logGammaCorrection(10.0),
              Numeric::Polynomial::Chebyshev::chebyshevBroucke(t * t * 2.0 - 1.0, tableLogGammaCorrection) / 10.0);

    struct Row {
        double n, expected;
    };
    const Row table[] = {{0.0, 0.0},
                         {-0.0, 0.0},
                         {0.5, 0.15342640972002736},
                         {1.0, 0.081061466795327261},
                         {7.5, 0.011104559758206917},
                         {15.0, 0.0055547335519628011}};
    for (const Row& r : table) EXPECT_EQ(stirlingError(r.n), r.expected) << r.n;

    // Above 15: odd polynomials in 1/n with 5, 4, 3, 2 terms.
    const double s0 = 1.0 / 12, s1 = 1.0 / 360, s2 = 1.0 / 1260, s3 = 1.0 / 1680, s4 = 1.0 / 1188;
    const auto series = [](double n, std::initializer_list<double> c) {
        return Numeric::Polynomial::evaluateOddPolynomialL(1.0 / n, c);
    };
    EXPECT_EQ(stirlingError(15.5), series(15.5, {s0, -s1, s2, -s3, s4}));
    EXPECT_EQ(stirlingError(35.0), series(35.0, {s0, -s1, s2, -s3, s4}));
    EXPECT_EQ(stirlingError(35.5), series(35.5, {s0, -s1, s2, -s3}));
    EXPECT_EQ(stirlingError(80.0), series(80.0, {s0, -s1, s2, -s3}));
    EXPECT_EQ(stirlingError(80.25), series(80.25, {s0, -s1, s2}));
    EXPECT_EQ(stirlingError(500.0), series(500.0, {s0, -s1, s2}));
    EXPECT_EQ(stirlingError(500.5), series(500.5, {s0, -s1}));
    EXPECT_EQ(stirlingError(inf), 0.0);
    EXPECT_TRUE(std::isnan(stirlingError(nan)));
    // Off the half-integers below 15: the defining formula.
    const double n = 3.3;
    EXPECT_EQ(stirlingError(n), logGamma(n + 1.0) - (n + 0.5) * std::log(n) + n - 0.91893853320467278);

    // Negative arguments: half-integers have no table entry; the others give NaN.
    for (const double bad : {-0.5, -1.0, -15.0, -1e300, -inf}) {
        if (std::isinf(bad)) {
            EXPECT_TRUE(std::isnan(stirlingError(bad)));
            continue;
        }
        EXPECT_THAT([bad] { stirlingError(bad); },
                    ThrowsMessage<std::out_of_range>(StrEq(
                        "Numeric.SpecFunctions.stirlingError: index out of bounds: no table entry for a "
                        "negative half-integer")))
            << bad;
    }
    EXPECT_TRUE(std::isnan(stirlingError(-1.25)));
}

} // namespace
