// SPDX-License-Identifier: MIT
// digamma, log1pmx, log2, sinc, modErr; the error functions and their inverses; the incomplete gamma
// function and its inverse: branches, edges, the mended loops and tails, failure texts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
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
constexpr double euler = 0.57721566490153287;

TEST(Auxiliary, DigammaBranchesAndEdges)
{
    // Values elsewhere: the MPFR accuracy test.
    EXPECT_EQ(digamma(1e-6), (-euler - 1e6) + 1.6449340668482264 * 1e-6);  // the small-x rule
    // Poles and non-finite arguments, including integers beyond the 64-bit range.
    for (double x : {0.0, -0.0, -1.0, -3.0, -1e15, -0x1p63, -0x1p64, -1e300, -std::numeric_limits<double>::max()})
        EXPECT_EQ(digamma(x), -inf) << x;
    for (double x : {inf, -inf, nan}) EXPECT_TRUE(std::isnan(digamma(x))) << x;
}

TEST(Auxiliary, Log1pmxBranchesAndEdges)
{
    EXPECT_EQ(log1pmx(-1), -inf);
    EXPECT_EQ(log1pmx(1), std::log(2.0) - 1);       // |x| > 0.95: the direct formula
    EXPECT_EQ(log1pmx(-0.96), std::log(1 - 0.96) + 0.96);
    const double zero = log1pmx(0);
    EXPECT_EQ(zero, 0.0);
    EXPECT_TRUE(std::signbit(zero));                 // -(0*0/2)
    for (double x : {1e-17, -1e-17}) EXPECT_EQ(log1pmx(x), -(1e-17 * 1e-17 / 2));
    EXPECT_TRUE(std::isnan(log1pmx(nan)));           // terminates: a NaN term stops the series
    EXPECT_TRUE(std::isnan(log1pmx(inf)));           // ln(inf) - inf
    for (double x : {-1.5, -inf}) EXPECT_THAT([x] { log1pmx(x); }, ThrowsMessage<std::domain_error>(StrEq("Domain error")));
}

TEST(Auxiliary, Log2)
{
    const std::int64_t cases[][2] = {{1, 0},    {2, 1},          {3, 1},  {1023, 9},
                                     {1024, 10}, {int64_t{1} << 62, 62}, {INT64_MAX, 62}, {0xFFFFFFFFLL, 31}};
    for (const auto& c : cases) EXPECT_EQ(Numeric::SpecFunctions::log2(c[0]), c[1]) << c[0];
    for (const std::int64_t n : {0, -12})
        EXPECT_THAT([n] { Numeric::SpecFunctions::log2(n); },
                    ThrowsMessage<std::domain_error>(StrEq("Numeric.SpecFunctions.log2: nonpositive input, got " + std::to_string(n))));
}

TEST(Auxiliary, SincBranches)
{
    const double x = 1e-3, x2 = x * x;
    const std::pair<double, double> rows[] = {{0, 1.0}, {1e-8, 1.0}, {1e-5, 1 - 1e-5 * 1e-5 / 6}, {-1e-5, 1 - 1e-5 * 1e-5 / 6},
                                              {x, (1 - x2 / 6) + x2 * x2 / 120}, {0.5, std::sin(0.5) / 0.5}};
    for (const auto& [in, out] : rows) EXPECT_EQ(sinc(in), out) << in;
    EXPECT_NEAR(sinc(3.1415926535897931), 0, 1e-16);
    EXPECT_TRUE(std::isnan(sinc(inf)));
    EXPECT_TRUE(std::isnan(sinc(nan)));
}

TEST(Auxiliary, ModErrPrefixesItsText)
{
    EXPECT_THAT([] { Internal::modErr("boom"); }, ThrowsMessage<std::domain_error>(StrEq("Numeric.SpecFunctions.boom")));
}

TEST(Erf, InverseEdgesAndFailures)
{
    EXPECT_EQ(invErfc(2), -inf);
    EXPECT_EQ(invErfc(0), inf);
    EXPECT_NEAR(invErfc(1), 0, 1e-16);
    EXPECT_EQ(invErfc(1.5), -invErfc(0.5));
    EXPECT_EQ(invErf(1), inf);
    EXPECT_EQ(invErf(-1), -inf);
    EXPECT_EQ(invErf(0), 0.0);
    for (double p : {0.1, 0.5, 0.9, 0.999, 1e-10}) EXPECT_EQ(invErf(-p), -invErf(p)) << p;
    for (const auto& [p, shown] : {std::pair{2.5, "2.5"}, {-0.1, "-0.1"}, {nan, "NaN"}, {inf, "Infinity"}})
        EXPECT_THAT([p] { invErfc(p); }, ThrowsMessage<std::domain_error>(
                                             StrEq(std::string("Numeric.SpecFunctions.invErfc: p must be in [0,2] got ") + shown)));
    for (double p : {1.5, -1.5, nan, -inf})
        EXPECT_THAT([p] { invErf(p); }, ThrowsMessage<std::domain_error>(StrEq("invErf: p must in [-1,1] range")));
}

TEST(IncompleteGamma, ChoosesTheMethodByPosition)
{
    using Method = double (*)(double, double);
    struct Case { double a, x; Method method; };
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
}

TEST(IncompleteGamma, EdgesAndOverflowingPowers)
{
    for (double a : {1e-3, 0.5, 1.0, 7.0, 1e5}) {
        EXPECT_EQ(incompleteGamma(a, 0), 0.0);
        EXPECT_EQ(incompleteGamma(a, inf), 1.0);
    }
    for (const auto& [a, x] : {std::pair{nan, 1.0}, std::pair{1.0, nan}, std::pair{nan, 0.25}})
        EXPECT_TRUE(std::isnan(incompleteGamma(a, x)));
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

TEST(IncompleteGamma, InverseEdges)
{
    for (double a : {0.1, 1.0, 1e3}) {
        EXPECT_EQ(invIncompleteGamma(a, 0), 0.0);
        EXPECT_EQ(invIncompleteGamma(a, 1), inf);
    }
    EXPECT_EQ(invIncompleteGammaGuess(50, 1e-300), 1e-3);  // the first guess is floored
    EXPECT_NEAR(invIncompleteGamma(1, 0.5), std::log(2.0), 1e-15);
}

TEST(IncompleteGamma, InverseInTheTails)
{
    // Deep lower tail: the guess is hundreds of halvings from the root; the root is still found.
    struct Row { double a, p, x; };
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
    // The thirteenth step meets the step test: that iterate is the answer (the correctly rounded
    // root), not a reason to start again.
    EXPECT_EQ(invIncompleteGamma(42.73181328651394, 8.486020329483124e-43), 1.8127947222144412);
    // Upper tail: the residual is formed from Q, so the root keeps its digits.
    const double x = invIncompleteGamma(0.1, 1 - 0x1p-45);
    EXPECT_NEAR(1 - incompleteGamma(0.1, x), 0x1p-45, 0x1p-45 * 1e-3);
    EXPECT_NEAR(invIncompleteGamma(1, 1 - 0x1p-40), 40 * std::log(2.0), 1e-13);
    EXPECT_NEAR(invIncompleteGamma(1, 1 - 1e-15), -std::log(1 - (1 - 1e-15)), 1e-13);
}

} // namespace
