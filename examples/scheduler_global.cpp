// SPDX-License-Identifier: MIT
// The global scheduler: its worker threads are started once and serve call after call, so many
// small rounds of parallel work do not each pay for starting and joining threads.
#include <Control/Scheduler/Global.hpp>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

int main() {
  using namespace Control::Scheduler;
  using Clock = std::chrono::steady_clock;

  // Sum the squares of 1..800 in 100 rounds of 8 jobs, on the same workers every time.
  std::atomic<long> sum{0};
  std::mutex m;
  std::set<std::thread::id> threads;
  const auto t0 = Clock::now();
  for (int round = 0; round < 100; ++round)
    withGlobalScheduler_(globalScheduler(), [&](Scheduler<Unit>& s) {
      for (int i = 1; i <= 8; ++i)
        scheduleWork_(s, [&, x = round * 8 + i] {
          sum += static_cast<long>(x) * x;
          std::lock_guard lock(m);
          threads.insert(std::this_thread::get_id());
        });
    });
  const auto t1 = Clock::now();
  std::printf("sum of squares 1..800 = %ld, computed by %zu worker thread(s) in 100 calls\n",
              sum.load(), threads.size());

  // The same rounds with a fresh scheduler each time start and join threads 100 times.
  for (int round = 0; round < 100; ++round)
    withScheduler_(Par, [&](Scheduler<Unit>& s) {
      for (int i = 1; i <= 8; ++i) scheduleWork_(s, [&] { sum += 1; });
    });
  const auto t2 = Clock::now();
  auto us = [](Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count() / 100; };
  std::printf("per call: global scheduler %.1f us, fresh scheduler %.1f us\n", us(t1 - t0), us(t2 - t1));

  // A job that fails: the exception reaches the caller, and the next call gets new workers.
  try {
    withGlobalScheduler_(globalScheduler(), [](Scheduler<Unit>& s) {
      scheduleWork_(s, []() -> int { throw std::runtime_error("a job failed"); });
    });
  } catch (const std::exception& e) {
    std::printf("caught: %s; the global scheduler now has %zu fresh worker(s)\n", e.what(),
                globalScheduler().globalSchedulerThreadIds().size());
  }
}
