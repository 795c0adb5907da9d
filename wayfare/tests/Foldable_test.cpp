// SPDX-License-Identifier: MIT
#include <indexed.hpp>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pthread.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <map>
#include <random>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "Chain.hpp"

using namespace indexed;

namespace {

// Every fold of c, each made to list the indices it meets as text ("0 1 2 "), in the order the
// fold's own nesting puts them.
template <class C, class Show>
std::vector<std::string> indexOrders(const C& c, Show show) {
  using I = IndexReference<C>;
  using X = const ElementOf<C>&;
  const auto right = [&](I i, X, std::string acc) { return show(i) + " " + acc; };
  const auto left = [&](I i, std::string acc, X) { return acc + show(i) + " "; };
  const auto piece = [&](I i, X) { return show(i) + " "; };
  return {ifoldr(right, std::string(), c),      ifoldrStrict(right, std::string(), c),
          ifoldl(left, std::string(), c),       ifoldlStrict(left, std::string(), c),
          ifoldMap(piece, c),                   ifoldMapStrict(piece, c)};
}

const auto showInt = [](std::int64_t i) { return std::to_string(i); };

// Runs work on a thread with a 256 KiB stack: a fold that recursed once per element would overflow it.
void onSmallStack(const std::function<void()>& work) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, 256 * 1024);
  pthread_t thread;
  auto call = [](void* w) -> void* {
    (*static_cast<const std::function<void()>*>(w))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attr, call, const_cast<std::function<void()>*>(&work)), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
}

std::unordered_map<std::int64_t, std::int64_t> randomMap(std::size_t n, unsigned seed) {
  std::mt19937_64 rng(seed);
  std::unordered_map<std::int64_t, std::int64_t> m;
  while (m.size() < n) m.emplace(static_cast<std::int64_t>(rng() % (8 * n + 1)), static_cast<std::int64_t>(rng() % 1000));
  return m;
}

}  // namespace

TEST(Foldable, SequencesVisitPositionsFromZero) {
  const std::vector<std::string> expected(6, "0 1 2 ");
  const std::vector<int> v{7, 8, 9};
  EXPECT_EQ(indexOrders(v, showInt), expected);
  EXPECT_EQ(indexOrders(std::array<int, 3>{7, 8, 9}, showInt), expected);
  EXPECT_EQ(indexOrders(std::deque<int>{7, 8, 9}, showInt), expected);
  EXPECT_EQ(indexOrders(std::span<const int>(v), showInt), expected);
  EXPECT_EQ(indexOrders(std::vector<bool>{true, false, true}, showInt), expected);
  // The elements travel with their positions.
  EXPECT_EQ(ifoldl([](std::int64_t i, std::int64_t acc, int x) { return acc * 100 + i * 10 + x; }, 0, v), 71829);
  EXPECT_EQ(ifoldr([](std::int64_t i, int x, std::int64_t acc) { return acc * 100 + i * 10 + x; }, 0, v), 291807);
}

TEST(Foldable, EmptyContainersGiveTheStartOrTheNeutralElement) {
  int calls = 0;
  const auto r = [&](auto&&, auto&&, int acc) { return ++calls, acc; };
  const auto l = [&](auto&&, int acc, auto&&) { return ++calls, acc; };
  const auto m = [&](auto&&, auto&&) { return ++calls, Sum<int>{1}; };
  const std::vector<int> v;
  const std::unordered_map<int, int> h;
  const std::map<int, int> o;
  const auto check = [&](const auto& c) {
    EXPECT_EQ(ifoldr(r, 5, c), 5);
    EXPECT_EQ(ifoldrStrict(r, 5, c), 5);
    EXPECT_EQ(ifoldl(l, 5, c), 5);
    EXPECT_EQ(ifoldlStrict(l, 5, c), 5);
    EXPECT_EQ(ifoldMap(m, c), Sum<int>{0});
    EXPECT_EQ(ifoldMapStrict(m, c), Sum<int>{0});
  };
  check(v);
  check(h);
  check(o);
  check(chain::Chain<int>{});
  EXPECT_EQ(calls, 0);
}

TEST(Foldable, EveryFoldOfAHashMapFollowsItsIterationOrder) {
  for (const std::size_t n : {1u, 2u, 7u, 300u}) {
    auto m = randomMap(n, static_cast<unsigned>(n));
    for (int round = 0; round < 2; ++round) {
      std::string expected;
      for (const auto& [k, v] : m) expected += std::to_string(k) + " ";
      EXPECT_EQ(indexOrders(m, showInt), std::vector<std::string>(6, expected)) << n;
      // Erasing leaves holes in the buckets; the folds still agree with the iteration.
      for (auto it = m.begin(); it != m.end();) it = (it->first % 3 == 0) ? m.erase(it) : std::next(it);
    }
  }
  const std::map<std::string, int> sorted{{"b", 1}, {"a", 2}, {"c", 3}};
  EXPECT_EQ(indexOrders(sorted, [](const std::string& k) { return k; }), std::vector<std::string>(6, "a b c "));
}

TEST(Foldable, IndexOfTheWrappersIsUnit) {
  struct Meters {};
  const Tagged<int, Meters> t{4};
  const auto s = MkSolo(4);
  const auto check = [](const auto& w) {
    EXPECT_EQ(ifoldr([](Unit, int x, int acc) { return x * 10 + acc; }, 3, w), 43);
    EXPECT_EQ(ifoldrStrict([](Unit, int x, int acc) { return x * 10 + acc; }, 3, w), 43);
    EXPECT_EQ(ifoldl([](Unit, int acc, int x) { return acc * 10 + x; }, 3, w), 34);
    EXPECT_EQ(ifoldlStrict([](Unit, int acc, int x) { return acc * 10 + x; }, 3, w), 34);
    EXPECT_EQ(ifoldMap([](Unit, int x) { return std::to_string(x); }, w), "4");
  };
  check(t);
  check(s);
  // ifoldMap of one element is f(unit, x) itself; the strict form adds it to the neutral element.
  const auto minusZero = [](Unit, double x) { return Sum<double>{x}; };
  EXPECT_TRUE(std::signbit(ifoldMap(minusZero, MkSolo(-0.0)).value));
  EXPECT_TRUE(std::signbit(ifoldMap(minusZero, Tagged<double, Meters>{-0.0}).value));
  EXPECT_FALSE(std::signbit(ifoldMapStrict(minusZero, MkSolo(-0.0)).value));
}

TEST(Foldable, IfoldMapNestsToTheRightAndIfoldMapStrictToTheLeft) {
  // 1 + (1e16 + (-1e16 + 0)) = 1, but ((0 + 1) + 1e16) + -1e16 = 0: the grouping shows.
  const std::vector<double> v{1.0, 0x1.1c37937e08p+53, -0x1.1c37937e08p+53};
  const auto sum = [](std::int64_t, double x) { return Sum{x}; };
  EXPECT_EQ(ifoldMap(sum, v).value, 1.0);
  EXPECT_EQ(ifoldMapStrict(sum, v).value, 0.0);
  // On random data, bit for bit the right and the left fold of the same additions.
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> u(-1e6, 1e6);
  std::vector<double> w(1000);
  for (auto& x : w) x = u(rng) * std::exp2(static_cast<int>(rng() % 40));
  const double right = ifoldr([](std::int64_t, double x, double acc) { return x + acc; }, 0.0, w);
  const double left = ifoldl([](std::int64_t, double acc, double x) { return acc + x; }, 0.0, w);
  EXPECT_EQ(ifoldMap(sum, w).value, right);
  EXPECT_EQ(ifoldMapStrict(sum, w).value, left);
  // Min keeps its left operand when either one is NaN, so the grouping decides the result.
  const std::vector<double> nan{std::nan(""), 1.0};
  EXPECT_EQ(ifoldMapStrict([](std::int64_t, double x) { return Min{x}; }, nan).value, 1.0);
  EXPECT_TRUE(std::isnan(ifoldMap([](std::int64_t, double x) { return Min{x}; }, nan).value));
}

TEST(Foldable, CommonMonoids) {
  const std::vector<int> v{3, -1, 4, 1, -5};
  const std::vector<int> none;
  const auto both = [&](auto f, auto expected, auto neutral) {
    EXPECT_EQ(ifoldMap(f, v), expected);
    EXPECT_EQ(ifoldMapStrict(f, v), expected);
    EXPECT_EQ(ifoldMap(f, none), neutral);
  };
  both([](std::int64_t, int x) { return Sum{x}; }, Sum{2}, Sum{0});
  both([](std::int64_t, int x) { return Product{x}; }, Product{60}, Product{1});
  both([](std::int64_t, int x) { return Min{x}; }, Min{-5}, Min{std::numeric_limits<int>::max()});
  both([](std::int64_t, int x) { return Max{x}; }, Max{4}, Max{std::numeric_limits<int>::lowest()});
  both([](std::int64_t i, int) { return First<std::int64_t>{i > 0 ? std::optional(i) : std::nullopt}; },
       First<std::int64_t>{1}, First<std::int64_t>{});
  both([](std::int64_t i, int) { return Last<std::int64_t>{i < 4 ? std::optional(i) : std::nullopt}; },
       Last<std::int64_t>{3}, Last<std::int64_t>{});
  both([](std::int64_t, int x) { return All{x > -5}; }, All{false}, All{true});
  both([](std::int64_t, int x) { return Any{x > 3}; }, Any{true}, Any{false});
  both([](std::int64_t i, int x) { return std::vector<std::int64_t>{i, x}; },
       std::vector<std::int64_t>{0, 3, 1, -1, 2, 4, 3, 1, 4, -5}, std::vector<std::int64_t>{});
  EXPECT_EQ(ifoldMap([](std::int64_t, double x) { return Min{x}; }, std::vector<double>{}).value,
            std::numeric_limits<double>::infinity());
  // Integer sums and products wrap instead of overflowing.
  const std::vector<std::int64_t> big{std::numeric_limits<std::int64_t>::max(), 1};
  EXPECT_EQ(ifoldMap([](std::int64_t, std::int64_t x) { return Sum{x}; }, big).value, std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(ifoldMap([](std::int64_t, std::int64_t x) { return Product{x}; }, std::vector<std::int64_t>{1LL << 62, 4}).value, 0);
  EXPECT_EQ(ifoldMapStrict([](std::int64_t, int x) { return Product<std::int16_t>{static_cast<std::int16_t>(x)}; },
                           std::vector<int>{-32768, -1}).value, -32768);
}

TEST(Foldable, RightFoldsRunInConstantStack) {
  std::vector<std::int64_t> v(1'000'000);
  for (std::size_t k = 0; k < v.size(); ++k) v[k] = static_cast<std::int64_t>(k);
  const auto m = randomMap(100'000, 1);
  auto c = chain::Chain<std::int64_t>::from(std::vector<std::int64_t>(100'000, 1));
  const auto r = [](auto&&, std::int64_t x, std::uint64_t acc) { return acc * 3 + static_cast<std::uint64_t>(x); };
  const auto l = [](auto&&, std::int64_t acc, std::int64_t x) { return acc + x; };
  std::uint64_t fromVector = 0, fromMap = 0;
  double fromChain = 0;
  std::int64_t chainLeft = 0;
  std::string lastLabel;
  onSmallStack([&] {
    fromVector = ifoldr(r, std::uint64_t{0}, v);
    fromMap = ifoldrStrict(r, std::uint64_t{0}, m);
    fromChain = ifoldMap([](const std::string&, std::int64_t x) { return Sum<double>{static_cast<double>(x)}; }, c).value;
    chainLeft = ifoldl(l, std::int64_t{0}, c);
    lastLabel = ifoldr([](const std::string& i, std::int64_t, std::string acc) { return acc.empty() ? i : acc; }, std::string(), c);
  });
  // The same right folds, by hand.
  std::uint64_t expectVector = 0, expectMap = 0;
  for (auto k = v.size(); k-- > 0;) expectVector = expectVector * 3 + static_cast<std::uint64_t>(v[k]);
  std::vector<std::int64_t> values;
  for (const auto& [k, x] : m) values.push_back(x);
  for (auto k = values.size(); k-- > 0;) expectMap = expectMap * 3 + static_cast<std::uint64_t>(values[k]);
  EXPECT_EQ(fromVector, expectVector);
  EXPECT_EQ(fromMap, expectMap);
  EXPECT_EQ(fromChain, 100'000);
  EXPECT_EQ(chainLeft, 100'000);
  EXPECT_EQ(lastLabel, "#99999");
}

static_assert(FoldableWithIndex<std::span<const int>> && !FunctorWithIndex<std::span<const int>>);
static_assert(TraversableWithIndex<std::vector<int>> && TraversableWithIndex<std::array<int, 2>> &&
              TraversableWithIndex<std::deque<int>> && TraversableWithIndex<std::unordered_map<int, int>> &&
              TraversableWithIndex<std::map<int, int>> && TraversableWithIndex<Solo<int>> &&
              TraversableWithIndex<Tagged<int, Unit>> && TraversableWithIndex<chain::Chain<int>>);
static_assert(!FoldableWithIndex<int> && !FoldableWithIndex<std::string> && !FunctorWithIndex<int>);
static_assert(std::is_same_v<IndexOf<std::vector<int>>, std::int64_t> && std::is_same_v<IndexOf<Solo<int>>, Unit> &&
              std::is_same_v<IndexReference<std::map<std::string, int>>, const std::string&>);
static_assert(Monoid<std::string> && Monoid<Sum<double>> && Monoid<First<int>> && !Monoid<int>);
static_assert(MonoidTraits<Sum<int>>::associative && !MonoidTraits<Sum<double>>::associative &&
              !MonoidTraits<Min<float>>::associative && MonoidTraits<std::string>::associative);
