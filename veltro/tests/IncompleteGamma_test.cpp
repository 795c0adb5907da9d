// Incomplete gamma and its inverse: the choice among the five methods on both sides of each
// switching condition, edges, the overflow-safe series, the tails of the inverse, failure texts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include <Numeric/SpecFunctions.hpp>
#include <Numeric/SpecFunctions/Internal.hpp>

namespace {

using namespace Numeric::SpecFunctions;
using namespace Numeric::SpecFunctions::Internal;
using testing::StrEq;
using testing::ThrowsMessage;

constexpr double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

TEST(IncompleteGamma, ChoosesTheMethodByPosition)
{
    using Method = double (*)(double, double);
    struct Case {
        double a, x;
        Method method;
    };
    const Case cases[] = {
        {2, 1e-9, incompleteGammaSmallX},          // x < 2^-26 and a > 1
        {1, 1e-9, incompleteGammaSeriesP},         // a = 1: not the small-x rule; a > -0.4/ln x
        {0.01, 1e-9, incompleteGammaSeriesQ},      // a < -0.4/ln x = 0.0193
        {0.29, 0.25, incompleteGammaSeriesP},      // -0.4/ln 0.25 = 0.2885
        {0.28, 0.25, incompleteGammaSeriesQ},
        {0.76, 1.0, incompleteGammaSeriesP},       // 0.75 x = 0.75
        {0.74, 1.0, incompleteGammaSeriesQ},
        {0.4, 0.5, incompleteGammaSeriesP},        // x = 0.5 belongs to the [0.5, 1.1) rule: 0.375
        {0.37, 0.5, incompleteGammaSeriesQ},
        {100, 100, incompleteGammaTemme},          // |mu| = 0
        {100, 139.9, incompleteGammaTemme},        // |mu| = 0.399
        {100, 140.1, incompleteGammaContFraction}, // |mu| = 0.401
        {100, 59.9, incompleteGammaSeriesP},       // mu = -0.401
        {300, 500, incompleteGammaContFraction},
        {20, 22, incompleteGammaContFraction},     // a = 20 is not > 20
        {20.5, 22, incompleteGammaTemme},
        {5, 5.05, incompleteGammaSeriesP},         // x - 1/(3x) = 4.984 < a
        {5, 5.1, incompleteGammaContFraction},     // x - 1/(3x) = 5.035 > a
        {1e5, 6e4, incompleteGammaSeriesP},
    };
    for (const Case& c : cases) EXPECT_EQ(incompleteGamma(c.a, c.x), c.method(c.a, c.x)) << c.a << " " << c.x;
    // The small-x rule as written.
    EXPECT_EQ(incompleteGamma(2, 1e-9), (std::pow(1e-9, 2.0) / 2) / std::exp(logGamma(2)) * (1 - 2 * 1e-9 / 3));
}

TEST(IncompleteGamma, EdgesAndClosedForms)
{
    for (double a : {1e-3, 0.5, 1.0, 7.0, 1e5}) {
        EXPECT_EQ(incompleteGamma(a, 0), 0.0);
        EXPECT_EQ(incompleteGamma(a, inf), 1.0);
    }
    for (double x : {0.3, 1.0, 5.0, 50.0}) EXPECT_NEAR(incompleteGamma(1, x), -std::expm1(-x), 2.3e-16) << x;
    // P(5, x) = 1 - e^-x (1 + x + x^2/2 + x^3/6 + x^4/24).
    const auto p5 = [](double x) { return 1 - std::exp(-x) * (1 + x + x * x / 2 + x * x * x / 6 + x * x * x * x / 24); };
    EXPECT_NEAR(incompleteGamma(5, 4), p5(4), 1e-15);
    EXPECT_NEAR(incompleteGamma(5, 12), p5(12), 1e-15);
    EXPECT_NEAR(incompleteGamma(0.5, 2), std::erf(std::sqrt(2.0)), 1e-15);
    EXPECT_TRUE(std::isnan(incompleteGamma(nan, 1)));
    EXPECT_TRUE(std::isnan(incompleteGamma(1, nan)));
    EXPECT_TRUE(std::isnan(incompleteGamma(nan, 0.25)));
}

TEST(IncompleteGamma, SeriesSurvivesOverflowingPowers)
{
    // Finite terms: the series as written (closed form for integer a).
    EXPECT_NEAR(incompleteGammaSeriesP(5, 4), 1 - std::exp(-4.0) * (1 + 4 + 8 + 32.0 / 3 + 32.0 / 3), 1e-15);
    // x^n overflows while the terms are still significant: continued by the term recurrence
    // (the plain products give inf * c_n and then NaN).
    EXPECT_NEAR(incompleteGammaSeriesP(5, 400), 1.0, 1e-15);
    EXPECT_NEAR(incompleteGammaSeriesP(3, 200), 1.0, 1e-15);
    // Far below the mean of a huge shape the answer underflows to 0, not NaN.
    EXPECT_EQ(incompleteGamma(1e5, 6e4), 0.0);
    EXPECT_EQ(incompleteGamma(1e6, 5e5), 0.0);
}

TEST(IncompleteGamma, Failures)
{
    const auto domain = [](double a, double x, const std::string& text) {
        EXPECT_THAT([=] { incompleteGamma(a, x); }, ThrowsMessage<std::domain_error>(StrEq(text)));
    };
    domain(0, 1, "incompleteGamma: Domain error z=0 x=1");
    domain(1, -1, "incompleteGamma: Domain error z=1 x=-1");
    domain(-0.5, 1e-300, "incompleteGamma: Domain error z=-0.5 x=1e-300");
    domain(2.5, -inf, "incompleteGamma: Domain error z=2.5 x=-Infinity");
    const auto inv = [](double a, double p, const std::string& text) {
        EXPECT_THAT([=] { invIncompleteGamma(a, p); }, ThrowsMessage<std::domain_error>(StrEq(text)));
    };
    inv(0, 0.5, "Numeric.SpecFunctions.invIncompleteGamma: a must be positive. a=0 p=0.5");
    inv(-1, 2, "Numeric.SpecFunctions.invIncompleteGamma: a must be positive. a=-1 p=2");
    inv(1, 1.5, "Numeric.SpecFunctions.invIncompleteGamma: p must be in [0,1] range. a=1 p=1.5");
    inv(2.5, -1e-20, "Numeric.SpecFunctions.invIncompleteGamma: p must be in [0,1] range. a=2.5 p=-1e-20");
    inv(1234567, 2, "Numeric.SpecFunctions.invIncompleteGamma: p must be in [0,1] range. a=1.23457e+06 p=2");
}

TEST(IncompleteGamma, InverseEdgesGuessAndRoundTrips)
{
    for (double a : {0.1, 1.0, 1e3}) {
        EXPECT_EQ(invIncompleteGamma(a, 0), 0.0);
        EXPECT_EQ(invIncompleteGamma(a, 1), inf);
    }
    // The first guess, with the cube taken by pow.
    {
        const double a = 2, p = 0.3, t = std::sqrt(-2 * std::log(p));
        const double x1 = (2.30753 + t * 0.27061) / (1 + t * (0.99229 + t * 0.04481)) - t;
        EXPECT_EQ(invIncompleteGammaGuess(a, p), a * std::pow(1 - 1 / (9 * a) - (-x1) / (3 * std::sqrt(a)), 3.0));
        const double b = 0.5, tb = 1 - b * (0.253 + b * 0.12);
        EXPECT_EQ(invIncompleteGammaGuess(b, 0.3), std::pow(0.3 / tb, 1 / b));
        EXPECT_EQ(invIncompleteGammaGuess(b, 0.9), 1 - std::log(1 - (0.9 - tb) / (1 - tb)));
        EXPECT_EQ(invIncompleteGammaGuess(50, 1e-300), 1e-3);  // floored
    }
    for (double a : {0.1, 1.0, 10.0, 1000.0})
        for (double p : {0.01, 0.5, 0.99}) EXPECT_NEAR(incompleteGamma(a, invIncompleteGamma(a, p)), p, 1e-14) << a << " " << p;
    EXPECT_NEAR(invIncompleteGamma(1, 0.5), std::log(2.0), 1e-15);
}

TEST(IncompleteGamma, InverseInTheTails)
{
    // Deep lower tail: the guess is hundreds of halvings from the root; the root is still found.
    struct Row {
        double a, p, x;
    };
    const Row lower[] = {
        {0x1.abfb7a80662a3p+0, 0x1.70f83e46b8559p-894, 0x1.e48441a3969eap-535},  // a = 1.67, x = 1.7e-161
        {1, 0x1.3c07f3d31aaa7p-854, 0x1.3c07f3d31aaa7p-854},
        {1.00001, 4.47581e-210, 0},  // guess 0.001, root near 4.5e-210
        {88.2371, 4.69005e-221, 0},  // NaN before the restart
        {1000, 0x1.464bafd1786bap-941, 0x1.ec547fd34b79dp+7},  // 13 steps of 0.63 fall short: continued
    };
    for (const Row& r : lower) {
        const double x = invIncompleteGamma(r.a, r.p);
        ASSERT_FALSE(std::isnan(x)) << r.a;
        EXPECT_NEAR(incompleteGamma(r.a, x) / r.p, 1.0, 1e-12) << r.a << " " << r.p;
        if (r.x != 0) {
            EXPECT_NEAR(x / r.x, 1.0, 1e-13) << r.a;
        }
    }
    // Upper tail: the residual is formed from Q, so the root keeps its digits.
    const double x = invIncompleteGamma(0.1, 1 - 0x1p-45);
    EXPECT_NEAR(1 - incompleteGamma(0.1, x), 0x1p-45, 0x1p-45 * 1e-3);
    EXPECT_NEAR(invIncompleteGamma(1, 1 - 0x1p-40), 40 * std::log(2.0), 1e-13);
    EXPECT_NEAR(invIncompleteGamma(1, 1 - 1e-15), -std::log(1 - (1 - 1e-15)), 1e-13);
}

} // namespace
