// SPDX-License-Identifier: MIT
// The mutable matrix and the QR decomposition.
#include "Reference.hpp"

#include <Orrin/Matrix.hpp>
#include <Orrin/Matrix/Algorithms.hpp>
#include <Orrin/Matrix/Mutable.hpp>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

namespace M = Orrin::Matrix;
namespace MM = Orrin::Matrix::Mutable;
using Orrin::Matrix::Algorithms::qr;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

TEST(Mutable, CreationFailuresCarryTheirMessages)
{
    const struct {
        std::function<void()> call;
        const char* message;
    } rows[] = {
        {[] { MM::unsafeNew(-1, -1); }, "Orrin.Matrix.Mutable.unsafeNew: negative number of rows"},
        {[] { MM::unsafeNew(-1, 2); }, "Orrin.Matrix.Mutable.unsafeNew: negative number of rows"},
        {[] { MM::unsafeNew(2, -1); }, "Orrin.Matrix.Mutable.unsafeNew: negative number of columns"},
    };
    for (const auto& row : rows)
        EXPECT_THAT(row.call, ThrowsMessage<std::invalid_argument>(StrEq(row.message))) << row.message;
    EXPECT_THAT([] { MM::unsafeNew(std::int64_t{1} << 32, std::int64_t{1} << 32); },
                ThrowsMessage<std::length_error>(StrEq("vector allocation: negative or too large element count")));
    EXPECT_THROW(MM::replicate(-2, 2, 1.0), std::length_error);
    EXPECT_THROW(MM::unsafeNew(std::int64_t{1} << 31, std::int64_t{1} << 31), std::length_error);

    const M::Matrix empty = MM::unsafeFreeze(MM::unsafeNew(0, 5));
    EXPECT_EQ(M::dimension(empty), std::make_pair(std::int64_t{0}, std::int64_t{5}));
    EXPECT_EQ(M::debug(empty), "");
}

TEST(Mutable, WritesInPlaceThenFreezes)
{
    const MM::MMatrix mm = MM::unsafeNew(2, 3);
    EXPECT_EQ(MM::unsafeFreeze(mm), M::fromList(2, 3, {0, 0, 0, 0, 0, 0}));
    MM::unsafeWrite(mm, 1, 2, 4.0);
    MM::unsafeModify(mm, 1, 2, [](double x) { return x * 10; });
    EXPECT_EQ(MM::unsafeRead(mm, 1, 2), 40.0);

    // immutably sees the current contents, and a vector or matrix it returns does not change with
    // later writes.
    const M::Vector seen = MM::immutably(mm, [](const M::Matrix& m) { return M::toVector(m); });
    const double total = MM::immutably(mm, [](const M::Matrix& m) { return M::unsafeIndex(m, 1, 2) + 1; });
    MM::unsafeWrite(mm, 1, 2, -1.0);
    EXPECT_EQ(seen[5], 40.0);
    EXPECT_EQ(total, 41.0);

    const auto set = [](std::span<double> storage, std::int64_t k) { storage[static_cast<std::size_t>(k)] = 7.0; };
    MM::bounds(set, mm, 0, 1);
    MM::unsafeBounds(set, mm, 1, 0);
    EXPECT_EQ(MM::unsafeFreeze(mm), M::fromList(2, 3, {0, 7, 0, 7, 0, -1}));
    const struct {
        std::int64_t r, c;
        const char* message;
    } bad[] = {{2, 0, "row out of bounds"}, {-1, 9, "row out of bounds"}, {0, 3, "column out of bounds"}};
    for (const auto& b : bad)
        EXPECT_THAT([&] { MM::bounds(set, mm, b.r, b.c); }, ThrowsMessage<std::out_of_range>(StrEq(b.message)));

    // thaw copies; unsafeFreeze shares.
    const M::Matrix original = M::fromRowLists({{1, 2}, {3, 4}});
    const MM::MMatrix copy = MM::thaw(original);
    MM::unsafeWrite(copy, 0, 0, 9.0);
    EXPECT_EQ(M::unsafeIndex(original, 0, 0), 1.0);
    EXPECT_EQ(MM::unsafeFreeze(copy)._vector.data(), copy._vector.get());
    EXPECT_EQ(MM::unsafeFreeze(MM::replicate(2, 1, 2.5)), M::fromList(2, 1, {2.5, 2.5}));
}

TEST(Qr, SmallExamplesAreExact)
{
    const struct {
        M::Matrix a, q, r;
    } rows[] = {
        {M::ident(2), M::ident(2), M::ident(2)},
        {M::fromRowLists({{3}, {4}}), M::fromRowLists({{0.6}, {0.8}}), M::fromRowLists({{5}})},
        {M::fromRowLists({{1, 1}, {0, 1}}), M::ident(2), M::fromRowLists({{1, 1}, {0, 1}})},
        // Wider than tall: the third column has nothing left and becomes 0/0.
        {M::fromRowLists({{2, 0, 4}, {0, 3, 6}}), M::fromRowLists({{1, 0, NAN}, {0, 1, NAN}}),
         M::fromRowLists({{2, 0, 4}, {0, 3, 6}, {0, 0, 0}})},
    };
    for (const auto& row : rows) {
        const auto [q, r] = qr(row.a);
        EXPECT_TRUE(std::equal(q._vector.begin(), q._vector.end(), row.q._vector.begin(),
                               [](double x, double y) { return ref::sameBits(x, y); }))
            << M::debug(q);
        EXPECT_EQ(r, row.r) << M::debug(r);
    }
}

TEST(Qr, RankDeficientInputGivesNonFiniteValuesWithoutFailing)
{
    const M::Matrix zeroColumn = M::fromRowLists({{1, 0, 2}, {2, 0, 1}, {3, 0, 5}});
    const auto [q, r] = qr(zeroColumn);
    EXPECT_TRUE(std::isnan(M::unsafeIndex(q, 0, 1)));
    EXPECT_EQ(M::unsafeIndex(r, 1, 1), 0.0);
    EXPECT_TRUE(std::isnan(M::unsafeIndex(r, 1, 2)));
    EXPECT_EQ(M::unsafeIndex(r, 2, 0), 0.0);  // below the diagonal stays 0

    const auto [q0, r0] = qr(M::fromList(0, 2, {}));
    EXPECT_EQ(M::dimension(q0), std::make_pair(std::int64_t{0}, std::int64_t{2}));
    EXPECT_EQ(r0, M::fromList(2, 2, {0, 0, 0, 0}));
}

TEST(Qr, ReconstructsAndIsOrthonormalOnRandomFullRankInput)
{
    std::mt19937_64 gen(31);
    const std::int64_t shapes[][2] = {{5, 5}, {12, 7}, {40, 40}, {90, 61}, {130, 100}};
    for (const auto& s : shapes) {
        const ref::Dense d = ref::random(s[0], s[1], ref::Flavour::Gaussian, gen);
        const M::Matrix a = M::fromList(s[0], s[1], d.x);
        const auto [q, r] = qr(a);
        ASSERT_EQ(M::dimension(q), M::dimension(a));
        ASSERT_EQ(M::dimension(r), std::make_pair(s[1], s[1]));
        const M::Matrix qtq = M::multiply(M::transpose(q), q);
        const M::Matrix qr_ = M::multiply(q, r);
        double orthError = 0.0, reconError = 0.0;
        for (std::int64_t i = 0; i < s[1]; ++i)
            for (std::int64_t j = 0; j < s[1]; ++j) {
                orthError = std::max(orthError, std::fabs(M::unsafeIndex(qtq, i, j) - (i == j ? 1.0 : 0.0)));
                if (i > j) {
                    EXPECT_EQ(M::unsafeIndex(r, i, j), 0.0);
                }
            }
        for (std::int64_t k = 0; k < a._vector.size(); ++k)
            reconError = std::max(reconError, std::fabs(qr_._vector[k] - a._vector[k]));
        EXPECT_LT(orthError, 1e-12) << s[0] << "x" << s[1];
        EXPECT_LT(reconError, 1e-12) << s[0] << "x" << s[1];
    }
}

}  // namespace
