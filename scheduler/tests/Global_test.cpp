// SPDX-License-Identifier: MIT
// The global scheduler: reuse, renewal after failures and early termination, concurrent
// callers, interruption, and the process-wide instance at exit.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <set>
#include <thread>

#include "Control/Scheduler/Global.hpp"
#include "TestSupport.hpp"

using namespace Control::Scheduler;
using namespace std::chrono_literals;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

namespace {

using Ids = std::set<std::thread::id>;

/// The threads that ran n jobs of one call.
Ids runOn(GlobalScheduler& gs, int n) {
  std::mutex m;
  Ids ids;
  withGlobalScheduler_(gs, [&](Scheduler<Unit>& s) {
    for (int i = 0; i < n; ++i)
      scheduleWork_(s, [&] {
        std::this_thread::sleep_for(50us);
        std::lock_guard lock(m);
        ids.insert(std::this_thread::get_id());
      });
  });
  return ids;
}

Ids workerIds(const GlobalScheduler& gs) {
  auto v = gs.globalSchedulerThreadIds();
  return {v.begin(), v.end()};
}

bool within(const Ids& used, const Ids& workers) {
  return std::includes(workers.begin(), workers.end(), used.begin(), used.end());
}

using GlobalTest = testsupport::StrategyTest;

}  // namespace

TEST_P(GlobalTest, WorkersServeCallAfterCall) {
  auto gs = newGlobalScheduler(comp());
  EXPECT_EQ(gs.globalSchedulerComp(), comp());
  const Ids workers = workerIds(gs);
  ASSERT_EQ(workers.size(), static_cast<std::size_t>(this->workers()));
  for (int call = 0; call < 20; ++call) {
    const Ids used = runOn(gs, 8);
    EXPECT_TRUE(within(used, workers));
    EXPECT_FALSE(used.count(std::this_thread::get_id()));
  }
  EXPECT_EQ(workerIds(gs), workers);
  std::atomic<int> sum{0};
  for (int call = 0; call < 500; ++call)
    withGlobalScheduler_(gs, [&](Scheduler<Unit>& s) {
      for (int i = 0; i < 8; ++i) scheduleWork_(s, [&, i] { sum += i; });
    });
  EXPECT_EQ(sum.load(), 500 * 28);
  withGlobalScheduler_(gs, [](Scheduler<Unit>&) {});  // nothing scheduled
  EXPECT_EQ(workerIds(gs), workers);
}

TEST_P(GlobalTest, TerminateEndsTheCallAndRenewsTheWorkers) {
  auto gs = newGlobalScheduler(comp());
  const Ids first = workerIds(gs);
  std::atomic<int> after{0};
  withGlobalScheduler_(gs, [&](Scheduler<Unit>& s) {
    for (int i = 0; i < 5; ++i) scheduleWork_(s, [] {});
    scheduleWork_(s, [&s] { terminate_(s); });
    for (int i = 0; i < 200; ++i) scheduleWork_(s, [&] { std::this_thread::sleep_for(10us); ++after; });
  });
  EXPECT_LT(after.load(), 200);
  const Ids second = workerIds(gs);
  ASSERT_EQ(second.size(), static_cast<std::size_t>(workers()));
  for (const auto& id : second) EXPECT_FALSE(first.count(id));
  EXPECT_TRUE(within(runOn(gs, 4), second));
  // From the action itself: nothing runs, the call ends normally, the workers are renewed.
  bool ran = false;
  withGlobalScheduler_(gs, [&](Scheduler<Unit>& s) {
    scheduleWork_(s, [&] { ran = true; });
    terminate_(s);
  });
  EXPECT_FALSE(ran);
  EXPECT_NE(workerIds(gs), second);
}

TEST_P(GlobalTest, FailuresReachTheCallerAndRenewTheWorkers) {
  auto gs = newGlobalScheduler(comp());
  Ids before = workerIds(gs);
  EXPECT_THAT(
      [&] {
        withGlobalScheduler_(gs, [](Scheduler<Unit>& s) {
          for (int i = 0; i < 50; ++i) scheduleWork_(s, [] { std::this_thread::sleep_for(10us); });
          scheduleWork_(s, []() -> int { throw std::runtime_error("job"); });
          for (int i = 0; i < 50; ++i) scheduleWork_(s, [] { std::this_thread::sleep_for(10us); });
        });
      },
      (ThrowsMessage<std::runtime_error>(StrEq("job"))));
  EXPECT_NE(workerIds(gs), before);
  before = workerIds(gs);
  EXPECT_THROW(withGlobalScheduler_(gs, [](Scheduler<Unit>&) { throw std::invalid_argument("action"); }),
               std::invalid_argument);
  EXPECT_NE(workerIds(gs), before);
  EXPECT_TRUE(within(runOn(gs, 8), workerIds(gs)));
  // A TerminateEarlyException thrown by hand is not an early termination: it reaches the caller.
  EXPECT_THROW(withGlobalScheduler_(gs, [](Scheduler<Unit>&) { throw TerminateEarlyException(); }),
               TerminateEarlyException);
  EXPECT_EQ(runOn(gs, 3).size() > 0, true);
}

TEST_P(GlobalTest, ASecondCallerRunsOnAPrivateScheduler) {
  auto gs = newGlobalScheduler(comp());
  const Ids workers = workerIds(gs);
  std::atomic<bool> holding{false}, secondDone{false};
  Ids secondIds;
  std::thread second([&] {
    while (!holding) std::this_thread::sleep_for(100us);
    secondIds = runOn(gs, 6);  // must not wait for the first caller
    secondDone = true;
  });
  withGlobalScheduler_(gs, [&](Scheduler<Unit>& s) {
    scheduleWork_(s, [&] {
      holding = true;
      while (!secondDone) std::this_thread::sleep_for(100us);
    });
  });
  second.join();
  ASSERT_FALSE(secondIds.empty());
  for (const auto& id : secondIds) EXPECT_FALSE(workers.count(id));
  EXPECT_EQ(workerIds(gs), workers);  // the first caller put it back
}

TEST_P(GlobalTest, CallersRacingAllComplete) {
  auto gs = newGlobalScheduler(comp());
  std::atomic<long> sum{0};
  std::vector<std::thread> callers;
  for (int t = 0; t < 3; ++t)
    callers.emplace_back([&] {
      for (int call = 0; call < 40; ++call)
        withGlobalScheduler_(gs, [&](Scheduler<Unit>& s) {
          for (int i = 0; i < 8; ++i) scheduleWork_(s, [&, i] { sum += i; });
        });
    });
  for (auto& c : callers) c.join();
  EXPECT_EQ(sum.load(), 3L * 40 * 28);
}

TEST_P(GlobalTest, AnInterruptedCallerLeavesItUsable) {
  // The caller is itself a job of another run; that run fails while the caller waits for its
  // never-ending job: the caller is interrupted, its job aborted, and the scheduler renewed.
  auto gs = newGlobalScheduler(comp());
  const Ids before = workerIds(gs);
  std::atomic<bool> started{false};
  EXPECT_THAT(
      [&] {
        withScheduler_(ParN(2), [&](Scheduler<Unit>& outer) {
          scheduleWork_(outer, [&] {
            withGlobalScheduler_(gs, [&](Scheduler<Unit>& s) {
              scheduleWork_(s, [&] {
                started = true;
                for (;;) {
                  interruptionPoint();
                  std::this_thread::sleep_for(100us);
                }
              });
            });
          });
          scheduleWork_(outer, [&]() -> int {
            while (!started) std::this_thread::sleep_for(100us);
            throw std::runtime_error("outer");
          });
        });
      },
      (ThrowsMessage<std::runtime_error>(StrEq("outer"))));
  EXPECT_NE(workerIds(gs), before);
  EXPECT_TRUE(within(runOn(gs, 4), workerIds(gs)));
}

TEST_P(GlobalTest, BatchesOnTheGlobalScheduler) {
  auto gs = newGlobalScheduler(comp());
  std::atomic<int> ran{0};
  withGlobalScheduler_(gs, [&](Scheduler<Unit>& s) {
    const BatchId start = getCurrentBatch(s);
    runBatch_(s, [&](Batch<Unit>&) {
      for (int i = 0; i < 10; ++i) scheduleWork_(s, [&] { ++ran; });
    });
    runBatch_(s, [&](Batch<Unit>& b) {
      scheduleWork_(s, [b]() mutable { cancelBatch_(b); });
    });
    EXPECT_EQ(getCurrentBatch(s).getBatchId, start.getBatchId + 2);
  });
  EXPECT_EQ(ran.load(), 10);
}

INSTANTIATE_TEST_SUITE_P(Strategies, GlobalTest, ::testing::Values(Seq, ParN(1), ParN(2), Par),
                         testsupport::compName);

TEST(GlobalScheduler, TheProcessWideInstance) {
  GlobalScheduler& gs = globalScheduler();
  EXPECT_EQ(&gs, &globalScheduler());
  EXPECT_EQ(gs.globalSchedulerComp(), Par);
  EXPECT_EQ(gs.globalSchedulerThreadIds().size(), static_cast<std::size_t>(numCapsRef()));
  EXPECT_EQ(runOn(gs, 4).size() > 0, true);
}

// Process exit must neither hang nor crash, however the process-wide scheduler is being used.
using GlobalSchedulerDeathTest = ::testing::Test;

TEST_F(GlobalSchedulerDeathTest, ExitAfterUse) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        runOn(globalScheduler(), 4);
        std::exit(3);
      },
      ::testing::ExitedWithCode(3), "");
}

TEST_F(GlobalSchedulerDeathTest, ExitFromAJob) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        withGlobalScheduler_(globalScheduler(), [](Scheduler<Unit>& s) {
          scheduleWork_(s, [] { std::exit(4); });
          scheduleWork_(s, [] { std::this_thread::sleep_for(1ms); });
        });
        std::this_thread::sleep_for(10s);
      },
      ::testing::ExitedWithCode(4), "");
}

TEST_F(GlobalSchedulerDeathTest, ExitWhileAnotherThreadUsesIt) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        std::atomic<bool> inside{false};
        std::thread([&] {
          withGlobalScheduler_(globalScheduler(), [&](Scheduler<Unit>& s) {
            scheduleWork_(s, [&] {
              inside = true;
              std::this_thread::sleep_for(10s);
            });
          });
        }).detach();
        while (!inside) std::this_thread::sleep_for(1ms);
        std::exit(5);
      },
      ::testing::ExitedWithCode(5), "");
}
