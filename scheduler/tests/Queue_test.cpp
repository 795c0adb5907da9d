// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "Control/Scheduler/Queue.hpp"
#include "TestSupport.hpp"

using namespace Control::Scheduler::Queue;
using namespace std::chrono_literals;
namespace Thread = Control::Scheduler::Thread;

namespace {
// A `Job` returning v; the counter records that it ran.
Job<int> valueJob(int v, std::atomic<int>* ran = nullptr) {
  return mkJob<int>([v, ran](auto store) {
    return [v, ran, store](WorkerId) {
      if (ran != nullptr) ++*ran;
      store(v);
    };
  });
}
void runNext(JQueue<int>& q) { popJQueue(q)(WorkerId{0}); }
// Runs the next n jobs and collects, oldest first.
std::vector<int> popValues(JQueue<int>& q, int n) {
  for (int i = 0; i < n; ++i) runNext(q);
  auto r = readResults(q);
  return {r.rbegin(), r.rend()};
}
}  // namespace

TEST(Queue, FifoAcrossInterleavedPushesAndPops) {
  auto q = newJQueue<int>();
  unblockPopJQueue(*q);
  pushJQueue(*q, valueJob(1));
  EXPECT_EQ(popValues(*q, 1), std::vector<int>{1});
  pushJQueue(*q, valueJob(2));
  pushJQueue(*q, valueJob(3));
  EXPECT_EQ(popValues(*q, 2), (std::vector<int>{2, 3}));
  for (int i = 0; i < 3000; ++i) pushJQueue(*q, valueJob(i));  // across several chunks
  for (int i = 0; i < 3000; ++i) runNext(*q);
  auto r = readResults(*q);
  ASSERT_EQ(r.size(), 3000u);
  for (int i = 0; i < 3000; ++i) EXPECT_EQ(r[static_cast<std::size_t>(i)], 2999 - i);
}

TEST(Queue, ResultsNewestFirstOnlyCompletedJobs) {
  auto q = newJQueue<int>();
  unblockPopJQueue(*q);
  std::atomic<int> ran{0};
  pushJQueue(*q, valueJob(10, &ran));
  pushJQueue(*q, Job_<int>([&](WorkerId) { return ++ran; }));
  pushJQueue(*q, valueJob(20, &ran));
  pushJQueue(*q, valueJob(30, &ran));
  pushJQueue(*q, valueJob(40, &ran));  // never run
  for (int i = 0; i < 4; ++i) runNext(*q);
  EXPECT_EQ(ran.load(), 4);
  EXPECT_EQ(readResults(*q), (std::vector<int>{30, 20, 10}));
  EXPECT_EQ(readResults(*q), std::vector<int>{});
  EXPECT_EQ(q->pendingCount(), 0u);  // the job never run was dropped
  pushJQueue(*q, valueJob(50));
  EXPECT_EQ(popValues(*q, 1), std::vector<int>{50});
}

TEST(Queue, ClearPendingKeepsResultCells) {
  auto q = newJQueue<int>();
  unblockPopJQueue(*q);
  pushJQueue(*q, valueJob(1));
  pushJQueue(*q, valueJob(2));
  runNext(*q);
  clearPendingJQueue(*q);
  EXPECT_EQ(q->pendingCount(), 0u);
  EXPECT_EQ(readResults(*q), std::vector<int>{1});
}

TEST(Queue, StoreMayBeCalledTwiceAndKeepsTheLast) {
  auto q = newJQueue<std::string>();
  unblockPopJQueue(*q);
  pushJQueue(*q, mkJob<std::string>([](auto store) {
               return [store](WorkerId w) {
                 store("first");
                 store("w" + std::to_string(w.getWorkerId));
               };
             }));
  popJQueue(*q)(WorkerId{7});
  EXPECT_EQ(readResults(*q), std::vector<std::string>{"w7"});
}

TEST(Queue, PopWaitsAtClosedGateAndOnEmptyQueue) {
  auto q = newJQueue<int>();
  pushJQueue(*q, valueJob(1));
  std::atomic<int> popped{0};
  std::thread t([&] {
    for (int i = 0; i < 2; ++i) {
      popJQueue(*q)(WorkerId{0});
      ++popped;
    }
  });
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(popped.load(), 0);  // a job is queued but the gate is closed
  unblockPopJQueue(*q);
  while (popped.load() < 1) std::this_thread::sleep_for(1ms);
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(popped.load(), 1);  // the queue is empty now
  pushJQueue(*q, valueJob(2));
  t.join();
  EXPECT_EQ(popped.load(), 2);
  EXPECT_EQ(readResults(*q), (std::vector<int>{2, 1}));
  blockPopJQueue(*q);
  EXPECT_TRUE(!q->tryBlockPop());
}

TEST(Queue, DeliveryWakesABlockedPop) {
  auto q = newJQueue<int>();
  unblockPopJQueue(*q);
  std::atomic<bool> raised{false};
  auto w = Thread::WorkerThread::start(std::nullopt, [&] {
    Thread::Mask unmasked(Thread::MaskingState::Unmasked);
    try {
      popJQueue(*q)(WorkerId{0});
    } catch (const Thread::AsyncException& e) {
      raised = e.is<std::runtime_error>();
    }
  });
  std::this_thread::sleep_for(20ms);
  w.deliver(std::make_exception_ptr(std::runtime_error("stop")), false, true);
  w.join();
  EXPECT_TRUE(raised.load());
}

TEST(Queue, ManyPushersAndPoppersLoseNothing) {
  constexpr int kPushers = 3, kPerPusher = 20000, kPoppers = 2;
  auto q = newJQueue<int>();
  unblockPopJQueue(*q);
  std::atomic<int> remaining{kPushers * kPerPusher};
  std::vector<std::vector<int>> seen(kPoppers);
  std::vector<std::thread> ts;
  for (int p = 0; p < kPoppers; ++p)
    ts.emplace_back([&, p] {
      while (remaining.fetch_sub(1) > 0) {
        popJQueue(*q)(WorkerId{p});
      }
    });
  for (int p = 0; p < kPushers; ++p)
    ts.emplace_back([&, p] {
      for (int i = 0; i < kPerPusher; ++i) pushJQueue(*q, valueJob(p * kPerPusher + i));
    });
  for (auto& t : ts) t.join();
  auto r = readResults(*q);
  ASSERT_EQ(r.size(), static_cast<std::size_t>(kPushers * kPerPusher));
  // Each pusher's jobs appear in its push order (newest first here).
  std::vector<int> last(kPushers, kPerPusher);
  for (int v : r) {
    const int p = v / kPerPusher, i = v % kPerPusher;
    EXPECT_LT(i, last[static_cast<std::size_t>(p)]);
    last[static_cast<std::size_t>(p)] = i;
  }
  EXPECT_EQ(std::set<int>(r.begin(), r.end()).size(), r.size());
}

TEST(Queue, MailboxPutTakeRead) {
  Mailbox<int> m;
  EXPECT_TRUE(m.isEmpty());
  std::thread t([&] { m.put(5); m.put(6); });
  EXPECT_EQ(m.read(), 5);
  EXPECT_EQ(m.take(), 5);
  EXPECT_EQ(m.take(), 6);
  t.join();
  EXPECT_EQ(m.tryTake(), std::nullopt);
  Mailbox<std::string> full(std::string("x"));
  std::string y = "y";
  EXPECT_FALSE(full.tryPut(y));
  EXPECT_EQ(y, "y");
}

TEST(Queue, WorkerIdText) {
  const struct {
    std::int64_t v;
    const char* text;
  } rows[] = {{3, "WorkerId {getWorkerId = 3}"},
              {0, "WorkerId {getWorkerId = 0}"},
              {-7, "WorkerId {getWorkerId = -7}"}};
  for (const auto& r : rows) {
    EXPECT_EQ(show(WorkerId{r.v}), r.text);
    EXPECT_EQ(showsPrec(10, WorkerId{r.v}), r.text);
    EXPECT_EQ(showsPrec(11, WorkerId{r.v}), "(" + std::string(r.text) + ")");
    EXPECT_EQ(WorkerId::read(r.text), WorkerId{r.v});
    EXPECT_EQ(WorkerId::read(showsPrec(11, WorkerId{r.v})), WorkerId{r.v});
  }
  EXPECT_EQ(WorkerId::read(" ( WorkerId{ getWorkerId=12 } ) "), WorkerId{12});
  for (const char* bad : {"WorkerId {getWorkerId = }", "WorkerId 3", "(WorkerId {getWorkerId = 1}", ""})
    EXPECT_EQ(WorkerId::read(bad), std::nullopt) << bad;
  EXPECT_LT(WorkerId{1}, WorkerId{2});
  EXPECT_EQ(WorkerId{2} + WorkerId{3}, WorkerId{5});
}

TEST(Queue, PopOnAClosedQueueReturnsAtOnce) {
  auto q = newJQueue<int>();
  pushJQueue(*q, valueJob(1));
  unblockPopJQueue(*q);
  q->close();
  runNext(*q);  // a job still queued is handed out
  EXPECT_FALSE(static_cast<bool>(popJQueue(*q)));  // closed and empty: no wait
  EXPECT_EQ(readResults(*q), std::vector<int>{1});
}

TEST(Queue, CollectedChunksAreReleasedBetweenBatches) {
  // A queue serving batch after batch keeps the chunks of one batch, not of all of them;
  // jobs dropped unrun are destroyed with their chunk, and the queue goes on working.
  auto q = newJQueue<int>();
  unblockPopJQueue(*q);
  auto owned = std::make_shared<int>(0);
  std::size_t freed = 0;
  for (int batch = 0; batch < 4; ++batch) {
    for (int i = 0; i < 1500; ++i) pushJQueue(*q, valueJob(i));
    pushJQueue(*q, mkJob<int>([owned](auto store) { return [owned, store](WorkerId) { store(-1); }; }));
    EXPECT_EQ(popValues(*q, 700).size(), 700u);  // the rest is dropped by the collection
    freed += q->releaseCollected();
  }
  EXPECT_EQ(freed, 6004u / 1024);  // all but the chunk the next push goes to
  EXPECT_EQ(owned.use_count(), 2);  // only the last batch's dropped job is still held
  EXPECT_EQ(q->releaseCollected(), 0u);
  pushJQueue(*q, valueJob(5));
  EXPECT_EQ(popValues(*q, 1), std::vector<int>{5});
  q.reset();
  EXPECT_EQ(owned.use_count(), 1);
}
