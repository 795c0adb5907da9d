// SPDX-License-Identifier: MIT
// Compensated accumulators, their combination, repetition and rendering, and pairwise summation.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <span>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <Numeric/Sum.hpp>

namespace {

using namespace Numeric::Sum;
using testing::StrEq;
using testing::ThrowsMessage;

constexpr double inf = std::numeric_limits<double>::infinity();
using V = std::vector<double>;

std::uint64_t bits(double x) { return std::bit_cast<std::uint64_t>(x); }
double identity(double x) { return x; }

// Values spread over many magnitudes and both signs, so that the order of additions shows.
V spread(std::size_t n, std::uint64_t seed)
{
    std::mt19937_64 gen(seed);
    std::uniform_real_distribution<double> mant(-1.0, 1.0);
    std::uniform_int_distribution<int> expo(-30, 30);
    V v(n);
    for (double& x : v) x = std::ldexp(mant(gen), expo(gen));
    return v;
}

// The pairwise definition, written out plainly.
double pairwiseRef(std::span<const double> v)
{
    if (v.size() <= 256) {
        double r = 0.0;
        for (const double x : v) r = r + x;
        return r;
    }
    const std::size_t h = v.size() / 2;
    const double left = pairwiseRef(v.first(h));
    const double right = pairwiseRef(v.subspan(h));
    return left + right;
}

TEST(Sum, CompensationKeepsLowOrderBits)
{
    const V v{1, 1e100, 1, -1e100};
    EXPECT_EQ(sumVector(kbn, v), 2.0);
    EXPECT_EQ(sumVector(kb2, v), 2.0);
    EXPECT_EQ(sumVector(identity, v), 0.0);
    EXPECT_EQ(sum(kbn, {1.0, 1e100, 1.0, -1e100}), 2.0);

    EXPECT_EQ(kbn(zero<KBNSum>()) + kb2(zero<KB2Sum>()) + zero<double>(), 0.0);

    // Kahan: y = x - c; t = s + y; c' = (t - s) - y.
    EXPECT_EQ(add(KahanSum{1.0, 0.0}, 0x1p-60), (KahanSum{1.0, -0x1p-60}));
    // KBN takes the low bits of the smaller operand in either order.
    EXPECT_EQ(add(KBNSum{1.0, 0.0}, 0x1p-60), (KBNSum{1.0, 0x1p-60}));
    EXPECT_EQ(add(KBNSum{0x1p-60, 0.0}, 1.0), (KBNSum{1.0, 0x1p-60}));
    // KB2 compensates the compensation.
    const KB2Sum k = add(add(add(KB2Sum{}, 1.0), 0x1p-60), 0x1p-120);
    EXPECT_EQ(k, (KB2Sum{1.0, 0x1p-60, 0x1p-120}));
    EXPECT_EQ(kb2(k), 1.0 + 0x1p-60);
}

TEST(Sum, OverflowMakesTheCompensationNaN)
{
    const KBNSum a = add(add(KBNSum{}, 1e308), 1e308);
    EXPECT_EQ(a.s, inf);
    EXPECT_EQ(a.c, -inf); // (s - t) + x = -inf + 1e308
    EXPECT_TRUE(std::isnan(kbn(a)));
    const KBNSum b = add(a, 1.0);
    EXPECT_EQ(b.s, inf);
    EXPECT_TRUE(std::isnan(b.c)); // (inf - inf) + 1
    EXPECT_TRUE(std::isnan(sumVector(kb2, V{1e308, 1e308})));
}

// Both fields of the KBN fold, through extractors, so the vector fold can be compared field by field.
double kbnSumField(KBNSum a) { return a.s; }
double kbnCompField(KBNSum a) { return a.c; }

TEST(Sum, VectorFoldsAreBitIdenticalToTheUpdatesThroughOverflowAndNaN)
{
    const auto same = [](double a, double b) { return std::isnan(a) ? std::isnan(b) : bits(a) == bits(b); };
    for (const std::size_t n : {0u, 1u, 2u, 7u, 191u, 192u, 193u, 640u, 5000u, 10007u}) {
        for (int variant = 0; variant < 6; ++variant) {
            V v = spread(n, 77 + n);
            const std::size_t at = n / 2 + static_cast<std::size_t>(variant);
            if (variant > 0 && at + 1 >= n) continue;
            if (variant == 1) v[at] = inf;
            if (variant == 2) v[at] = -inf;
            if (variant == 3) v[at] = std::nan("");
            if (variant == 4) v[at] = v[at + 1] = 1e308; // overflow: c = -inf, then NaN
            if (variant == 5) v[0] = 0x1p60;             // |s| < |x| and |s| >= |x| both common
            KahanSum a{};
            KBNSum b{};
            KB2Sum c{};
            double d = 0.0;
            for (const double x : v) {
                a = add(a, x);
                b = add(b, x);
                c = add(c, x);
                d = add(d, x);
            }
            EXPECT_TRUE(same(sumVector(kbnSumField, v), b.s)) << n << " " << variant;
            EXPECT_TRUE(same(sumVector(kbnCompField, v), b.c)) << n << " " << variant;
            EXPECT_TRUE(same(sumVector(kbn, v), kbn(b))) << n << " " << variant;
            EXPECT_TRUE(same(sum(kbn, v), kbn(b))) << n << " " << variant;
            EXPECT_TRUE(same(sumVector(kahan, v), kahan(a))) << n << " " << variant;
            EXPECT_TRUE(same(sumVector(kb2, v), kb2(c))) << n << " " << variant;
            EXPECT_TRUE(same(sumVector(identity, v), d)) << n << " " << variant;
        }
    }
}

TEST(Sum, PairwiseIsBitIdenticalToTheDefinition)
{
    // 257 splits into 128 and 129: with these values the split shows in the last bit.
    V v(257, 1.0);
    v[0] = 0x1p53;
    // Left half: every 1 is lost against 2^53; right half: 129. Left to right would give 2^53.
    EXPECT_EQ(pairwiseSum(v), 0x1p53 + 128.0);
    EXPECT_EQ(pairwiseSum(std::span<const double>(v).first(256)), 0x1p53); // left to right: all lost

    for (const std::size_t n : {0u, 1u, 255u, 256u, 257u, 511u, 512u, 513u, 2047u, 4096u, 4097u,
                                8191u, 65537u, 1000000u}) {
        const V w = spread(n, 1000 + n);
        ASSERT_EQ(bits(pairwiseSum(w)), bits(pairwiseRef(w))) << n;
    }
    // Slices at odd offsets.
    const V w = spread(20000, 7);
    for (std::size_t off = 1; off < 40; off += 3) {
        const auto s = std::span<const double>(w).subspan(off, 20000 - 2 * off);
        ASSERT_EQ(bits(pairwiseSum(s)), bits(pairwiseRef(s))) << off;
    }
}

TEST(Sum, CombinationAndRepetition)
{
    EXPECT_EQ(combine(KahanSum{1, 0.5}, KahanSum{2, 0.25}), add(KahanSum{1, 0.5}, 2));
    EXPECT_EQ(combine(KBNSum{1, 0x1p-60}, KBNSum{0x1p-30, 0x1p-70}),
              add(add(KBNSum{1, 0x1p-60}, 0x1p-30), 0x1p-70));
    EXPECT_EQ(combine(KB2Sum{1, 0x1p-60, 0x1p-110}, KB2Sum{3, 0x1p-58, 0x1p-112}),
              add(add(add(KB2Sum{1, 0x1p-60, 0x1p-110}, 3), 0x1p-58), 0x1p-112));
    // zero is the identity of the value; on the left it folds b's compensation into the sum.
    const KBNSum z = zero<KBNSum>();
    EXPECT_EQ(combine(KBNSum{2.5, 0.125}, z), (KBNSum{2.5, 0.125}));
    EXPECT_EQ(combine(z, KBNSum{2.5, 0.125}), (KBNSum{2.625, 0}));

    // Binary powering in the standard order: 3 = (a.a).a, 6 = ((aa)(aa)).(aa), 7 = ((aa)(aa)).((aa).a).
    const KBNSum a{1.0 / 3.0, 1e-17};
    const auto c = [](KBNSum x, KBNSum y) { return combine(x, y); };
    const KBNSum aa = c(a, a);
    for (const auto& [n, expected] : {std::pair{1, a}, {2, aa}, {3, c(aa, a)}, {6, c(c(aa, aa), aa)}, {7, c(c(aa, aa), c(aa, a))}})
        EXPECT_EQ(stimes(n, a), expected) << n;
    EXPECT_EQ(stimes(1000, KahanSum{1.5, 0}), (KahanSum{1500, 0}));
    EXPECT_EQ(stimes(std::int64_t{1} << 40, KB2Sum{1, 0, 0}), (KB2Sum{0x1p40, 0, 0}));

    for (const std::int64_t n : {std::int64_t{0}, std::int64_t{-1}, std::numeric_limits<std::int64_t>::min()}) {
        const auto text = StrEq("stimes: positive multiplier expected");
        EXPECT_THAT([n] { stimes(n, KahanSum{}); }, ThrowsMessage<std::invalid_argument>(text));
        EXPECT_THAT([n] { stimes(n, KBNSum{}); }, ThrowsMessage<std::invalid_argument>(text));
        EXPECT_THAT([n] { stimes(n, KB2Sum{}); }, ThrowsMessage<std::invalid_argument>(text));
    }
}

TEST(Sum, RendersInConstructorFormAndReadsBack)
{
    std::ostringstream os;
    os << KB2Sum{1, 2, 3};
    const std::pair<std::string, const char*> rows[] = {
        {show(KBNSum{1.5, -0.25}), "KBNSum 1.5 (-0.25)"}, {show(KahanSum{0, -0.0}), "KahanSum 0 (-0)"},
        {show(KB2Sum{1e300, inf, -inf}), "KB2Sum 1e+300 Infinity (-Infinity)"},
        {showsPrec(11, KBNSum{2, 3}), "(KBNSum 2 3)"}, {showsPrec(10, KBNSum{2, 3}), "KBNSum 2 3"},
        {show(KBNSum{std::nan(""), 0.1}), "KBNSum NaN 0.1"}, {os.str(), "KB2Sum 1 2 3"}};
    for (const auto& [got, text] : rows) EXPECT_EQ(got, text);

    const V v = spread(60, 3);
    for (std::size_t i = 0; i + 2 < v.size(); i += 3) {
        const KB2Sum x{v[i], v[i + 1], -v[i + 2]};
        EXPECT_EQ(KB2Sum::read(show(x)), x);
        EXPECT_EQ(KB2Sum::read("  " + showsPrec(11, x) + "\n"), x);
        EXPECT_EQ(KBNSum::read(show(KBNSum{v[i], v[i + 1]})), (KBNSum{v[i], v[i + 1]}));
        EXPECT_EQ(KahanSum::read(show(KahanSum{v[i], v[i + 1]})), (KahanSum{v[i], v[i + 1]}));
    }
    const auto minusZero = KBNSum::read(show(KBNSum{-0.0, inf}));
    ASSERT_TRUE(minusZero);
    EXPECT_TRUE(std::signbit(minusZero->s));
    EXPECT_EQ(minusZero->c, inf);
    for (const char* bad : {"", "KBNSum", "KBNSum 1", "KBNSum 1 2 3", "KBNSum 1 (2", "(KBNSum 1 2",
                            "KBNSum1 2", "KBNSum 1 x", "KBNSum 1 2)", "KBNSum +1 2"}) {
        EXPECT_FALSE(KBNSum::read(bad)) << bad;
    }
    EXPECT_FALSE(KB2Sum::read("KB2Sum 1 2") || KahanSum::read("KahanSum 1 2)") || KahanSum::read("KBNSum 1 2"));
}

} // namespace
