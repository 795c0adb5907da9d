// Tests of Numeric/Series.hpp: generators, element-wise arithmetic, series and continued fractions.
#include <Numeric/Series.hpp>

#include <gtest/gtest.h>

#include <ranges>
#include <vector>

using namespace Numeric::Series;

namespace {

template <class R>
std::vector<double> firstN(R&& r, int n)
{
    std::vector<double> out;
    for (double v : r | std::views::take(n)) out.push_back(v);
    return out;
}

auto halving() { return Sequence(1.0, [](double v) { return std::pair{v, v / 2}; }); }

} // namespace

TEST(Series, GeneratorsAndArithmeticYieldTheirElements)
{
    using V = std::vector<double>;
    EXPECT_EQ(firstN(sequenceToList(enumSequenceFrom(1.0)), 4), (V{1, 2, 3, 4}));
    EXPECT_EQ(firstN(sequenceToList(enumSequenceFromStep(1.0, 0.5)), 4), (V{1, 1.5, 2, 2.5}));
    EXPECT_EQ(firstN(sequenceToList(scanSequence([](double b, double a) { return b + a; }, 0.0, enumSequenceFrom(1.0))), 5),
              (V{0, 1, 3, 6, 10}));
    EXPECT_EQ(firstN(sequenceToList(pure(7.0)), 3), (V{7, 7, 7}));
    const auto n = enumSequenceFrom(1.0);
    EXPECT_EQ(firstN(sequenceToList(n + n * 2.0), 3), (V{3, 6, 9}));
    EXPECT_EQ(firstN(sequenceToList(n - 1.0), 3), (V{0, 1, 2}));
    EXPECT_EQ(firstN(sequenceToList(1.0 / n), 3), (V{1, 0.5, 1.0 / 3}));
    EXPECT_EQ(firstN(sequenceToList(recip(n)), 3), (V{1, 0.5, 1.0 / 3}));
    EXPECT_EQ(firstN(sequenceToList(abs(-n)), 2), (V{1, 2}));
    EXPECT_EQ(firstN(sequenceToList(signum(n - 2.0)), 3), (V{-1, 0, 1}));
    EXPECT_EQ(firstN(sequenceToList(mapSequence([](double x) { return x * x; }, n)), 3), (V{1, 4, 9}));
    // A sequence is a value: consuming it twice yields the same elements.
    const auto sq = scanSequence([](double b, double a) { return b * a; }, 1.0, n);
    EXPECT_EQ(firstN(sequenceToList(sq), 5), firstN(sequenceToList(sq), 5));
    EXPECT_EQ(firstN(sequenceToList(sq), 5), (V{1, 1, 2, 6, 24}));
    // The type-erased form behaves the same, and its state copies are independent positions.
    const AnySequence<double> any = sq;
    EXPECT_EQ(firstN(sequenceToList(any), 5), (V{1, 1, 2, 6, 24}));
    auto s0 = any.initial();
    auto [x0, s1] = any.step(s0);
    auto [x0again, s1again] = any.step(s0);
    EXPECT_EQ(x0, x0again);
    EXPECT_EQ(any.step(s1).first, any.step(s1again).first);
}

TEST(Series, SumsStopByTheRelativeTermRule)
{
    // 1 + 1/2 + ... : the term 2^-52 is the first below 2^-52 of the sum (2 - 2^-51), added last.
    EXPECT_EQ(sumSeries(halving()), 0x1.fffffffffffffp0);
    EXPECT_EQ(sumSeries(AnySequence<double>(halving())), 0x1.fffffffffffffp0);
    // 0, 0: 0/0 is NaN, which stops at the second element.
    EXPECT_EQ(sumSeries(pure(0.0)), 0.0);
    // 0, 1, 0, ...: an infinite quotient goes on; 0/1 stops.
    EXPECT_EQ(sumSeries(Sequence(0, [](int i) { return std::pair{i == 1 ? 1.0 : 0.0, i + 1}; })), 1.0);
    // Power series: the rule stops after the term 2^-52 (with sum 2 - 2^-51), giving 2 - 2^-52.
    EXPECT_EQ(sumPowerSeries(0.5, pure(1.0)), 0x1.fffffffffffffp0);
    EXPECT_EQ(sumPowerSeries(0.5, AnySequence<double>(pure(1.0))), 0x1.fffffffffffffp0);
    EXPECT_EQ(sumPowerSeries(0.0, enumSequenceFrom(3.0)), 3.0);
    // e = sum 1/k! with 1/k! by a running division.
    EXPECT_NEAR(sumPowerSeries(1.0, scanSequence([](double b, double k) { return b / k; }, 1.0, enumSequenceFrom(1.0))),
                2.718281828459045, 5e-16);
    EXPECT_TRUE(std::isnan(sumSeries(pure(std::nan("")))));
}

TEST(Series, ContinuedFractionsByLentz)
{
    const auto golden = pure(std::pair{1.0, 1.0});
    EXPECT_NEAR(evalContFractionB(golden), 1.6180339887498949, 2.3e-16);
    // b0 = 0 starts from 1e-60: 0 + 1/(1 + 1/(1 + ...)) = 1/phi.
    const auto zeroStart = Sequence(0, [](int i) { return std::pair{std::pair{1.0, i == 0 ? 0.0 : 1.0}, i + 1}; });
    EXPECT_NEAR(evalContFractionB(zeroStart), 0.6180339887498949, 6e-16);
    // tan(1) = 1/(1 - 1/(3 - 1/(5 - ...))).
    const auto tan1 = Sequence(0.0, [](double k) {
        return std::pair{std::pair{k == 1 ? 1.0 : -1.0, k == 0 ? 0.0 : 2 * k - 1}, k + 1};
    });
    EXPECT_NEAR(evalContFractionB(tan1), std::tan(1.0), 7e-16);
    EXPECT_EQ(evalContFractionB(AnySequence<std::pair<double, double>>(golden)), evalContFractionB(golden));
}

TEST(Series, ContinuedFractionsThatNeverMeetTheTestStillStop)
{
    // Constant pairs whose Lentz step factor settles on exactly 1 +- 2^-52 (found by a scan of
    // small constant pairs), and divergent fractions (a < -b^2/4 oscillates forever): all terminate.
    const std::pair<double, double> pairs[] = {{0.25, 0.25}, {0.375, 1.75}, {0.5, 0.25}, {0.75, 3.75},
                                               {0.75, 4.25}, {0.875, 0.25}, {-2.0, 1.0}, {-5.0, 1.0}};
    for (const auto& p : pairs) {
        const double r = evalContFractionB(pure(p));
        if (p.first > -p.second * p.second / 4) {
            const double exact = (p.second + std::sqrt(p.second * p.second + 4 * p.first)) / 2;
            EXPECT_NEAR(r, exact, 4e-15 * exact) << p.first << " " << p.second;
        }
    }
}
