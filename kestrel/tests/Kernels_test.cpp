// SPDX-License-Identifier: MIT
// The product and QR paths chosen at run time against the plain reference loops, to the bit; each
// path is reached through the public Dispatch::useAtMost.
#include "Reference.hpp"

#include <Orrin/Matrix.hpp>
#include <Orrin/Matrix/Algorithms.hpp>
#include <Orrin/Matrix/Dispatch.hpp>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Orrin::Matrix::Dispatch::Isa;
namespace Dispatch = Orrin::Matrix::Dispatch;
using ref::Flavour;

constexpr Flavour flavours[] = {Flavour::Gaussian, Flavour::SmallInts, Flavour::WideRange, Flavour::Cancelling,
                                Flavour::Special,  Flavour::Extreme};

// Counts the elements that differ in bits (NaN matches any NaN) and reports the first.
::testing::AssertionResult sameBits(const std::vector<double>& want, const double* got, const std::string& what)
{
    for (std::size_t k = 0; k < want.size(); ++k)
        if (!ref::sameBits(want[k], got[k]))
            return ::testing::AssertionFailure() << what << ": element " << k << " is " << std::hexfloat << got[k]
                                                 << ", the plain loop gives " << want[k];
    return ::testing::AssertionSuccess();
}

class KernelPaths : public ::testing::TestWithParam<Isa> {
protected:
    void SetUp() override
    {
        if (Dispatch::useAtMost(GetParam()) != GetParam())
            GTEST_SKIP() << Dispatch::name(GetParam()) << " is not available on this processor";
    }
    void TearDown() override { Dispatch::useAtMost(Isa::Avx512); }
};

TEST_P(KernelPaths, ProductMatchesPlainLoopToTheBit)
{
    std::mt19937_64 gen(20261208);
    // Shapes around the strip and tile widths (4, 8, 16 columns; 2 and 4 rows), with inner
    // dimensions that differ (only min(c1, r2) terms count) and that are zero.
    const std::int64_t shapes[][4] = {{1, 1, 1, 1},   {3, 5, 5, 7},    {4, 8, 8, 16},  {5, 9, 7, 17},
                                      {9, 33, 40, 31}, {17, 3, 6, 40},  {2, 0, 0, 5},   {6, 12, 12, 23},
                                      {8, 64, 64, 24}, {13, 100, 90, 9}, {1, 7, 7, 1},  {33, 20, 20, 33}};
    for (Flavour f : flavours)
        for (const auto& s : shapes) {
            const ref::Dense a = ref::random(s[0], s[1], f, gen);
            const ref::Dense b = ref::random(s[2], s[3], f, gen);
            const ref::Dense want = ref::multiply(a, b);
            const auto got = Orrin::Matrix::multiply(Orrin::Matrix::fromList(a.rows, a.cols, a.x),
                                                     Orrin::Matrix::fromList(b.rows, b.cols, b.x));
            EXPECT_TRUE(sameBits(want.x, got._vector.data(),
                                 "flavour " + std::to_string(static_cast<int>(f)) + " shape " + std::to_string(s[0]) +
                                     "x" + std::to_string(s[1]) + " * " + std::to_string(s[2]) + "x" +
                                     std::to_string(s[3])));
        }
}

TEST_P(KernelPaths, QrMatchesPlainLoopToTheBit)
{
    std::mt19937_64 gen(7);
    const std::int64_t shapes[][2] = {{1, 1}, {2, 2}, {5, 3}, {3, 5}, {9, 9}, {20, 17}, {40, 33}, {31, 40}, {70, 41}, {66, 64}};
    for (Flavour f : flavours)
        for (const auto& s : shapes) {
            const ref::Dense a = ref::random(s[0], s[1], f, gen);
            ref::Dense q, r;
            ref::qr(a, q, r);
            const auto [gotQ, gotR] = Orrin::Matrix::Algorithms::qr(Orrin::Matrix::fromList(a.rows, a.cols, a.x));
            const std::string what =
                "flavour " + std::to_string(static_cast<int>(f)) + " " + std::to_string(s[0]) + "x" + std::to_string(s[1]);
            EXPECT_TRUE(sameBits(q.x, gotQ._vector.data(), what + " Q"));
            EXPECT_TRUE(sameBits(r.x, gotR._vector.data(), what + " R"));
        }
}

INSTANTIATE_TEST_SUITE_P(Kernels, KernelPaths, ::testing::Values(Isa::Scalar, Isa::Avx2, Isa::Avx512),
                         [](const auto& info) { return std::string(Dispatch::name(info.param)); });

// The limit falls back to the widest path the processor has, and useAtMost(Avx512) restores it.
TEST(Kernels, UseAtMostPicksTheWidestOfferedPathNotAboveTheLimit)
{
    const Isa best = Dispatch::best();
    EXPECT_EQ(Dispatch::useAtMost(Isa::Scalar), Isa::Scalar);
    EXPECT_EQ(Dispatch::active(), Isa::Scalar);
    EXPECT_EQ(Dispatch::useAtMost(Isa::Avx2), best == Isa::Scalar ? Isa::Scalar : Isa::Avx2);
    EXPECT_EQ(Dispatch::useAtMost(Isa::Avx512), best);
    EXPECT_EQ(Dispatch::active(), best);
}

// The public entry points (whatever path this processor takes) against the same reference.
TEST(Kernels, PublicProductVectorProductAndQrMatchPlainLoops)
{
    std::mt19937_64 gen(99);
    for (Flavour f : flavours) {
        const ref::Dense a = ref::random(37, 29, f, gen);
        const ref::Dense b = ref::random(29, 19, f, gen);
        const auto ma = Orrin::Matrix::fromList(a.rows, a.cols, a.x);
        const auto mb = Orrin::Matrix::fromList(b.rows, b.cols, b.x);
        EXPECT_TRUE(sameBits(ref::multiply(a, b).x, Orrin::Matrix::multiply(ma, mb)._vector.data(), "multiply"));

        const ref::Dense v = ref::random(29, 1, f, gen);
        const Orrin::Matrix::Vector got = Orrin::Matrix::multiplyV(ma, v.x);
        EXPECT_TRUE(sameBits(ref::multiply(a, v).x, got.data(), "multiplyV"));

        double s = 0.0, c = 0.0;
        for (double x : a.x) ref::add(s, c, x * x);
        EXPECT_TRUE(ref::sameBits(std::sqrt(s + c), Orrin::Matrix::norm(a.x)));

        ref::Dense q, r;
        ref::qr(a, q, r);
        const auto [mq, mr] = Orrin::Matrix::Algorithms::qr(ma);
        EXPECT_TRUE(sameBits(q.x, mq._vector.data(), "qr Q"));
        EXPECT_TRUE(sameBits(r.x, mr._vector.data(), "qr R"));
    }
}

}  // namespace
