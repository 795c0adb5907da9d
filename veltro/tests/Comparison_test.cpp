// Constants (exact bit patterns) and relative-error / ULP comparison.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include <Numeric/Veltro/Comparison.hpp>
#include <Numeric/Veltro/Constants.hpp>

namespace {

using namespace Numeric::Veltro::Comparison;
namespace C = Numeric::Veltro::Constants;

std::uint64_t bits(double x) { return std::bit_cast<std::uint64_t>(x); }

constexpr double minSub = 4.9406564584124654e-324;

TEST(Constants, HaveTheirExactBits)
{
    struct Row {
        double value;
        std::uint64_t bits;
    };
    const Row rows[] = {
        {C::m_huge, 0x7fefffffffffffff},         {C::m_tiny, 0x0010000000000000},
        {C::m_pos_inf, 0x7ff0000000000000},      {C::m_neg_inf, 0xfff0000000000000},
        {C::m_max_log, 0x40862e42fefa39ef},      {C::m_min_log, 0xc086232bdd7abcd2},
        {C::m_sqrt_2, 0x3ff6a09e667f3bcd},       {C::m_sqrt_2_pi, 0x40040d931ff62706},
        {C::m_2_sqrt_pi, 0x3ff20dd750429b6d},    {C::m_1_sqrt_2, 0x3fe6a09e667f3bcd},
        {C::m_epsilon, 0x3cb0000000000000},      {C::m_sqrt_eps, 0x3e50000000000000},
        {C::m_ln_sqrt_2_pi, 0x3fed67f1c864beb5}, {C::m_eulerMascheroni, 0x3fe2788cfc6fb619},
    };
    for (const Row& r : rows) EXPECT_EQ(bits(r.value), r.bits) << r.value;
    static_assert(C::m_max_exp == 1024);
    static_assert(C::m_huge == std::numeric_limits<double>::max());
    static_assert(C::m_tiny == std::numeric_limits<double>::min());
    EXPECT_TRUE(std::isnan(C::m_NaN));
    // The named values are what they claim to be.
    EXPECT_EQ(C::m_max_log, std::log(C::m_huge));
    EXPECT_EQ(C::m_min_log, std::log(C::m_tiny));
    EXPECT_EQ(C::m_sqrt_eps * C::m_sqrt_eps, C::m_epsilon);
    EXPECT_EQ(1.0 + C::m_epsilon, std::nextafter(1.0, 2.0));
}

TEST(Comparison, RelativeError)
{
    struct Row {
        double a, b, expected;
    };
    const Row rows[] = {
        {0.0, -0.0, 0.0}, {0.0, 5.0, 1.0}, {-5.0, 0.0, 1.0}, {1.0, 1.0, 0.0},
        {1.0, 2.0, 0.5},  {-2.0, 1.0, 1.5}, {4.0, 3.0, 0.25},
    };
    for (const Row& r : rows) EXPECT_EQ(relativeError(r.a, r.b), r.expected) << r.a << " " << r.b;
    EXPECT_TRUE(std::isnan(relativeError(C::m_NaN, 1.0)));
    EXPECT_TRUE(std::isnan(relativeError(1.0, C::m_NaN)));

    for (const double a : {0.0, -3.5, 1e300, minSub}) {
        EXPECT_TRUE(eqRelErr(1e-300, a, a));
        EXPECT_FALSE(eqRelErr(0.0, a, a));
    }
    EXPECT_FALSE(eqRelErr(0.5, 1.0, 2.0)); // strict
    EXPECT_TRUE(eqRelErr(0.51, 1.0, 2.0));
    EXPECT_FALSE(eqRelErr(1e9, C::m_NaN, C::m_NaN));
}

TEST(Comparison, UlpDistanceAndDelta)
{
    struct Row {
        double a, b;
        std::uint64_t distance;
        std::int64_t delta;
    };
    const Row rows[] = {
        {0.0, -0.0, 1, -1},
        {1.0, 1.0, 0, 0},
        {1.0, 1.0000000000000002, 1, 1},
        {1.0000000000000002, 1.0, 1, -1},
        {-minSub, minSub, 3, 3},
        {-1.0, -1.0000000000000002, 1, -1},
        {C::m_huge, C::m_pos_inf, 1, 1},
        {1.0, 2.0, std::uint64_t{1} << 52, std::int64_t{1} << 52},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(ulpDistance(r.a, r.b), r.distance) << r.a << " " << r.b;
        EXPECT_EQ(ulpDistance(r.b, r.a), r.distance);
        EXPECT_EQ(ulpDelta(r.a, r.b), r.delta) << r.a << " " << r.b;
    }
    // Across the whole range the difference wraps when read as signed.
    EXPECT_EQ(ulpDistance(C::m_neg_inf, C::m_pos_inf), 0xffe0000000000001u);
    EXPECT_EQ(ulpDelta(C::m_neg_inf, C::m_pos_inf), static_cast<std::int64_t>(0xffe0000000000001u));
}

TEST(Comparison, AddUlpsAndWithin)
{
    EXPECT_EQ(bits(addUlps(1, -0.0)), bits(0.0));
    EXPECT_EQ(bits(addUlps(-1, 0.0)), bits(-0.0));
    EXPECT_EQ(addUlps(1, 0.0), minSub);
    EXPECT_EQ(addUlps(-2, minSub), -0.0);
    EXPECT_EQ(bits(addUlps(-3, minSub)), bits(-minSub));
    EXPECT_EQ(addUlps(1, 1.0), 1.0000000000000002);
    EXPECT_EQ(addUlps(-1, -1.0), -1.0000000000000002);
    EXPECT_EQ(addUlps(1, C::m_huge), C::m_pos_inf);

    std::mt19937_64 gen(42);
    std::uniform_int_distribution<std::uint64_t> pattern(0, 0x7fefffffffffffff);
    std::uniform_int_distribution<std::int64_t> step(-1000000, 1000000);
    for (int i = 0; i < 2000; ++i) {
        const double x = std::bit_cast<double>(pattern(gen) | (i % 2 == 0 ? 0 : std::uint64_t{1} << 63));
        const std::int64_t n = step(gen);
        const double y = addUlps(n, x);
        ASSERT_EQ(bits(addUlps(-n, y)), bits(x)) << x << " " << n;
        if (std::isfinite(y)) {
            ASSERT_EQ(ulpDelta(x, y), n) << x << " " << n;
            ASSERT_TRUE(within(std::abs(n), x, y));
            if (n != 0) {
                ASSERT_FALSE(within(std::abs(n) - 1, x, y));
            }
        }
    }
    for (const double x : {0.0, -0.0, 1.5, C::m_NaN, C::m_pos_inf}) {
        EXPECT_TRUE(within(0, x, x));
        EXPECT_FALSE(within(-1, x, x));
    }
    EXPECT_TRUE(within(1, 0.0, -0.0));
    EXPECT_FALSE(within(0, 0.0, -0.0));
}

} // namespace
