// SPDX-License-Identifier: MIT
// Batches and worker states under every strategy.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <numeric>
#include <thread>

#include "Control/Scheduler.hpp"
#include "TestSupport.hpp"

using namespace Control::Scheduler;
using namespace std::chrono_literals;

namespace {

using BatchTest = testsupport::StrategyTest;

std::vector<int> range(int from, int to) {
  std::vector<int> v(static_cast<std::size_t>(to - from));
  std::iota(v.begin(), v.end(), from);
  return v;
}

void scheduleRange(Scheduler<int>& s, int from, int to) {
  for (int i = from; i < to; ++i) scheduleWork(s, [i] { return i; });
}

}  // namespace

TEST_P(BatchTest, ConsecutiveBatchesKeepTheirOwnResults) {
  std::optional<Batch<int>> first;
  auto rest = withScheduler(comp(), [&](Scheduler<int>& s) {
    EXPECT_EQ(getCurrentBatch(s), BatchId{0});
    EXPECT_EQ(runBatch(s, [&](Batch<int>& b) {
                first.emplace(b);
                EXPECT_FALSE(hasBatchFinished(b));
                scheduleRange(s, 0, 50);
              }),
              range(0, 50));
    EXPECT_TRUE(hasBatchFinished(*first));
    EXPECT_EQ(runBatchR(s, [&](Batch<int>&) { scheduleRange(s, 50, 60); }),
              Results<int>(Finished<int>{range(50, 60)}));
    EXPECT_EQ(getCurrentBatch(s), BatchId{2});
    // A finished batch's handle cancels nothing and leaves the id alone.
    EXPECT_FALSE(cancelBatch(*first, 1));
    EXPECT_FALSE(cancelBatchWith(*first, 1));
    EXPECT_EQ(getCurrentBatch(s), BatchId{2});
    runBatch_(s, [&](Batch<int>&) { scheduleRange(s, 0, 5); });
    EXPECT_EQ(getCurrentBatch(s), BatchId{3});
    scheduleRange(s, 100, 103);
  });
  EXPECT_EQ(rest, range(100, 103));  // the run's own results exclude the batches'
}

TEST_P(BatchTest, CancelFromAJob) {
  (void)withScheduler<int>(comp(), [&](Scheduler<int>& s) {
    auto xs = runBatch(s, [&](Batch<int>& b) {
      scheduleRange(s, 0, 5);
      scheduleWork(s, [&s, b]() mutable {
        EXPECT_TRUE(cancelBatch(b, 77));  // threaded: throws instead of returning
        (void)s;
        return -1;
      });
      scheduleRange(s, 6, 200);
    });
    ASSERT_FALSE(xs.empty());
    EXPECT_EQ(xs.back(), 77);
    xs.pop_back();
    if (sequential()) {
      // Every job ran while it was scheduled; the cancelling one carried on.
      auto all = range(0, 200);
      all[5] = -1;
      EXPECT_EQ(xs, all);
    } else {
      EXPECT_TRUE(std::is_sorted(xs.begin(), xs.end()));
      EXPECT_TRUE(std::find(xs.begin(), xs.end(), -1) == xs.end());
      if (workers() == 1) {
        EXPECT_EQ(xs, range(0, 5));
      }
    }
    EXPECT_EQ(getCurrentBatch(s), BatchId{1});
    // The next batch runs normally, with none of the dropped jobs.
    EXPECT_EQ(runBatch(s, [&](Batch<int>&) { scheduleRange(s, 0, 30); }), range(0, 30));
    auto ys = runBatch(s, [&](Batch<int>& b) {
      scheduleRange(s, 0, 10);
      scheduleWork(s, [b]() mutable { cancelBatchWith(b, -5); return -1; });
      scheduleRange(s, 10, 20);
    });
    EXPECT_EQ(ys, std::vector<int>{-5});
    EXPECT_EQ(getCurrentBatch(s), BatchId{3});
  });
}

TEST_P(BatchTest, CancelFromTheBatchAction) {
  (void)withScheduler<int>(comp(), [&](Scheduler<int>& s) {
    // Threaded: the gate is still closed, no job has run: the outcome is the value alone and
    // the batch's jobs are dropped. Sequential: the jobs ran while they were scheduled.
    auto xs = runBatch(s, [&](Batch<int>& b) {
      scheduleRange(s, 0, 5);
      cancelBatch(b, 9);
      scheduleRange(s, 5, 8);  // sequential only: cancelling returned
    });
    EXPECT_EQ(xs, sequential() ? (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 9}) : std::vector<int>{9});
    EXPECT_EQ(getCurrentBatch(s), BatchId{1});
    EXPECT_EQ(runBatch(s, [&](Batch<int>& b) {
                scheduleRange(s, 0, 3);
                cancelBatchWith(b, 4);
              }),
              std::vector<int>{4});
    EXPECT_EQ(getCurrentBatch(s), BatchId{2});
    // Catching the cancellation in the action and going on: the jobs run, the value follows,
    // and the id still moves by one.
    auto zs = runBatch(s, [&](Batch<int>& b) {
      scheduleRange(s, 0, 3);
      try {
        cancelBatch(b, 8);
      } catch (const CancelBatchException&) {
      }
      scheduleRange(s, 3, 6);
    });
    EXPECT_EQ(zs, (std::vector<int>{0, 1, 2, 3, 4, 5, 8}));
    EXPECT_EQ(getCurrentBatch(s), BatchId{3});
    EXPECT_EQ(runBatch(s, [&](Batch<int>&) { scheduleRange(s, 0, 4); }), range(0, 4));
  });
}

TEST_P(BatchTest, FailuresInsideABatchReachTheCaller) {
  EXPECT_THROW((void)withScheduler<int>(comp(), [&](Scheduler<int>& s) {
                 runBatch_(s, [&](Batch<int>&) {
                   scheduleRange(s, 0, 20);
                   scheduleWork(s, []() -> int { throw std::out_of_range("job"); });
                 });
               }),
               std::out_of_range);
  // A CancelBatchException thrown by hand, not by a cancellation, is an ordinary failure.
  EXPECT_THROW((void)withScheduler<int>(comp(), [&](Scheduler<int>& s) {
                 runBatch_(s, [&](Batch<int>&) { throw CancelBatchException(); });
               }),
               CancelBatchException);
}

TEST_P(BatchTest, EveryJobGetsItsWorkersState) {
  auto states = initWorkerStates(comp(), [](WorkerId w) { return std::pair<std::int64_t, int>{w.getWorkerId, 0}; });
  ASSERT_EQ(states._workerStatesArray().size(), static_cast<std::size_t>(workers()));
  const int n = 2000;
  for (int round = 0; round < 2; ++round) {  // states carry over from one scheduler to the next
    auto ids = withSchedulerWS(states, [&](SchedulerWS<std::pair<std::int64_t, int>, int>& sws) {
      EXPECT_EQ(workerStatesComp(sws), comp());
      EXPECT_EQ(numWorkers(unwrapSchedulerWS(sws)), workers());
      for (int i = 0; i < n; ++i)
        scheduleWorkState(sws, [](WorkerId w, std::pair<std::int64_t, int>& st) {
          ++st.second;  // no lock: one job at a time per worker
          return static_cast<int>(w.getWorkerId - st.first);
        });
    });
    EXPECT_EQ(ids, std::vector<int>(n, 0));
  }
  int total = 0;
  for (const auto& st : states._workerStatesArray()) total += st.second;
  EXPECT_EQ(total, 2 * n);
  EXPECT_EQ(states._workerStatesMutex().load(), 0);

  withSchedulerWS_(states, [&](SchedulerWS<std::pair<std::int64_t, int>, Unit>& sws) {
    scheduleWorkState_(sws, [](WorkerId, std::pair<std::int64_t, int>& st) { st.second = -1; });
  });
  auto r = withSchedulerWSR(states, [&](SchedulerWS<std::pair<std::int64_t, int>, int>& sws) {
    scheduleWorkState(sws, [](WorkerId, std::pair<std::int64_t, int>&) { return 3; });
  });
  EXPECT_EQ(r, Results<int>(Finished<int>{{3}}));
}

TEST_P(BatchTest, StatesUsedByTwoSchedulersAtOnce) {
  auto states = initWorkerStates(comp(), [](WorkerId) { return 0; });
  bool ranInner = false;
  withSchedulerWS_<Unit>(states, [&](SchedulerWS<int, Unit>&) {
    EXPECT_THROW(withSchedulerWS_<Unit>(states, [&](SchedulerWS<int, Unit>&) { ranInner = true; }),
                 MutexException);
    EXPECT_EQ(states._workerStatesMutex().load(), 1);  // still the first user's
  });
  EXPECT_FALSE(ranInner);
  EXPECT_EQ(states._workerStatesMutex().load(), 0);
  // Released after a failure too.
  EXPECT_THROW(withSchedulerWS_<Unit>(states, [](SchedulerWS<int, Unit>&) { throw std::runtime_error("x"); }),
               std::runtime_error);
  EXPECT_EQ(states._workerStatesMutex().load(), 0);
  // From another thread while a job holds the states.
  if (!sequential()) {
    std::atomic<bool> holding{false}, done{false};
    std::thread other([&] {
      while (!holding) std::this_thread::sleep_for(100us);
      EXPECT_THROW(withSchedulerWS_<Unit>(states, [](SchedulerWS<int, Unit>&) {}), MutexException);
      done = true;
    });
    withSchedulerWS_<Unit>(states, [&](SchedulerWS<int, Unit>& sws) {
      scheduleWorkState_(sws, [&](WorkerId, int&) {
        holding = true;
        while (!done) std::this_thread::sleep_for(100us);
      });
    });
    other.join();
  }
}

INSTANTIATE_TEST_SUITE_P(Strategies, BatchTest, ::testing::Values(Seq, ParN(1), ParN(2), Par),
                         testsupport::compName);

TEST(WorkerStates, OneStatePerListedCapabilityMadeInOrder) {
  std::vector<std::int64_t> made;
  auto states = initWorkerStates(ParOn({5, 7}), [&](WorkerId w) {
    made.push_back(w.getWorkerId);
    return w.getWorkerId * 10;
  });
  EXPECT_EQ(made, (std::vector<std::int64_t>{0, 1}));
  EXPECT_EQ(states._workerStatesArray(), (std::vector<std::int64_t>{0, 10}));
  EXPECT_EQ(states._workerStatesComp(), ParOn({5, 7}));
  EXPECT_THROW(initWorkerStates(ParN(3), [](WorkerId w) {
                 if (w.getWorkerId == 2) throw std::runtime_error("make");
                 return 0;
               }),
               std::runtime_error);
}

TEST(Batch, IdsHashAndRender) {
  EXPECT_EQ(std::hash<BatchId>{}(BatchId{5}), std::hash<std::int64_t>{}(5));
  EXPECT_LT(BatchId{1}, BatchId{2});
  EXPECT_EQ(Types::showsPrec(11, BatchId{-3}), "(BatchId {getBatchId = -3})");
  EXPECT_EQ(BatchId::read(" BatchId { getBatchId = 12 } "), BatchId{12});
  EXPECT_EQ(BatchId::read("BatchId {getBatchId = }"), std::nullopt);
}
