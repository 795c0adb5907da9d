// SPDX-License-Identifier: MIT
// A first look at the scheduler: jobs run on worker threads, results come back in the order the
// jobs were scheduled, whatever order they finish in.
#include <Control/Scheduler.hpp>

#include <chrono>
#include <cstdio>
#include <thread>

int main() {
  using namespace Control::Scheduler;

  const auto squares = withScheduler(Par, [](Scheduler<int>& s) {
    for (int i = 1; i <= 8; ++i)
      scheduleWork(s, [i] {
        // Later jobs finish first.
        std::this_thread::sleep_for(std::chrono::milliseconds(2 * (9 - i)));
        return i * i;
      });
  });
  std::printf("squares in scheduling order:");
  for (int x : squares) std::printf(" %d", x);
  std::printf("\n");

  // Early termination: the first job to find a match ends the whole computation with it.
  const auto found = withScheduler(ParN(2), [](Scheduler<int>& s) {
    for (int i = 1; i <= 1000; ++i)
      scheduleWork(s, [&s, i] {
        if (i % 97 == 0) terminateWith(s, i);
        return 0;
      });
  });
  std::printf("terminateWith gave %zu result(s): %d\n", found.size(), found.empty() ? -1 : found[0]);
}
