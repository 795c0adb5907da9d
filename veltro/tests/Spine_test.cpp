// SPDX-License-Identifier: MIT
// The numeric groundwork: constants (exact bit patterns), relative-error and ULP comparison, Horner and
// Chebyshev evaluation, sequences, series and continued fractions, and the root finders.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <list>
#include <random>
#include <ranges>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include <Numeric/Polynomial.hpp>
#include <Numeric/Polynomial/Chebyshev.hpp>
#include <Numeric/RootFinding.hpp>
#include <Numeric/Series.hpp>
#include <Numeric/Veltro/Comparison.hpp>
#include <Numeric/Veltro/Constants.hpp>

namespace {

using namespace Numeric::Veltro::Comparison;
using namespace Numeric::Polynomial;
using namespace Numeric::Polynomial::Chebyshev;
using namespace Numeric::Series;
using namespace Numeric::RootFinding;
namespace C = Numeric::Veltro::Constants;
using testing::StrEq;
using testing::ThrowsMessage;
constexpr double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();
std::uint64_t bits(double x) { return std::bit_cast<std::uint64_t>(x); }
constexpr double minSub = 4.9406564584124654e-324;
using V = std::vector<double>;

TEST(Constants, HaveTheirExactBits)
{
    struct Row { double value; std::uint64_t bits; };
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
    EXPECT_TRUE(std::isnan(C::m_NaN));
}

TEST(Comparison, RelativeError)
{
    struct Row { double a, b, expected; };
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
    struct Row { double a, b; std::uint64_t distance; std::int64_t delta; };
    const Row rows[] = {{0.0, -0.0, 1, -1},        {1.0, 1.0, 0, 0},
                        {1.0, 1.0000000000000002, 1, 1}, {1.0000000000000002, 1.0, 1, -1},
                        {-minSub, minSub, 3, 3},   {-1.0, -1.0000000000000002, 1, -1},
                        {C::m_huge, C::m_pos_inf, 1, 1}, {1.0, 2.0, std::uint64_t{1} << 52, std::int64_t{1} << 52}};
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
    struct Row { std::int64_t n; double x, expected; };
    for (const Row& r : {Row{1, -0.0, 0.0}, Row{-1, 0.0, -0.0}, Row{1, 0.0, minSub}, Row{-2, minSub, -0.0},
                         Row{-3, minSub, -minSub}, Row{1, 1.0, 1.0000000000000002},
                         Row{-1, -1.0, -1.0000000000000002}, Row{1, C::m_huge, C::m_pos_inf}})
        EXPECT_EQ(bits(addUlps(r.n, r.x)), bits(r.expected)) << r.n << " " << r.x;

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

TEST(Polynomial, HornerForms)
{
    EXPECT_EQ(evaluatePolynomial(2.0, V{1, 2, 3}), 17.0);
    EXPECT_EQ(evaluateEvenPolynomial(2.0, V{1, 2, 3}), 57.0);
    EXPECT_EQ(evaluateOddPolynomial(2.0, V{1, 2, 3}), 114.0);
    EXPECT_EQ(evaluatePolynomialL(2.0, {1.0, 2.0, 3.0}), 17.0);
    EXPECT_EQ(evaluateEvenPolynomialL(2.0, std::list<double>{1, 2, 3}), 57.0);
    EXPECT_EQ(evaluateOddPolynomialL(2.0, std::list<double>{1, 2, 3}), 114.0);
    for (const double x : {0.0, -3.0, 1e300, inf, -inf}) EXPECT_EQ(evaluatePolynomial(x, V{7.5}), 7.5);
    EXPECT_EQ(evaluatePolynomial(inf, V{}), 0.0);
    EXPECT_TRUE(std::isnan(evaluateOddPolynomial(inf, V{}))); // x * 0
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
    for (const double x : {-1.0, 0.25, 7.0}) {  // T_3(x) = 4x^3 - 3x
        EXPECT_EQ(chebyshev(x, V{0, 0, 0, 1}), 4 * x * x * x - 3 * x);
        EXPECT_EQ(chebyshevBroucke(x, V{0, 0, 0, 1}), 4 * x * x * x - 3 * x);
    }
    EXPECT_TRUE(std::isnan(chebyshev(inf, V{3.5})));
    EXPECT_THAT([] { chebyshev(0.5, V{}); },
                ThrowsMessage<std::out_of_range>(
                    StrEq("Numeric.Polynomial.Chebyshev.chebyshev: empty coefficient vector")));
    // Both forms agree apart from the halved first coefficient.
    for (const double x : {-0.9, -0.1, 0.4, 0.95})
        EXPECT_NEAR(chebyshev(x, V{0.75, -0.5, 0.125, 0.0625}), chebyshevBroucke(x, V{1.5, -0.5, 0.125, 0.0625}), 1e-15);
}

template <class R>
std::vector<double> firstN(R&& r, int n)
{
    std::vector<double> out;
    for (double v : r | std::views::take(n)) out.push_back(v);
    return out;
}

auto halving() { return Sequence(1.0, [](double v) { return std::pair{v, v / 2}; }); }

TEST(Series, GeneratorsAndArithmeticYieldTheirElements)
{
    EXPECT_EQ(firstN(sequenceToList(enumSequenceFrom(1.0)), 4), (V{1, 2, 3, 4}));
    EXPECT_EQ(firstN(sequenceToList(enumSequenceFromStep(1.0, 0.5)), 4), (V{1, 1.5, 2, 2.5}));
    EXPECT_EQ(firstN(sequenceToList(scanSequence([](double b, double a) { return b + a; }, 0.0, enumSequenceFrom(1.0))), 5),
              (V{0, 1, 3, 6, 10}));
    EXPECT_EQ(firstN(sequenceToList(pure(7.0)), 3), (V{7, 7, 7}));
    const auto n = enumSequenceFrom(1.0);
    EXPECT_EQ(firstN(sequenceToList(n + n * 2.0), 3), (V{3, 6, 9}));
    EXPECT_EQ(firstN(sequenceToList(n - 1.0), 3), (V{0, 1, 2}));
    EXPECT_EQ(firstN(sequenceToList(1.0 / n), 3), firstN(sequenceToList(recip(n)), 3));
    EXPECT_EQ(firstN(sequenceToList(recip(n)), 3), (V{1, 0.5, 1.0 / 3}));
    EXPECT_EQ(firstN(sequenceToList(signum(abs(-n) - 2.0)), 3), (V{-1, 0, 1}));
    EXPECT_EQ(firstN(sequenceToList(mapSequence([](double x) { return x * x; }, n)), 3), (V{1, 4, 9}));
    // A sequence is a value: consuming it twice yields the same elements.
    const auto sq = scanSequence([](double b, double a) { return b * a; }, 1.0, n);
    EXPECT_EQ(firstN(sequenceToList(sq), 5), (V{1, 1, 2, 6, 24}));
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

template <class R>
auto collect(R&& r, std::size_t n)
{
    std::vector<std::remove_cvref_t<decltype(*r.begin())>> out;
    for (auto it = r.begin(); it != r.end() && out.size() < n; ++it) out.push_back(*it);
    return out;
}

TEST(RootFinding, RootCombinators)
{
    const Root<double> one(1.0);
    const Root<double> nb = NotBracketed, sf = SearchFailed;
    EXPECT_EQ(fromRoot(7.0, sf), 7.0);
    EXPECT_EQ(fromRoot(7.0, one), 1.0);
    for (const auto& [a, b, c] : {std::tuple{nb, one, one}, {sf, nb, sf}, {nb, sf, sf}, {nb, nb, nb}}) EXPECT_EQ(alt(a, b), c);
    EXPECT_EQ(one | Root(2.0), one);
    EXPECT_EQ(one.map([](double x) { return x + 1; }), Root(2.0));
    EXPECT_EQ(nb.map([](double x) { return x + 1; }), nb);
    EXPECT_EQ(one.andThen([](double) { return Root<double>(SearchFailed); }), sf);
    EXPECT_EQ(sf.andThen([](double x) { return Root(x); }), sf);
    EXPECT_NE(one, Root(1.5));
    EXPECT_NE(nb, sf);
    EXPECT_EQ(one.toOptional(), 1.0);
    EXPECT_FALSE(nb.toOptional());
}

TEST(RootFinding, RenderingsAndParsing)
{
    const std::pair<std::string, const char*> rows[] = {
        {show(Root(1.5)), "Root 1.5"}, {show(Root(-2.0)), "Root (-2)"}, {showsPrec(11, Root(1.5)), "(Root 1.5)"},
        {show(Root<double>(NotBracketed)), "NotBracketed"}, {show(Root<double>(SearchFailed)), "SearchFailed"},
        {show(RiddersParam{}), "RiddersParam {riddersMaxIter = 100, riddersTol = RelTol 8.881784197001252e-16}"},
        {show(NewtonParam{}), "NewtonParam {newtonMaxIter = 50, newtonTol = RelTol 8.881784197001252e-16}"},
        {show(AbsTol(-1)), "AbsTol (-1)"}, {show(RiddersStep::step(0, 2)), "RiddersStep 0 2"},
        {show(RiddersStep::bisect(-1, 0.5)), "RiddersBisect (-1) 0.5"}, {show(RiddersStep::root(1)), "RiddersRoot 1"},
        {show(RiddersStep::noBracket()), "RiddersNoBracket"}, {show(NewtonStep::step(1, 1.5)), "NewtonStep 1 1.5"},
        {show(NewtonStep::bisection(0, 2)), "NewtonBisection 0 2"}, {show(NewtonStep::root(1)), "NewtonRoot 1"},
        {show(NewtonStep::noBracket()), "NewtonNoBracket"}};
    for (const auto& [got, text] : rows) EXPECT_EQ(got, text);
    for (const Root<double>& r : {Root(1.5), Root(-2.0), Root(1e300), Root<double>(NotBracketed), Root<double>(SearchFailed)})
        EXPECT_EQ(Root<double>::read(show(r)), r) << show(r);
    EXPECT_EQ(Root<double>::read("  ( Root (-Infinity) ) "), Root(-HUGE_VAL));
    for (const char* bad : {"Root", "Root 1 2", "Rootx 1"}) EXPECT_FALSE(Root<double>::read(bad)) << bad;
    const RiddersParam rp{7, AbsTol(1e-3)};
    EXPECT_EQ(RiddersParam::read(show(rp)), rp);
    EXPECT_EQ(RiddersParam::read(show(RiddersParam{})), RiddersParam{});
    EXPECT_EQ(NewtonParam::read(" NewtonParam{newtonMaxIter=-3,newtonTol=(RelTol 0.5)} "), (NewtonParam{-3, RelTol(0.5)}));
    EXPECT_FALSE(NewtonParam::read("NewtonParam {newtonMaxIter = 3}"));
    EXPECT_EQ(Tolerance::read(show(AbsTol(-1))), AbsTol(-1));
    for (const RiddersStep& s : {RiddersStep::step(0, 2), RiddersStep::bisect(-1, 0.5), RiddersStep::root(3), RiddersStep::noBracket()})
        EXPECT_EQ(RiddersStep::read(show(s)), s);
    for (const NewtonStep& s : {NewtonStep::step(1, 1.5), NewtonStep::bisection(-1, 2), NewtonStep::root(3), NewtonStep::noBracket()})
        EXPECT_EQ(NewtonStep::read(show(s)), s);
}

TEST(RootFinding, WithinTolerance)
{
    const double x = 1.0, y = std::nextafter(x, 2.0), z = std::nextafter(y, 2.0);
    EXPECT_TRUE(withinTolerance(AbsTol(0), x, y));
    EXPECT_FALSE(withinTolerance(AbsTol(0), x, z));
    // Two ULPs apart: |x - z| = 2^-51, relative error 2^-51 / z; both tests are strict.
    EXPECT_TRUE(withinTolerance(AbsTol(4.5e-16), x, z));
    EXPECT_FALSE(withinTolerance(AbsTol(0x1p-51), x, z));
    EXPECT_TRUE(withinTolerance(RelTol(0x1p-51), x, z));
    EXPECT_FALSE(withinTolerance(RelTol(4.4e-16), x, z));
    EXPECT_TRUE(withinTolerance(RelTol(0), 0.0, -0.0));
}

TEST(RootFinding, RiddersSteps)
{
    const auto f = [](double x) { return x * x - 2; };
    const Root<double> r = ridders(RiddersParam{}, {0, 2}, f);
    ASSERT_TRUE(r.isRoot());
    EXPECT_LE(std::abs(r.value() - std::sqrt(2.0)), 4 * 0x1p-52 * std::sqrt(2.0));

    // The exact steps on (0, 2): the first is the bracket itself, in the caller's order.
    auto steps = collect(riddersIterations({0, 2}, f), 3);
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[0], RiddersStep::step(0, 2));
    EXPECT_EQ(steps[1].kind, RiddersStep::Kind::RiddersStep);
    // m = 1, fm = -1, dn = -1/sqrt(1 + 4) ... n = 1 + 1/sqrt(5); bracket (1, n)? fn*fm < 0 gives (n, m).
    const double n = 1 - ((1.0 * 1.0) * -1.0) / std::sqrt(1.0 - (-2.0) * 2.0);
    EXPECT_EQ(steps[1], RiddersStep::step(n, 1.0));
    // Reversed bracket: first step in the given order, same root.
    auto rev = collect(riddersIterations({2, 0}, f), 2);
    EXPECT_EQ(rev[0], RiddersStep::step(2, 0));
    EXPECT_EQ(rev[1], steps[1]);
    EXPECT_EQ(ridders(RiddersParam{}, {2, 0}, f), r);

    // An exact root at an end: a single step, found without evaluating further.
    int calls = 0;
    const auto lin = [&calls](double x) { ++calls; return x - 1; };
    EXPECT_EQ(ridders(RiddersParam{}, {1, 3}, lin), Root(1.0));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(collect(riddersIterations({1, 3}, lin), 5), std::vector<RiddersStep>{RiddersStep::root(1)});
    EXPECT_EQ(collect(riddersIterations({3, 1}, lin), 5), std::vector<RiddersStep>{RiddersStep::root(1)});
    EXPECT_EQ(ridders(RiddersParam{}, {1, 3}, [](double x) { return x * x + 1; }), Root<double>(NotBracketed));
    // A cap of 0 examines no step (and evaluates nothing), even at an exact root.
    calls = 0;
    EXPECT_EQ(ridders(RiddersParam{0, RelTol(1e-10)}, {1, 3}, lin), Root<double>(SearchFailed));
    EXPECT_EQ(calls, 0);
    // Too few steps: SearchFailed; a finite step list that ends: SearchFailed.
    EXPECT_EQ(ridders(RiddersParam{2, RelTol(0)}, {0, 2}, f), Root<double>(SearchFailed));
    EXPECT_EQ(findRoot(10, RelTol(0), std::vector<RiddersStep>{RiddersStep::step(0, 2)}), Root<double>(SearchFailed));
    // Only the steps looked at are computed: 2 evaluations for the ends, 2 per further step.
    calls = 0;
    const auto counted = [&calls](double x) { ++calls; return x * x - 2; };
    auto lazy = riddersIterations({0, 2}, counted);
    EXPECT_EQ(calls, 0);
    auto it = lazy.begin();
    EXPECT_EQ(calls, 2);
    ++it;
    EXPECT_EQ(calls, 4);
}

TEST(RootFinding, RiddersBisectsOnANaNTrialPoint)
{
    // f is NaN at the midpoint: the trial point is NaN, so the step is a bisection, and the
    // search still ends (here by the cap).
    const auto f = [](double x) { return x == 1 ? std::nan("") : x - 1.5; };
    auto steps = collect(riddersIterations({0, 2}, f), 2);
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[1], RiddersStep::bisect(1, 2));
    EXPECT_EQ(ridders(RiddersParam{}, {0, 2}, f), Root(1.5));
}

TEST(RootFinding, NewtonSteps)
{
    const auto f = [](double x) { return std::pair{x * x - 2, 2 * x}; };
    const Root<double> r = newtonRaphson(NewtonParam{}, 0, 1, 2, f);
    ASSERT_TRUE(r.isRoot());
    EXPECT_LE(std::abs(r.value() - std::sqrt(2.0)), 0x1p-52 * 2);
    auto steps = collect(newtonRaphsonIterations(0, 1, 2, f), 2);
    EXPECT_EQ(steps[0], NewtonStep::step(1, 1.5));
    EXPECT_EQ(steps[1], NewtonStep::step(1.5, 1.5 - 0.25 / 3));
    // Zero derivative at the guess 0.5: bisection of the updated bracket (0.5, 2) first.
    const auto flat = [](double x) { return std::pair{x * x - 2, x == 0.5 ? 0.0 : 2 * x}; };
    auto fsteps = collect(newtonRaphsonIterations(0, 0.5, 2, flat), 1);
    EXPECT_EQ(fsteps[0], NewtonStep::bisection(0.5, 2));
    EXPECT_TRUE(newtonRaphson(NewtonParam{}, 0, 0.5, 2, flat).isRoot());
    // Decreasing function: the bracket is taken from the high end; a guess outside it is replaced.
    const auto g = [](double x) { return std::pair{2 - x * x, -2 * x}; };
    auto gsteps = collect(newtonRaphsonIterations(0, 5, 2, g), 1);
    EXPECT_EQ(gsteps[0], NewtonStep::step(1, 1.5));
    EXPECT_NEAR(fromRoot(0.0, newtonRaphson(NewtonParam{}, 0, 5, 2, g)), std::sqrt(2.0), 1e-15);
    // A step leaving the bracket bisects instead.
    const auto h = [](double x) { return std::pair{x * x - 2, 2 * x}; };
    auto hsteps = collect(newtonRaphsonIterations(1.2, 1.2, 10, h), 1);
    EXPECT_EQ(hsteps[0].kind, NewtonStep::Kind::NewtonStep);  // 1.2 -> 1.433..., inside (1.2, 10)
    auto outs = collect(newtonRaphsonIterations(1.41, 0.1, 1.5, h), 1);
    EXPECT_EQ(outs[0], NewtonStep::bisection(0.1, 1.5));
    // End roots, no bracket and the cap.
    EXPECT_EQ(newtonRaphson(NewtonParam{}, 0, 1, std::sqrt(2.0), [](double x) { return std::pair{x - std::sqrt(2.0), 1.0}; }),
              Root(std::sqrt(2.0)));
    EXPECT_EQ(newtonRaphson(NewtonParam{}, 2, 3, 4, f), Root<double>(NotBracketed));
    EXPECT_EQ(newtonRaphson(NewtonParam{1, RelTol(0)}, 0, 1, 2, f), Root<double>(SearchFailed));
}

} // namespace
