// Error functions and their inverses: edges, symmetry, round trips and failure texts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <math.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include <Numeric/SpecFunctions.hpp>
#include <Numeric/SpecFunctions/Compat.hpp>
#include <Numeric/SpecFunctions/Internal.hpp>

namespace {

using namespace Numeric::SpecFunctions;
using testing::StrEq;
using testing::ThrowsMessage;

constexpr double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

TEST(Erf, PlatformFunctions)
{
    for (double x : {-3.0, -0.5, 0.0, 1e-300, 0.5, 2.0, 27.0}) {
        EXPECT_EQ(Numeric::SpecFunctions::erf(x), ::erf(x));
        EXPECT_EQ(Numeric::SpecFunctions::erfc(x), ::erfc(x));
        EXPECT_EQ(Compat::c_erf(x), ::erf(x));
        EXPECT_EQ(Compat::c_erfc(x), ::erfc(x));
    }
}

TEST(Erf, GuessAndHalleyStep)
{
    const double p = 0.25;
    const double l = std::log(0.5 * p), t = std::sqrt(-(l + l));
    EXPECT_EQ(Internal::guessInvErfc(p), -0.70711 * ((2.30753 + 0.27061 * t) / (1 + t * (0.99229 + 0.04481 * t)) - t));
    const double x = 0.7, err = 0.01;
    EXPECT_EQ(Internal::invErfcHalleyStep(err, x), x + err / (1.1283791670955126 * std::exp(-x * x) - x * err));
    // invErfc in the middle range is exactly the guess followed by two steps.
    double y = Internal::guessInvErfc(p);
    for (int i = 0; i < 2; ++i) y = Internal::invErfcHalleyStep(::erfc(y) - p, y);
    EXPECT_EQ(invErfc(p), y);
    EXPECT_EQ(invErfc(2 - p), -y);
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
    const char* erfcPrefix = "Numeric.SpecFunctions.invErfc: p must be in [0,2] got ";
    EXPECT_THAT([] { invErfc(2.5); }, ThrowsMessage<std::domain_error>(StrEq(std::string(erfcPrefix) + "2.5")));
    EXPECT_THAT([] { invErfc(-0.1); }, ThrowsMessage<std::domain_error>(StrEq(std::string(erfcPrefix) + "-0.1")));
    EXPECT_THAT([] { invErfc(nan); }, ThrowsMessage<std::domain_error>(StrEq(std::string(erfcPrefix) + "NaN")));
    EXPECT_THAT([] { invErfc(inf); }, ThrowsMessage<std::domain_error>(StrEq(std::string(erfcPrefix) + "Infinity")));
    for (double p : {1.5, -1.5, nan, -inf})
        EXPECT_THAT([p] { invErf(p); }, ThrowsMessage<std::domain_error>(StrEq("invErf: p must in [-1,1] range")));
}

TEST(Erf, InversesRoundTrip)
{
    for (double p = -0.995; p < 1; p += 0.0175) EXPECT_NEAR(::erf(invErf(p)), p, 4e-16) << p;
    for (double p = 0.005; p < 2; p += 0.0175) EXPECT_NEAR(::erfc(invErfc(p)), p, 4e-16 * std::max(1.0, p)) << p;
    // Tiny arguments: the root is p sqrt(pi)/2 to double precision, with the sign of p.
    for (double p : {1e-19, 1e-40, 1e-300, 5e-324}) {
        EXPECT_NEAR(invErf(p), p / 1.1283791670955126, 1e-16 * p) << p;
        EXPECT_NEAR(invErf(-p), -p / 1.1283791670955126, 1e-16 * p) << p;
    }
    // Close to 1 (and, for invErfc, to 1 from both sides): relative accuracy of the small root.
    for (double d : {1e-6, 1e-10, 0x1p-52}) {
        const double below = 1 - d, above = 1 + d;  // erf(x) = 1 - p exactly for the root x
        EXPECT_NEAR(::erf(invErfc(below)), 1 - below, 2.3e-16 * (1 - below)) << d;
        EXPECT_NEAR(::erf(-invErfc(above)), above - 1, 2.3e-16 * (above - 1)) << d;
    }
    EXPECT_NEAR(::erfc(invErf(1 - 0x1p-53)), 0x1p-53, 1e-13 * 0x1p-53);
}

} // namespace
