// SPDX-License-Identifier: MIT
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <limits>
#include <memory>
#include <mutex>
#include <numeric>
#include <set>
#include <stdexcept>
#include <thread>

#include "Control/Scheduler.hpp"
#include "TestSupport.hpp"

using namespace Control::Scheduler;
using ::testing::StrEq;
using ::testing::ThrowsMessage;
using namespace std::chrono_literals;

namespace {

using SchedulerTest = testsupport::StrategyTest;

std::vector<int> iota(int n) {
  std::vector<int> v(static_cast<std::size_t>(n));
  std::iota(v.begin(), v.end(), 0);
  return v;
}

// True when xs is strictly increasing (a subsequence of the scheduling order 0, 1, 2, ...).
bool increasing(const std::vector<int>& xs) {
  return std::adjacent_find(xs.begin(), xs.end(), std::greater_equal<>()) == xs.end();
}

struct Custom {
  int code;
};

}  // namespace

TEST_P(SchedulerTest, EmptyActionGivesNoResults) {
  EXPECT_TRUE(withScheduler(comp(), [](Scheduler<int>&) {}).empty());
  EXPECT_EQ(withSchedulerR(comp(), [](Scheduler<int>&) {}), Results<int>(Finished<int>{{}}));
  withScheduler_(comp(), [](Scheduler<Unit>&) {});
}

TEST_P(SchedulerTest, ResultsInSchedulingOrderThoughJobsFinishOutOfOrder) {
  const int n = 40;
  auto xs = withScheduler(comp(), [&](Scheduler<int>& s) {
    for (int i = 0; i < n; ++i)
      scheduleWork(s, [i] {
        std::this_thread::sleep_for(std::chrono::microseconds(((i * 7) % 5) * 300));
        return i;
      });
  });
  EXPECT_EQ(xs, iota(n));
  auto r = withSchedulerR(comp(), [&](Scheduler<int>& s) {
    for (int i = 0; i < n; ++i) scheduleWork(s, [i] { return i; });
  });
  EXPECT_EQ(r, Results<int>(Finished<int>{iota(n)}));
}

TEST_P(SchedulerTest, WorkerIdsAndCounts) {
  std::mutex m;
  std::set<std::int64_t> ids;
  std::int64_t seen = -1;
  withScheduler_(comp(), [&](Scheduler<Unit>& s) {
    seen = numWorkers(s);
    for (int i = 0; i < 200; ++i)
      scheduleWorkId_(s, [&](WorkerId w) {
        std::lock_guard lock(m);
        ids.insert(w.getWorkerId);
      });
  });
  EXPECT_EQ(seen, workers());
  ASSERT_FALSE(ids.empty());
  EXPECT_GE(*ids.begin(), 0);
  EXPECT_LT(*ids.rbegin(), workers());
}

TEST_P(SchedulerTest, JobExceptionReachesTheCallerUnchanged) {
  auto schedule = [&](auto thrower) {
    return [&, thrower](Scheduler<int>& s) {
      for (int i = 0; i < 20; ++i) scheduleWork(s, [i] { return i; });
      scheduleWork(s, [thrower]() -> int { thrower(); return 0; });
      for (int i = 0; i < 20; ++i) scheduleWork(s, [i] { return i; });
    };
  };
  EXPECT_THAT([&] { withScheduler(comp(), schedule([] { throw std::runtime_error("boom"); })); },
              (ThrowsMessage<std::runtime_error>(StrEq("boom"))));
  try {
    withScheduler(comp(), schedule([] { throw 42; }));
    ADD_FAILURE();
  } catch (int v) {
    EXPECT_EQ(v, 42);
  }
  try {
    withScheduler(comp(), schedule([] { throw Custom{7}; }));
    ADD_FAILURE();
  } catch (const Custom& c) {
    EXPECT_EQ(c.code, 7);
  }
}

TEST_P(SchedulerTest, TwoFailingJobsGiveOneOfTheirExceptions) {
  try {
    withScheduler(comp(), [](Scheduler<int>& s) {
      scheduleWork(s, []() -> int { std::this_thread::sleep_for(1ms); throw std::runtime_error("a"); });
      scheduleWork(s, []() -> int { std::this_thread::sleep_for(1ms); throw std::runtime_error("b"); });
      for (int i = 0; i < 100; ++i) scheduleWork(s, [i] { return i; });
    });
    ADD_FAILURE();
  } catch (const std::runtime_error& e) {
    EXPECT_TRUE(std::string(e.what()) == "a" || std::string(e.what()) == "b") << e.what();
  }
}

TEST_P(SchedulerTest, TerminateFromAJob) {
  auto xs = withScheduler(comp(), [](Scheduler<int>& s) {
    for (int i = 0; i < 10; ++i) scheduleWork(s, [i] { return i; });
    scheduleWork(s, [&s]() -> int { terminate(s, 99); });
    for (int i = 11; i < 200; ++i) scheduleWork(s, [i] { return i; });
  });
  ASSERT_FALSE(xs.empty());
  EXPECT_EQ(xs.back(), 99);
  xs.pop_back();
  EXPECT_TRUE(increasing(xs));
  if (workers() == 1) {
    EXPECT_EQ(xs, iota(10));  // one worker takes the jobs in order
  }

  auto ys = withScheduler(comp(), [](Scheduler<int>& s) {
    for (int i = 0; i < 10; ++i) scheduleWork(s, [i] { return i; });
    scheduleWork(s, [&s]() -> int { terminateWith(s, -1); });
    for (int i = 0; i < 100; ++i) scheduleWork(s, [i] { return i; });
  });
  EXPECT_EQ(ys, std::vector<int>{-1});
  auto r = withSchedulerR(comp(), [](Scheduler<int>& s) {
    scheduleWork(s, [&s]() -> int { terminateWith(s, 5); });
  });
  EXPECT_EQ(r, Results<int>(FinishedEarlyWith<int>{5}));
}

TEST_P(SchedulerTest, NoJobStartsAfterTerminateCollected) {
  // Job 1000 of 2000 calls terminate, which collects the completed results and drops the jobs
  // not yet popped; the job then holds its report back for a millisecond, while the other
  // workers go on. A job that started but is not among the results was running or popped at
  // the collection: at most one per other worker.
  constexpr int n = 2000, stop = 1000;
  auto spin = [](std::chrono::nanoseconds d) {
    const auto until = std::chrono::steady_clock::now() + d;
    while (std::chrono::steady_clock::now() < until) {
    }
  };
  for (int rep = 0; rep < 10; ++rep) {
    std::atomic<int> started{0};
    auto xs = withScheduler(comp(), [&](Scheduler<int>& s) {
      for (int i = 0; i < n; ++i)
        scheduleWork(s, [&, i] {
          ++started;
          if (i == stop) {
            try {
              terminate(s, -1);
            } catch (const TerminateEarlyException&) {
              spin(1ms);
              throw;
            }
          }
          spin(5us);
          return i;
        });
    });
    ASSERT_FALSE(xs.empty());
    EXPECT_EQ(xs.back(), -1);
    const auto uncollected = started.load() - 1 - static_cast<int>(xs.size() - 1);
    EXPECT_LE(uncollected, workers() - 1) << "repetition " << rep;
  }
}

TEST_P(SchedulerTest, AJobWaitingForALaterJobLeavesItToAFreeWorker) {
  // Job 50 waits for what job 51 puts: any free worker must be able to take job 51 meanwhile.
  if (sequential() || workers() < 2) GTEST_SKIP() << "needs two workers";
  Queue::Mailbox<int> box;
  std::atomic<bool> gaveUp{false};
  auto xs = withScheduler(comp(), [&](Scheduler<int>& s) {
    for (int i = 0; i < 400; ++i)
      scheduleWork(s, [&, i] {
        if (i == 51) box.put(i);
        if (i == 50) {
          const auto until = std::chrono::steady_clock::now() + 10s;
          while (!box.tryTake()) {
            if (std::chrono::steady_clock::now() > until) {
              gaveUp = true;
              break;
            }
            std::this_thread::sleep_for(20us);
          }
        }
        return i;
      });
  });
  EXPECT_FALSE(gaveUp.load());
  EXPECT_EQ(xs, iota(400));
}

TEST_P(SchedulerTest, TerminateFromTheAction) {
  auto xs = withScheduler(comp(), [](Scheduler<int>& s) {
    for (int i = 0; i < 5; ++i) scheduleWork(s, [i] { return i; });
    terminate(s, 42);
  });
  // Sequential jobs ran when scheduled; threaded ones wait behind the closed gate and never run.
  const std::vector<int> expected =
      sequential() ? std::vector<int>{0, 1, 2, 3, 4, 42} : std::vector<int>{42};
  EXPECT_EQ(xs, expected);
  auto ys = withScheduler(comp(), [](Scheduler<int>& s) {
    scheduleWork(s, [] { return 1; });
    terminateWith(s, 7);
  });
  EXPECT_EQ(ys, std::vector<int>{7});
  withScheduler_(comp(), [](Scheduler<Unit>& s) { terminate_(s); });
}

TEST_P(SchedulerTest, JobsThatScheduleJobs) {
  const int outer = 30, inner = 20;
  auto xs = withScheduler(comp(), [&](Scheduler<int>& s) {
    for (int i = 0; i < outer; ++i)
      scheduleWork(s, [&s, i] {
        for (int j = 1; j <= inner; ++j) scheduleWork(s, [i, j] { return i * 1000 + j; });
        return i * 1000;
      });
  });
  ASSERT_EQ(xs.size(), static_cast<std::size_t>(outer * (inner + 1)));
  std::vector<std::size_t> pos(outer * 1000 + inner + 1);
  for (std::size_t k = 0; k < xs.size(); ++k) pos[static_cast<std::size_t>(xs[k])] = k + 1;
  for (int i = 0; i < outer; ++i)
    for (int j = 1; j <= inner; ++j) {
      const auto parent = pos[static_cast<std::size_t>(i * 1000)];
      const auto child = pos[static_cast<std::size_t>(i * 1000 + j)];
      ASSERT_TRUE(parent != 0 && child != 0);
      // Threaded: the child is pushed after its parent. Sequential: it runs inside its parent,
      // so its result is recorded first.
      if (sequential())
        EXPECT_LT(child, parent);
      else
        EXPECT_GT(child, parent);
    }
}

TEST(Scheduler, SequentialJobsRunDuringTheSchedulingCall) {
  const Comp comp = Seq;
  const auto caller = std::this_thread::get_id();
  std::vector<int> effects;
  withScheduler_(comp, [&](Scheduler<Unit>& s) {
    for (int i = 0; i < 3; ++i) {
      scheduleWorkId_(s, [&, i](WorkerId w) {
        EXPECT_EQ(std::this_thread::get_id(), caller);
        EXPECT_EQ(w, WorkerId{0});
        effects.push_back(i);
      });
      EXPECT_EQ(effects.size(), static_cast<std::size_t>(i + 1));
    }
  });
  EXPECT_EQ(effects, (std::vector<int>{0, 1, 2}));
  EXPECT_THAT([] { withTrivialScheduler([](Scheduler<int>& s) { scheduleWork(s, []() -> int { throw std::runtime_error("now"); }); }); },
              (ThrowsMessage<std::runtime_error>(StrEq("now"))));
}

TEST(Scheduler, SequentialResultsFromManyThreads) {
  // Threads of the caller's own schedule into one sequential scheduler beside the thread that
  // runs it: every result arrives once, each thread's in its own order.
  constexpr int kThreads = 4, kEach = 20000;
  auto xs = withScheduler(Seq, [](Scheduler<int>& s) {
    std::vector<std::thread> ts;
    for (int t = 1; t <= kThreads; ++t)
      ts.emplace_back([&s, t] {
        for (int i = 0; i < kEach; ++i) scheduleWork(s, [t, i] { return t * kEach + i; });
      });
    for (int i = 0; i < kEach; ++i) scheduleWork(s, [i] { return i; });
    for (auto& t : ts) t.join();
  });
  ASSERT_EQ(xs.size(), static_cast<std::size_t>((kThreads + 1) * kEach));
  std::vector<int> next(kThreads + 1, 0);
  for (int v : xs) {
    auto& n = next[static_cast<std::size_t>(v / kEach)];
    ASSERT_EQ(v % kEach, n);
    ++n;
  }

  // Pushes that take turns between the running thread and another one keep that order.
  constexpr int kTurns = 2000;
  auto ys = withScheduler(Seq, [](Scheduler<int>& s) {
    std::atomic<int> turn{0};
    auto play = [&](int parity) {
      for (int i = parity; i < kTurns; i += 2) {
        while (turn.load() != i) std::this_thread::yield();
        scheduleWork(s, [i] { return i; });
        turn.store(i + 1);
      }
    };
    std::thread other(play, 1);
    play(0);
    other.join();
  });
  EXPECT_EQ(ys, iota(kTurns));
}

TEST_P(SchedulerTest, LongJobsAreInterruptedWhenTheRunFails) {
  // A job that never finishes unless interrupted: the failure of another job must still end
  // the run (its worker is interrupted at interruptionPoint), and also when the long job
  // swallows the interruption once.
  std::atomic<bool> swallowed{false};
  EXPECT_THAT(
      [&] {
        withScheduler_(comp(), [&](Scheduler<Unit>& s) {
          if (sequential()) {
            scheduleWork_(s, []() -> int { throw std::runtime_error("fail"); });
            return;
          }
          for (std::int64_t k = 0; k < std::min<std::int64_t>(2, workers() - 1); ++k)
            scheduleWork_(s, [&] {
              try {
                for (;;) {
                  interruptionPoint();
                  std::this_thread::sleep_for(100us);
                }
              } catch (...) {
                swallowed = true;
              }
              for (;;) {
                interruptionPoint();
                std::this_thread::sleep_for(100us);
              }
            });
          scheduleWork_(s, []() -> int {
            std::this_thread::sleep_for(2ms);
            throw std::runtime_error("fail");
          });
        });
      },
      (ThrowsMessage<std::runtime_error>(StrEq("fail"))));
  if (!sequential() && workers() > 2) {
    EXPECT_TRUE(swallowed.load());
  }
}

TEST_P(SchedulerTest, ActionExceptionReachesTheCaller) {
  EXPECT_THAT(
      [&] {
        withScheduler(comp(), [](Scheduler<int>& s) {
          for (int i = 0; i < 10; ++i) scheduleWork(s, [i] { return i; });
          throw std::runtime_error("action");
        });
      },
      (ThrowsMessage<std::runtime_error>(StrEq("action"))));
}

TEST_P(SchedulerTest, WaitingCallerInsideAJobIsInterrupted) {
  // A job waits in an inner run whose job never ends by itself; another job fails. Ending the
  // outer run interrupts the waiting job, which ends its inner run (interrupting the inner job)
  // before the outer call returns.
  if (sequential() || workers() < 2) GTEST_SKIP() << "needs two workers";
  std::atomic<bool> innerStarted{false};
  EXPECT_THAT(
      [&] {
        withScheduler_(comp(), [&](Scheduler<Unit>& s) {
          scheduleWork_(s, [&] {
            withScheduler_(ParN(1), [&](Scheduler<Unit>& t) {
              scheduleWork_(t, [&] {
                innerStarted = true;
                for (;;) {
                  interruptionPoint();
                  std::this_thread::sleep_for(100us);
                }
              });
            });
          });
          scheduleWork_(s, [&]() -> int {
            while (!innerStarted.load()) std::this_thread::sleep_for(100us);
            throw std::runtime_error("outer");
          });
        });
      },
      (ThrowsMessage<std::runtime_error>(StrEq("outer"))));
}

TEST_P(SchedulerTest, BatchesWithinOneRun) {
  std::vector<int> first;
  BatchId before, after;
  auto xs = withScheduler(comp(), [&](Scheduler<int>& s) {
    before = s._currentBatchId();
    for (int i = 0; i < 10; ++i) scheduleWork(s, [i] { return i; });
    auto r = s._waitForCurrentBatch();  // raw: newest first
    first = Types::toList(Types::reverseResults(r));
    after = s._currentBatchId();
    for (int i = 10; i < 15; ++i) scheduleWork(s, [i] { return i; });
  });
  EXPECT_EQ(first, iota(10));
  EXPECT_EQ(xs, (std::vector<int>{10, 11, 12, 13, 14}));
  EXPECT_EQ(before, BatchId{0});
  EXPECT_EQ(after, BatchId{1});
}

TEST_P(SchedulerTest, CancelBatchFromAJob) {
  auto r = withSchedulerR(comp(), [](Scheduler<int>& s) {
    for (int i = 0; i < 5; ++i) scheduleWork(s, [i] { return i; });
    scheduleWork(s, [&s]() -> int {
      s._cancelBatch(s._currentBatchId(), Early<int>(77));
      return -1;  // reached only by the sequential scheduler
    });
  });
  ASSERT_TRUE(r.isFinishedEarly()) << Types::show(r);
  const auto& fe = std::get<FinishedEarly<int>>(r.variant());
  EXPECT_EQ(fe.value, 77);
  if (sequential()) {
    EXPECT_EQ(fe.results, (std::vector<int>{0, 1, 2, 3, 4, -1}));  // the job carries on
  } else {
    EXPECT_TRUE(increasing(fe.results));
    EXPECT_TRUE(fe.results.empty() || fe.results.back() < 5);
  }
}

TEST_P(SchedulerTest, TerminateEarlyExceptionThrownByHand) {
  EXPECT_THAT(
      [&] {
        withScheduler(comp(), [](Scheduler<int>& s) {
          scheduleWork(s, []() -> int { throw TerminateEarlyException(); });
        });
      },
      (ThrowsMessage<std::logic_error>(StrEq("Impossible: uninitialized early termination value"))));
}

TEST_P(SchedulerTest, UseAfterTheRunFailsClearly) {
  std::optional<Scheduler<int>> kept;
  withScheduler(comp(), [&](Scheduler<int>& s) { kept.emplace(s); });
  EXPECT_THAT([&] { scheduleWork(*kept, [] { return 1; }); },
              (ThrowsMessage<std::logic_error>(StrEq(
                  "Control.Scheduler: the scheduler was used after the call that created it returned"))));
}

TEST_P(SchedulerTest, NestedRunsInsideJobs) {
  auto xs = withScheduler(comp(), [](Scheduler<int>& s) {
    for (int i = 0; i < 4; ++i)
      scheduleWork(s, [i] {
        auto inner = withScheduler(ParN(2), [i](Scheduler<int>& t) {
          for (int j = 0; j < 10; ++j) scheduleWork(t, [i, j] { return i + j; });
        });
        return std::accumulate(inner.begin(), inner.end(), 0);
      });
  });
  EXPECT_EQ(xs, (std::vector<int>{45, 55, 65, 75}));
}

TEST_P(SchedulerTest, StressManyJobs) {
  const int n = 100000;
  for (int rep = 0; rep < 3; ++rep) {
    auto xs = withScheduler(comp(), [&](Scheduler<int>& s) {
      for (int i = 0; i < n; ++i) scheduleWork(s, [i] { return i; });
    });
    ASSERT_EQ(xs.size(), static_cast<std::size_t>(n));
    for (int i = 0; i < n; i += 997) ASSERT_EQ(xs[static_cast<std::size_t>(i)], i);
    EXPECT_TRUE(increasing(xs));
  }
  std::atomic<long> sum{0};
  withScheduler_(comp(), [&](Scheduler<Unit>& s) {
    for (int i = 0; i < 1000; ++i)
      scheduleWork_(s, [&, i] {
        for (int j = 0; j < 100; ++j) scheduleWork_(s, [&, j] { sum += j; });
        sum += i;
      });
  });
  EXPECT_EQ(sum.load(), 1000L * 4950 + 999L * 1000 / 2);
}

TEST_P(SchedulerTest, MoveOnlyResults) {
  using P = std::unique_ptr<int>;
  auto xs = withScheduler(comp(), [](Scheduler<P>& s) {
    for (int i = 0; i < 50; ++i) scheduleWork(s, [i] { return std::make_unique<int>(i); });
  });
  ASSERT_EQ(xs.size(), 50u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(*xs[static_cast<std::size_t>(i)], i);

  auto early = withScheduler(comp(), [](Scheduler<P>& s) {
    scheduleWork(s, [] { return std::make_unique<int>(1); });
    scheduleWork(s, [&s]() -> P { terminate(s, std::make_unique<int>(9)); });
  });
  ASSERT_FALSE(early.empty());
  EXPECT_EQ(*early.back(), 9);
  auto with = withSchedulerR(comp(), [](Scheduler<P>& s) {
    scheduleWork(s, [&s]() -> P { terminateWith(s, std::make_unique<int>(7)); });
  });
  ASSERT_TRUE(with.isFinishedEarlyWith());
  EXPECT_EQ(*std::get<FinishedEarlyWith<P>>(with.variant()).value, 7);
  auto fromAction = withScheduler(comp(), [](Scheduler<P>& s) { terminate(s, std::make_unique<int>(3)); });
  ASSERT_EQ(fromAction.size(), 1u);
  EXPECT_EQ(*fromAction[0], 3);
}

INSTANTIATE_TEST_SUITE_P(Strategies, SchedulerTest,
                         ::testing::Values(Seq, ParN(1), ParN(2), ParN(4), Par),
                         testsupport::compName);

TEST(Scheduler, OddCapabilityListsStillRun) {
  const long before = testsupport::threadCount();
  const Comp odd = ParOn({-5, std::numeric_limits<std::int64_t>::max(),
                          std::numeric_limits<std::int64_t>::min(), 3, 3});
  auto xs = withScheduler(odd, [](Scheduler<int>& s) {
    EXPECT_EQ(numWorkers(s), 5);
    for (int i = 0; i < 100; ++i) scheduleWork(s, [i] { return i; });
  });
  EXPECT_EQ(xs, iota(100));
  EXPECT_LE(testsupport::settledThreadCount(before), before);
}

TEST(Scheduler, ResultTypeIsTakenFromTheAction) {
  auto xs = withScheduler(ParN(2), [](Scheduler<std::string>& s) {
    scheduleWork(s, [] { return std::string("a"); });
    scheduleWorkId(s, [](WorkerId) { return std::string("b"); });
  });
  EXPECT_EQ(xs, (std::vector<std::string>{"a", "b"}));
  auto ys = withScheduler<double>(Seq, [](auto& s) { scheduleWork(s, [] { return 0.5; }); });
  EXPECT_EQ(ys, std::vector<double>{0.5});
}

TEST(Scheduler, ResultsValues) {
  using R = Results<int>;
  const R fin(Finished<int>{{1, -2}}), early(FinishedEarly<int>{{1}, -5}), with(FinishedEarlyWith<int>{3});
  const struct {
    R r;
    const char* text;
  } rows[] = {{fin, "Finished [1,-2]"}, {early, "FinishedEarly [1] (-5)"}, {with, "FinishedEarlyWith 3"}};
  for (const auto& row : rows) {
    EXPECT_EQ(Types::show(row.r), row.text);
    EXPECT_EQ(Types::showsPrec(11, row.r), "(" + std::string(row.text) + ")");
    EXPECT_EQ(R::read(row.text), row.r);
    EXPECT_EQ(R::read(Types::showsPrec(11, row.r)), row.r);
  }
  EXPECT_EQ(R::read("Finished [1"), std::nullopt);
  EXPECT_EQ(Types::toList(early), (std::vector<int>{1, -5}));
  EXPECT_EQ(Types::resultsToList(early), (std::vector<int>{-5, 1}));
  EXPECT_EQ(Types::reverseResults(fin), R(Finished<int>{{-2, 1}}));
  EXPECT_EQ(Types::maximum(early), 1);
  EXPECT_EQ(Types::minimum(early), -5);
  EXPECT_EQ(Types::foldl1([](int a, int b) { return a - b; }, fin), 3);
  EXPECT_EQ(Types::foldr([](int a, int acc) { return a - acc; }, 0, fin), 3);
  EXPECT_EQ(Types::length(with), 1u);
  EXPECT_EQ(Types::fmap([](int x) { return x * 2.0; }, early),
            Results<double>(FinishedEarly<double>{{2.0}, -10.0}));
  EXPECT_TRUE(Types::eqWith([](int a, int b) { return a % 2 == b % 2; }, fin, R(Finished<int>{{3, 0}})));
  const R empty(Finished<int>{{}});
  EXPECT_THAT([&] { (void)Types::maximum(empty); },
              (ThrowsMessage<std::invalid_argument>(StrEq("maximum: empty structure"))));
  EXPECT_THAT([&] { (void)Types::minimum(empty); },
              (ThrowsMessage<std::invalid_argument>(StrEq("minimum: empty structure"))));
  EXPECT_THAT([&] { (void)Types::foldl1(std::plus<>(), empty); },
              (ThrowsMessage<std::invalid_argument>(StrEq("foldl1: empty structure"))));
}

TEST(Scheduler, ExceptionTexts) {
  EXPECT_STREQ(TerminateEarlyException().what(), "TerminateEarlyException");
  EXPECT_STREQ(CancelBatchException().what(), "CancelBatchException");
  EXPECT_STREQ(WorkerTerminateException().what(), "WorkerTerminateException");
  EXPECT_STREQ(MutexException().what(),
               "MutexException: WorkerStates cannot be used at the same time by different schedulers");
  EXPECT_EQ(Types::show(MutexException()), "MutexException");
  const WorkerException w(std::make_exception_ptr(TerminateEarlyException()));
  EXPECT_STREQ(w.what(), "WorkerException TerminateEarlyException");
  EXPECT_EQ(Types::showsPrec(11, w), "(WorkerException TerminateEarlyException)");
  EXPECT_EQ(Types::show(BatchId{4}), "BatchId {getBatchId = 4}");
  EXPECT_EQ(BatchId::read("(BatchId {getBatchId = -4})"), BatchId{-4});
}

TEST(Scheduler, InternalPieces) {
  const long before = testsupport::threadCount();
  auto raw = Internal::withSchedulerInternal<int>(Seq, true, [](Scheduler<int>& s) {
    EXPECT_EQ(numWorkers(s), 1);  // a threaded scheduler built directly for Seq: one worker
    for (int i = 0; i < 5; ++i) scheduleWork(s, [i] { return i; });
  });
  EXPECT_EQ(raw, Results<int>(Finished<int>{{4, 3, 2, 1, 0}}));  // raw outcome: newest first
  EXPECT_LE(testsupport::settledThreadCount(before), before);

  std::vector<int> released;
  EXPECT_THROW(Internal::safeBracketOnError([] { return 5; }, [&](int r) { released.push_back(r); },
                                            [](int) -> int { throw std::runtime_error("use"); }),
               std::runtime_error);
  EXPECT_EQ(Internal::safeBracketOnError([] { return 6; }, [&](int r) { released.push_back(r); },
                                         [](int r) { return r + 1; }),
            7);
  EXPECT_EQ(released, std::vector<int>{5});

  auto trivial = Internal::trivialScheduler_();
  int ran = 0;
  scheduleWork_(trivial, [&] { ++ran; });
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(Internal::withTrivialSchedulerR<int>([](Scheduler<int>& s) {
              scheduleWork(s, [] { return 1; });
              terminate(s, 2);
            }),
            Results<int>(FinishedEarly<int>{{1}, 2}));
}
