// SPDX-License-Identifier: MIT
// Concurrent traversal and replication under every strategy.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <deque>
#include <list>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <unordered_map>

#include "Control/Scheduler.hpp"
#include "TestSupport.hpp"

using namespace Control::Scheduler;
using namespace std::chrono_literals;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

namespace {

using TraverseTest = testsupport::StrategyTest;

// Later elements finish first.
std::string slowShow(int x) {
  std::this_thread::sleep_for(std::chrono::microseconds((20 - x % 20) * 20));
  return std::to_string(x);
}

// A container that visits fewer elements than it holds: its rebuild runs out of results.
struct Lying {
  std::vector<int> xs;
};

}  // namespace

template <>
struct Control::Scheduler::Internal::Shape<Lying> {
  using element = int;
  template <class F>
  static void forEach(const Lying& c, F&& f) {
    for (std::size_t i = 0; i + 1 < c.xs.size(); ++i) f(c.xs[i]);
  }
  template <class B, class Next>
  static std::vector<B> rebuild(const Lying& c, Next&& next) {
    std::vector<B> out;
    for (std::size_t i = 0; i < c.xs.size(); ++i) out.push_back(next());
    return out;
  }
};

TEST_P(TraverseTest, KeepsShapeAndPositions) {
  std::vector<int> v(60);
  for (int i = 0; i < 60; ++i) v[static_cast<std::size_t>(i)] = i;
  std::vector<std::string> expected;
  for (int x : v) expected.push_back(std::to_string(x));
  EXPECT_EQ(traverseConcurrently(comp(), slowShow, v), expected);

  const std::deque<int> d{3, 1, 2};
  EXPECT_EQ(traverseConcurrently(comp(), slowShow, d), (std::deque<std::string>{"3", "1", "2"}));
  const std::list<int> l{7, 8};
  EXPECT_EQ(traverseConcurrently(comp(), slowShow, l), (std::list<std::string>{"7", "8"}));
  const std::array<int, 3> a{4, 5, 6};
  EXPECT_EQ(traverseConcurrently(comp(), slowShow, a), (std::array<std::string, 3>{"4", "5", "6"}));
  EXPECT_EQ(traverseConcurrently(comp(), slowShow, std::optional<int>(9)), std::optional<std::string>("9"));
  const std::map<std::string, int> m{{"a", 1}, {"b", 2}, {"c", 3}};
  EXPECT_EQ(traverseConcurrently(comp(), [](int x) { return x * 1.5; }, m),
            (std::map<std::string, double>{{"a", 1.5}, {"b", 3.0}, {"c", 4.5}}));
  std::unordered_map<int, int> u;
  for (int i = 0; i < 100; ++i) u[i * 7] = i;
  auto uu = traverseConcurrently(comp(), [](int x) { return -x; }, u);
  static_assert(std::is_same_v<decltype(uu), std::unordered_map<int, int>>);
  ASSERT_EQ(uu.size(), u.size());
  for (const auto& [k, x] : u) EXPECT_EQ(uu.at(k), -x);
  // Any other range gives a vector, also one that makes its elements as it is read.
  const std::set<int> s{5, 1, 3};
  EXPECT_EQ(traverseConcurrently(comp(), slowShow, s), (std::vector<std::string>{"1", "3", "5"}));
  std::vector<bool> bits(100);
  for (std::size_t i = 0; i < bits.size(); i += 3) bits[i] = true;
  const auto flipped = traverseConcurrently(comp(), [](bool b) { return !b; }, bits);
  ASSERT_EQ(flipped.size(), bits.size());
  for (std::size_t i = 0; i < bits.size(); ++i) EXPECT_EQ(flipped[i], !bits[i]) << i;
}

TEST_P(TraverseTest, EmptyContainersStayEmpty) {
  EXPECT_TRUE(traverseConcurrently(comp(), slowShow, std::vector<int>{}).empty());
  EXPECT_TRUE(traverseConcurrently(comp(), slowShow, std::map<int, int>{}).empty());
  EXPECT_EQ(traverseConcurrently(comp(), slowShow, std::optional<int>{}), std::nullopt);
  EXPECT_EQ(traverseConcurrently(comp(), slowShow, std::array<int, 0>{}).size(), 0u);
  traverseConcurrently_(comp(), slowShow, std::list<int>{});
}

TEST_P(TraverseTest, EveryElementOnceAndFailures) {
  std::mutex m;
  std::multiset<int> seen;
  std::vector<int> v(300);
  for (int i = 0; i < 300; ++i) v[static_cast<std::size_t>(i)] = i;
  traverseConcurrently_(comp(), [&](int x) {
    std::lock_guard lock(m);
    seen.insert(x);
  }, v);
  EXPECT_EQ(seen, std::multiset<int>(v.begin(), v.end()));
  EXPECT_THAT([&] {
    traverseConcurrently(comp(), [](int x) {
      if (x == 150) throw std::runtime_error("f");
      return x;
    }, v);
  }, (ThrowsMessage<std::runtime_error>(StrEq("f"))));
  EXPECT_THAT([&] { traverseConcurrently(comp(), [](int x) { return x; }, Lying{{1, 2, 3}}); },
              (ThrowsMessage<std::logic_error>(StrEq("Impossible<traverseConcurrently> - Mismatched sizes"))));
}

TEST_P(TraverseTest, AnElementWaitingForALaterOneLeavesItToAFreeWorker) {
  // Elements are taken one at a time in order: while f(50) waits for f(51), and f(250) for
  // f(251), the other worker takes the next element each time.
  if (comp() == Seq || getCompWorkers(comp()) < 2) GTEST_SKIP() << "needs two workers";
  std::vector<int> v(400);
  for (int i = 0; i < 400; ++i) v[static_cast<std::size_t>(i)] = i;
  std::atomic<int> done51{0}, done251{0};
  std::atomic<bool> gaveUp{false};
  auto waitFor = [&](std::atomic<int>& flag) {
    const auto until = std::chrono::steady_clock::now() + 10s;
    while (flag.load() == 0)
      if (std::chrono::steady_clock::now() > until) return gaveUp.store(true);
  };
  auto r = traverseConcurrently(comp(), [&](int x) {
    if (x == 50) waitFor(done51);
    if (x == 250) waitFor(done251);
    if (x == 51) done51 = 1;
    if (x == 251) done251 = 1;
    return x;
  }, v);
  EXPECT_FALSE(gaveUp.load());
  EXPECT_EQ(r, v);
}

TEST_P(TraverseTest, Replication) {
  std::atomic<int> calls{0};
  auto count = [&] { return ++calls; };
  auto xs = replicateConcurrently(comp(), 25, count);
  ASSERT_EQ(xs.size(), 25u);
  std::sort(xs.begin(), xs.end());
  for (int i = 0; i < 25; ++i) EXPECT_EQ(xs[static_cast<std::size_t>(i)], i + 1);
  const long threads = testsupport::threadCount();
  EXPECT_TRUE(replicateConcurrently(comp(), 0, count).empty());
  EXPECT_TRUE(replicateConcurrently(comp(), -3, count).empty());
  replicateConcurrently_(comp(), -1, count);
  EXPECT_EQ(testsupport::threadCount(), threads);  // no scheduler for no work
  replicateConcurrently_(comp(), 4, count);
  EXPECT_EQ(calls.load(), 29);

  auto ys = withScheduler(comp(), [&](Scheduler<int>& s) {
    scheduleWork(s, [] { return -1; });
    replicateWork(s, 5, [] { return 7; });
    replicateWork(s, -2, [] { return 8; });
  });
  EXPECT_EQ(ys, (std::vector<int>{-1, 7, 7, 7, 7, 7}));
  withScheduler_(comp(), [&](Scheduler<Unit>& s) { replicateWork_(s, 3, [&] { ++calls; }); });
  EXPECT_EQ(calls.load(), 32);
}

INSTANTIATE_TEST_SUITE_P(Strategies, TraverseTest, ::testing::Values(Seq, ParN(1), ParN(2), Par),
                         testsupport::compName);

TEST(Traverse, SequentialAppliesFInOrderOnTheCallingThread) {
  const auto caller = std::this_thread::get_id();
  std::vector<int> order;
  const std::list<int> l{5, 3, 9, 1};
  auto r = traverseConcurrently(Seq, [&](int x) {
    EXPECT_EQ(std::this_thread::get_id(), caller);
    order.push_back(x);
    return x * 2;
  }, l);
  EXPECT_EQ(order, (std::vector<int>{5, 3, 9, 1}));
  EXPECT_EQ(r, (std::list<int>{10, 6, 18, 2}));
  order.clear();
  Internal::traverse_(std::map<int, int>{{2, 20}, {1, 10}}, [&](int x) { order.push_back(x); });
  EXPECT_EQ(order, (std::vector<int>{10, 20}));
}
