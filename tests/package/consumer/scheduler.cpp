// SPDX-License-Identifier: MIT
// Packaging check: the installed scheduler runs one job on a worker thread.
#include <Control/Scheduler.hpp>

int main() {
  using namespace Control::Scheduler;
  const auto xs = withScheduler(ParN(1), [](Scheduler<int>& s) { scheduleWork(s, [] { return 7; }); });
  return xs.size() == 1 && xs[0] == 7 ? 0 : 1;
}
