// Horner evaluation (generic and double) and both Chebyshev forms.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <list>
#include <stdexcept>
#include <vector>

#include <Numeric/Polynomial.hpp>
#include <Numeric/Polynomial/Chebyshev.hpp>

namespace {

using namespace Numeric::Polynomial;
using namespace Numeric::Polynomial::Chebyshev;
using testing::StrEq;
using testing::ThrowsMessage;

constexpr double inf = std::numeric_limits<double>::infinity();
using V = std::vector<double>;

TEST(Polynomial, HornerForms)
{
    const V c{1, 2, 3};
    EXPECT_EQ(evaluatePolynomial(2.0, c), 17.0);
    EXPECT_EQ(evaluateEvenPolynomial(2.0, c), 57.0);
    EXPECT_EQ(evaluateOddPolynomial(2.0, c), 114.0);
    EXPECT_EQ(evaluatePolynomialL(2.0, {1.0, 2.0, 3.0}), 17.0);
    EXPECT_EQ(evaluateEvenPolynomialL(2.0, {1.0, 2.0, 3.0}), 57.0);
    EXPECT_EQ(evaluateOddPolynomialL(2.0, {1.0, 2.0, 3.0}), 114.0);
    EXPECT_EQ(evaluatePolynomialL(2.0, std::list<double>{1, 2, 3}), 17.0);
    EXPECT_EQ(evaluateOddPolynomialL(2.0, std::list<double>{1, 2, 3}), 114.0);
    EXPECT_EQ(evaluateEvenPolynomialL(2.0, std::list<double>{1, 2, 3}), 57.0);

    for (const double x : {0.0, -3.0, 1e300, inf, -inf}) {
        EXPECT_EQ(evaluatePolynomial(x, V{}), 0.0);
        EXPECT_EQ(evaluatePolynomial(x, V{7.5}), 7.5);
    }
    EXPECT_EQ(evaluateOddPolynomial(3.0, V{}), 0.0);
    EXPECT_TRUE(std::isnan(evaluateOddPolynomial(inf, V{}))); // x * 0

    // Generic element types.
    EXPECT_EQ(evaluatePolynomial<int>(2, std::vector<int>{1, 2, 3}), 17);
    EXPECT_EQ(evaluateOddPolynomialL<long>(-2, {1, 1}), -10);
}

TEST(Polynomial, MultipliesThenAddsWithoutFusing)
{
    // c0 + c1*x with the product rounded first: (1 + 2^-30)(1 - 2^-30) = 1 - 2^-60 rounds to 1, so
    // adding -1 gives 0; a fused multiply-add would give -2^-60.
    const double x = 1.0 + 0x1p-30;
    EXPECT_EQ(evaluatePolynomial(x, V{-1.0, 1.0 - 0x1p-30}), 0.0);
    // Horner order: c0 + x*(c1 + x*c2) in that grouping.
    const double y = 0.1;
    EXPECT_EQ(evaluatePolynomial(y, V{0.3, 0.7, 1.9}), 0.3 + y * (0.7 + y * 1.9));
}

TEST(Chebyshev, ClenshawForms)
{
    EXPECT_EQ(chebyshev(0.5, V{1, 1, 1}), 1.0);
    EXPECT_EQ(chebyshevBroucke(0.5, V{1, 1, 1}), 0.5);
    EXPECT_EQ(chebyshevBroucke(0.3, V{}), 0.0);
    for (const double x : {-1.0, 0.25, 7.0}) {
        EXPECT_EQ(chebyshev(x, V{3.5}), 3.5);
        EXPECT_EQ(chebyshevBroucke(x, V{3.5}), 1.75);
        // T_3(x) = 4x^3 - 3x
        EXPECT_EQ(chebyshev(x, V{0, 0, 0, 1}), 4 * x * x * x - 3 * x);
        EXPECT_EQ(chebyshevBroucke(x, V{0, 0, 0, 1}), 4 * x * x * x - 3 * x);
    }
    EXPECT_TRUE(std::isnan(chebyshev(inf, V{3.5})));
    EXPECT_THAT([] { chebyshev(0.5, V{}); },
                ThrowsMessage<std::out_of_range>(
                    StrEq("Numeric.Polynomial.Chebyshev.chebyshev: empty coefficient vector")));
    // Both forms agree apart from the halved first coefficient.
    const V a{0.75, -0.5, 0.125, 0.0625, -0.03125};
    const V a2{1.5, -0.5, 0.125, 0.0625, -0.03125};
    for (const double x : {-0.9, -0.1, 0.4, 0.95}) {
        EXPECT_NEAR(chebyshev(x, a), chebyshevBroucke(x, a2), 1e-15);
    }
}

} // namespace
