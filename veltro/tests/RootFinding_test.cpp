// Tests of Numeric/RootFinding.hpp: Root, parameters, step sequences and the drivers.
#include <Numeric/RootFinding.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace Numeric::RootFinding;

namespace {

template <class R>
auto collect(R&& r, std::size_t n)
{
    std::vector<std::remove_cvref_t<decltype(*r.begin())>> out;
    for (auto it = r.begin(); it != r.end() && out.size() < n; ++it) out.push_back(*it);
    return out;
}

} // namespace

TEST(RootFinding, RootCombinators)
{
    const Root<double> one(1.0);
    const Root<double> nb = NotBracketed, sf = SearchFailed;
    EXPECT_EQ(fromRoot(7.0, sf), 7.0);
    EXPECT_EQ(fromRoot(7.0, one), 1.0);
    EXPECT_EQ(alt(nb, one), one);
    EXPECT_EQ(alt(sf, nb), sf);
    EXPECT_EQ(alt(nb, sf), sf);
    EXPECT_EQ(alt(nb, nb), nb);
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
    EXPECT_EQ(show(Root(1.5)), "Root 1.5");
    EXPECT_EQ(show(Root(-2.0)), "Root (-2)");
    EXPECT_EQ(showsPrec(11, Root(1.5)), "(Root 1.5)");
    EXPECT_EQ(show(Root<double>(NotBracketed)), "NotBracketed");
    EXPECT_EQ(show(Root<double>(SearchFailed)), "SearchFailed");
    EXPECT_EQ(show(RiddersParam{}), "RiddersParam {riddersMaxIter = 100, riddersTol = RelTol 8.881784197001252e-16}");
    EXPECT_EQ(show(NewtonParam{}), "NewtonParam {newtonMaxIter = 50, newtonTol = RelTol 8.881784197001252e-16}");
    EXPECT_EQ(show(AbsTol(-1)), "AbsTol (-1)");
    EXPECT_EQ(show(RiddersStep::step(0, 2)), "RiddersStep 0 2");
    EXPECT_EQ(show(RiddersStep::bisect(-1, 0.5)), "RiddersBisect (-1) 0.5");
    EXPECT_EQ(show(RiddersStep::root(1)), "RiddersRoot 1");
    EXPECT_EQ(show(RiddersStep::noBracket()), "RiddersNoBracket");
    EXPECT_EQ(show(NewtonStep::step(1, 1.5)), "NewtonStep 1 1.5");
    EXPECT_EQ(show(NewtonStep::bisection(0, 2)), "NewtonBisection 0 2");
    EXPECT_EQ(show(NewtonStep::root(1)), "NewtonRoot 1");
    EXPECT_EQ(show(NewtonStep::noBracket()), "NewtonNoBracket");

    for (const Root<double>& r : {Root(1.5), Root(-2.0), Root(1e300), Root<double>(NotBracketed), Root<double>(SearchFailed)})
        EXPECT_EQ(Root<double>::read(show(r)), r) << show(r);
    EXPECT_EQ(Root<double>::read("  ( Root (-Infinity) ) "), Root(-HUGE_VAL));
    EXPECT_FALSE(Root<double>::read("Root"));
    EXPECT_FALSE(Root<double>::read("Root 1 2"));
    EXPECT_FALSE(Root<double>::read("Rootx 1"));
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
