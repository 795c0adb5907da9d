// Auxiliary special functions: digamma, log1pmx, log2, sinc and modErr, their branches, edges and
// failure texts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

#include <Numeric/SpecFunctions.hpp>
#include <Numeric/SpecFunctions/Internal.hpp>

namespace {

using namespace Numeric::SpecFunctions;
using testing::StrEq;
using testing::ThrowsMessage;

constexpr double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double euler = 0.57721566490153287;

TEST(Auxiliary, DigammaBranchesAndEdges)
{
    EXPECT_NEAR(digamma(1), -euler, 1e-15);
    EXPECT_NEAR(digamma(2), 1 - euler, 2e-15);
    EXPECT_NEAR(digamma(0.5), -euler - 2 * std::log(2.0), 1e-15);
    // Reflection: psi(-0.5) = psi(1.5) + pi / tan(pi / 2) with the rounded tan.
    EXPECT_EQ(digamma(-0.5), digamma(1.5) + 3.1415926535897931 / std::tan(-3.1415926535897931 * -0.5));
    EXPECT_NEAR(digamma(-0.5), 0.03648997397857652, 1e-15);
    EXPECT_EQ(digamma(1e-7), (-euler - 1e7) + 1.6449340668482264 * 1e-7);
    EXPECT_EQ(digamma(1e-6), (-euler - 1e6) + 1.6449340668482264 * 1e-6);
    // Poles and non-finite arguments, including integers beyond the 64-bit range.
    for (double x : {0.0, -0.0, -1.0, -3.0, -1e15, -0x1p63, -0x1p64, -1e300, -std::numeric_limits<double>::max()})
        EXPECT_EQ(digamma(x), -inf) << x;
    EXPECT_TRUE(std::isnan(digamma(inf)));
    EXPECT_TRUE(std::isnan(digamma(-inf)));
    EXPECT_TRUE(std::isnan(digamma(nan)));
    // Large arguments: psi(x) ~ ln x - 1/(2x).
    EXPECT_NEAR(digamma(1e10), std::log(1e10) - 0.5e-10, 1e-14);
    EXPECT_NEAR(digamma(-2.5), 1.1031566406452432, 2e-15);
}

TEST(Auxiliary, Log1pmxBranchesAndEdges)
{
    EXPECT_EQ(log1pmx(-1), -inf);
    EXPECT_EQ(log1pmx(1), std::log(2.0) - 1);       // |x| > 0.95: the direct formula
    EXPECT_EQ(log1pmx(-0.96), std::log(1 - 0.96) + 0.96);
    const double zero = log1pmx(0);
    EXPECT_EQ(zero, 0.0);
    EXPECT_TRUE(std::signbit(zero));                 // -(0*0/2)
    EXPECT_EQ(log1pmx(1e-17), -(1e-17 * 1e-17 / 2));
    EXPECT_EQ(log1pmx(-1e-17), -(1e-17 * 1e-17 / 2));
    // The series: ln(1.5) - 0.5 and ln(0.5) + 0.5.
    EXPECT_NEAR(log1pmx(0.5), std::log(1.5) - 0.5, 1e-16);
    EXPECT_NEAR(log1pmx(-0.5), std::log(0.5) + 0.5, 1e-16);
    EXPECT_NEAR(log1pmx(1e-3), std::log1p(1e-3) - 1e-3, 4e-19);
    EXPECT_TRUE(std::isnan(log1pmx(nan)));           // terminates: a NaN term stops the series
    EXPECT_TRUE(std::isnan(log1pmx(inf)));           // ln(inf) - inf
    EXPECT_THAT([] { log1pmx(-1.5); }, ThrowsMessage<std::domain_error>(StrEq("Domain error")));
    EXPECT_THAT([] { log1pmx(-inf); }, ThrowsMessage<std::domain_error>(StrEq("Domain error")));
}

TEST(Auxiliary, Log2)
{
    const std::int64_t cases[][2] = {{1, 0},    {2, 1},          {3, 1},  {1023, 9},
                                     {1024, 10}, {int64_t{1} << 62, 62}, {INT64_MAX, 62}, {0xFFFFFFFFLL, 31}};
    for (const auto& c : cases) EXPECT_EQ(Numeric::SpecFunctions::log2(c[0]), c[1]) << c[0];
    EXPECT_THAT([] { Numeric::SpecFunctions::log2(0); },
                ThrowsMessage<std::domain_error>(StrEq("Numeric.SpecFunctions.log2: nonpositive input, got 0")));
    EXPECT_THAT([] { Numeric::SpecFunctions::log2(-12); },
                ThrowsMessage<std::domain_error>(StrEq("Numeric.SpecFunctions.log2: nonpositive input, got -12")));
}

TEST(Auxiliary, SincBranches)
{
    EXPECT_EQ(sinc(0), 1.0);
    EXPECT_EQ(sinc(1e-8), 1.0);
    EXPECT_EQ(sinc(1e-5), 1 - 1e-5 * 1e-5 / 6);
    EXPECT_EQ(sinc(-1e-5), 1 - 1e-5 * 1e-5 / 6);
    const double x = 1e-3, x2 = x * x;
    EXPECT_EQ(sinc(x), (1 - x2 / 6) + x2 * x2 / 120);
    EXPECT_EQ(sinc(0.5), std::sin(0.5) / 0.5);
    EXPECT_NEAR(sinc(3.1415926535897931), 0, 1e-16);
    EXPECT_TRUE(std::isnan(sinc(inf)));
    EXPECT_TRUE(std::isnan(sinc(nan)));
}

TEST(Auxiliary, ModErrPrefixesItsText)
{
    EXPECT_THAT([] { Internal::modErr("boom"); }, ThrowsMessage<std::domain_error>(StrEq("Numeric.SpecFunctions.boom")));
}

} // namespace
