// SPDX-License-Identifier: MIT
// Construction, access, rendering and arithmetic of the immutable matrix.
#include <Orrin/Matrix.hpp>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <sstream>
#include <utility>
#include <vector>

namespace {

namespace M = Orrin::Matrix;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

std::vector<double> elems(const M::Matrix& m)
{
    return M::toList(m);
}

TEST(Matrix, BuildsFromRowsColumnsListsAndGenerators)
{
    const M::Matrix m = M::fromRowLists({{1, 2}, {3, 4}});
    EXPECT_EQ(M::dimension(m), std::make_pair(std::int64_t{2}, std::int64_t{2}));
    EXPECT_EQ(elems(m), (std::vector<double>{1, 2, 3, 4}));
    EXPECT_EQ(elems(M::fromColumns({M::Vector{1, 2}, M::Vector{3, 4}})), (std::vector<double>{1, 3, 2, 4}));
    EXPECT_EQ(M::fromRows({M::Vector{1, 2}, M::Vector{3, 4}}), m);
    EXPECT_EQ(M::fromList(2, 2, {1, 2, 3, 4}), m);
    EXPECT_EQ(M::generate(2, 3, [](std::int64_t i, std::int64_t j) { return 10.0 * i + j; }),
              M::fromRowLists({{0, 1, 2}, {10, 11, 12}}));
    EXPECT_EQ(M::ident(3), M::diag(std::vector<double>{1, 1, 1}));
    EXPECT_EQ(M::diag(std::vector<double>{2, 5}), M::fromRowLists({{2, 0}, {0, 5}}));
    EXPECT_EQ(M::fromList(0, 4, {}).cols, 4);

    // fromVector shares the vector it is given; toVector hands it out again.
    const M::Vector v{1, 2, 3, 4, 5, 6};
    const M::Matrix shared = M::fromVector(3, 2, v);
    EXPECT_EQ(M::toVector(shared).data(), v.data());
}

TEST(Matrix, GenerateSymCallsTheUpperTriangleInOrder)
{
    std::vector<std::pair<std::int64_t, std::int64_t>> calls;
    const M::Matrix m = M::generateSym(3, [&](std::int64_t i, std::int64_t j) {
        calls.emplace_back(i, j);
        return static_cast<double>(10 * i + j);
    });
    using P = std::pair<std::int64_t, std::int64_t>;
    EXPECT_EQ(calls, (std::vector<P>{{0, 0}, {0, 1}, {0, 2}, {1, 1}, {1, 2}, {2, 2}}));
    EXPECT_EQ(m, M::fromRowLists({{0, 1, 2}, {1, 11, 12}, {2, 12, 22}}));
}

TEST(Matrix, ConstructionFailuresCarryTheirMessages)
{
    const std::vector<M::Vector> none;
    const struct {
        std::function<void()> call;
        const char* message;
    } rows[] = {
        {[&] { M::fromRows(none); }, "Orrin.Matrix.fromRows: empty list of rows!"},
        {[] { M::fromRowLists({{1, 2}, {3}}); }, "Orrin.Matrix.fromRows: row sizes do not match"},
        {[] { M::fromRows({M::Vector{}, M::Vector{}}); }, "Orrin.Matrix.fromRows: zero columns in matrix"},
        // The size comparison comes before the zero-column test.
        {[] { M::fromRowLists({{}, {1}}); }, "Orrin.Matrix.fromRows: row sizes do not match"},
        {[] { M::fromColumns({M::Vector{1}, M::Vector{1, 2}}); }, "Orrin.Matrix.fromRows: row sizes do not match"},
        {[] { M::fromList(2, 3, {1, 2, 3, 4, 5}); }, "input size mismatch"},
        // Negative sizes whose product is the length, and a product that wraps to it, do not match.
        {[] { M::fromList(-1, -3, {1, 2, 3}); }, "input size mismatch"},
        {[] { M::fromVector(std::int64_t{1} << 32, std::int64_t{1} << 32, M::Vector{}); }, "input size mismatch"},
        // A record built by hand that breaks the shape invariant is refused, not read out of range.
        {[] { M::transpose(M::Matrix{3, 3, M::Vector{1, 2}}); }, "input size mismatch"},
    };
    for (const auto& row : rows)
        EXPECT_THAT(row.call, ThrowsMessage<std::invalid_argument>(StrEq(row.message))) << row.message;

    EXPECT_THAT([] { M::generate(-1, 2, [](auto, auto) { return 0.0; }); },
                ThrowsMessage<std::length_error>(StrEq("vector allocation: negative or too large element count")));
    EXPECT_THAT([] { M::ident(std::int64_t{1} << 40); }, ThrowsMessage<std::length_error>(::testing::_));
}

TEST(Matrix, AccessorsShareRowsAndCheckWhereDocumented)
{
    const M::Matrix m = M::fromRowLists({{1, 2, 3}, {4, 5, 6}});
    const M::Vector r1 = M::row(m, 1);
    EXPECT_EQ(r1, (M::Vector{4, 5, 6}));
    EXPECT_EQ(r1.data(), m._vector.data() + 3);  // a view, not a copy
    EXPECT_EQ(M::column(m, 2), (M::Vector{3, 6}));
    EXPECT_EQ(M::toRowLists(m), (std::vector<std::vector<double>>{{1, 2, 3}, {4, 5, 6}}));
    EXPECT_EQ(M::toColumns(m), (std::vector<M::Vector>{{1, 4}, {2, 5}, {3, 6}}));
    EXPECT_EQ(M::toRows(m)[0].data(), m._vector.data());
    EXPECT_EQ(M::unsafeIndex(m, 1, 0), 4.0);

    EXPECT_THAT([&] { M::row(m, 2); }, ThrowsMessage<std::out_of_range>(StrEq("vector slice out of range")));
    EXPECT_THAT([&] { M::row(m, -1); }, ThrowsMessage<std::out_of_range>(StrEq("vector slice out of range")));
    EXPECT_THAT([&] { M::column(m, 3); }, ThrowsMessage<std::out_of_range>(StrEq("vector index out of range")));
    EXPECT_THAT([&] { r1.at(3); }, ThrowsMessage<std::out_of_range>(StrEq("vector index out of range")));

    const auto at = [](const M::Vector& v, std::int64_t k) { return v[k]; };
    EXPECT_EQ(M::bounds(at, m, 1, 2), 6.0);
    EXPECT_EQ(M::unsafeBounds(at, m, 0, 1), 2.0);
    const struct {
        std::int64_t i, j;
        const char* message;
    } bad[] = {{2, 0, "row out of bounds"}, {2, 3, "row out of bounds"}, {-1, 0, "row out of bounds"},
               {0, 3, "column out of bounds"}, {1, -1, "column out of bounds"}};
    for (const auto& b : bad)
        EXPECT_THAT([&] { M::bounds(at, m, b.i, b.j); }, ThrowsMessage<std::out_of_range>(StrEq(b.message)))
            << b.i << "," << b.j;
}

TEST(Matrix, EqualityIsElementwiseIeee)
{
    const M::Matrix withNaN = M::fromRowLists({{1, nan}});
    EXPECT_TRUE(M::hasNaN(withNaN));
    EXPECT_FALSE(withNaN == withNaN);
    EXPECT_FALSE(M::hasNaN(M::fromRowLists({{1, inf}})));
    EXPECT_EQ(M::fromRowLists({{0.0}}), M::fromRowLists({{-0.0}}));
    EXPECT_FALSE(M::fromList(1, 2, {1, 2}) == M::fromList(2, 1, {1, 2}));
}

TEST(Matrix, RendersWithAlignedDecimalPoints)
{
    const struct {
        M::Matrix m;
        const char* text;
    } rows[] = {
        {M::fromRowLists({{1, 2.5}, {10, 0.25}}), "(2,2)  1     2.5\n      10     0.25\n"},
        {M::fromRowLists({{1.0 / 3, 2}}), "(1,2) 0.3333 2\n"},
        {M::fromRowLists({{-1.5}, {100}, {0.00001}}), "(3,1)  -1.5\n      100\n        0\n"},
        {M::fromRowLists({{-0.00001, 123456.789}}), "(1,2)     -0     123456.789\n"},
        {M::fromRowLists({{nan, -inf, 2.5}}), "(1,3)       NaN   -Infinity           2.5\n"},
        {M::fromRowLists({{1e20}}), "(1,1) 100000000000000000000\n"},
        {M::fromList(0, 3, {}), ""},
        {M::fromList(2, 0, {}), ""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(M::debug(row.m), row.text);
        std::ostringstream os;
        os << row.m;
        EXPECT_EQ(os.str(), row.text);
    }
}

TEST(Matrix, ProductsFollowTheCompensatedSum)
{
    const M::Matrix m = M::fromRowLists({{1, 2}, {3, 4}});
    EXPECT_EQ(M::multiply(m, m), M::fromRowLists({{7, 10}, {15, 22}}));
    // Only min(3, 2) terms: the inner dimensions are not compared.
    const M::Matrix a = M::fromRowLists({{1, 2, 100}, {3, 4, 100}});
    EXPECT_EQ(M::multiply(a, m), M::fromRowLists({{7, 10}, {15, 22}}));
    // Terms that a plain sum would lose.
    const M::Matrix big = M::fromRowLists({{1e100, 1, -1e100}});
    EXPECT_EQ(M::multiplyV(big, std::vector<double>{1, 1, 1}), (M::Vector{1}));
    EXPECT_EQ(M::multiply(big, M::fromRowLists({{1}, {1}, {1}})), M::fromRowLists({{1}}));
    // 1 + 1e-16 + 1e-16: a plain sum stays at 1, the compensation keeps the two small terms.
    EXPECT_EQ(M::multiplyV(M::fromRowLists({{1, 1e-16, 1e-16}}), std::vector<double>{1, 1, 1})[0], 0x1.0000000000001p+0);
    EXPECT_EQ(M::norm(std::vector<double>{1, 1e-8, 1e-8, 1e-8, 1e-8}), 0x1.0000000000001p+0);
    // An overflowing sum gives NaN in the compensation, so NaN rather than infinity.
    EXPECT_TRUE(std::isnan(M::multiplyV(M::fromRowLists({{1e308, 1e308}}), std::vector<double>{10, 10})[0]));

    EXPECT_THAT([&] { M::multiplyV(a, std::vector<double>{1, 2}); },
                ThrowsMessage<std::invalid_argument>(StrEq("matrix/vector unconformable (3,2)")));
    // Element counts that overflow or cannot be allocated fail cleanly.
    const M::Matrix tall{std::int64_t{1} << 32, 0, M::Vector{}};
    const M::Matrix wide{0, std::int64_t{1} << 32, M::Vector{}};
    EXPECT_THROW(M::multiply(tall, wide), std::length_error);
    EXPECT_EQ(M::dimension(M::multiply(wide, tall)), std::make_pair(std::int64_t{0}, std::int64_t{0}));
}

TEST(Matrix, PowerTransposeMapNormCenter)
{
    const M::Matrix m = M::fromRowLists({{1, 1}, {1, 0}});
    EXPECT_EQ(M::power(m, 1)._vector.data(), m._vector.data());
    const M::Matrix p = M::power(m, 2);
    EXPECT_EQ(M::power(m, 5), M::multiply(M::multiply(p, p), m));
    EXPECT_EQ(M::power(m, 10), M::fromRowLists({{89, 55}, {55, 34}}));
    for (std::int64_t k : {0, -3})
        EXPECT_THAT([&] { M::power(m, k); },
                    ThrowsMessage<std::invalid_argument>(StrEq("Orrin.Matrix.power: exponent must be at least 1")));

    const M::Matrix a = M::fromRowLists({{1, 2, 3}, {4, 5, 6}});
    EXPECT_EQ(M::transpose(a), M::fromRowLists({{1, 4}, {2, 5}, {3, 6}}));
    const M::Matrix big = M::generate(70, 45, [](std::int64_t i, std::int64_t j) { return i * 100.0 + j; });
    EXPECT_EQ(M::transpose(M::transpose(big)), big);
    EXPECT_EQ(M::unsafeIndex(M::transpose(big), 44, 69), 6944.0);
    EXPECT_EQ(M::map([](double x) { return x * 2; }, a), M::fromRowLists({{2, 4, 6}, {8, 10, 12}}));

    EXPECT_EQ(M::norm(std::vector<double>{3, 4}), 5.0);
    EXPECT_EQ(M::norm(std::vector<double>{}), 0.0);
    EXPECT_EQ(M::center(M::generate(3, 4, [](std::int64_t i, std::int64_t j) { return 10.0 * i + j; })), 12.0);
    EXPECT_THAT([] { M::center(M::fromList(0, 3, {})); },
                ThrowsMessage<std::out_of_range>(StrEq("vector index out of range")));

    EXPECT_EQ(M::Function::square(-3.0), 9.0);
    std::vector<std::int64_t> seen;
    M::Function::for_(2, 5, [&](std::int64_t i) { seen.push_back(i); });
    M::Function::for_(5, 2, [&](std::int64_t i) { seen.push_back(i); });
    EXPECT_EQ(seen, (std::vector<std::int64_t>{2, 3, 4}));
}

}  // namespace
