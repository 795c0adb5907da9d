// SPDX-License-Identifier: MIT
// Worker states: each worker keeps its own random generator, which its jobs use without locks
// (a worker runs one job at a time). Estimates pi by drawing points in the unit square.
#include <Control/Scheduler.hpp>

#include <cstdio>
#include <random>

int main() {
  using namespace Control::Scheduler;
  using Rng = std::mt19937_64;

  // One generator per worker of Par, seeded by the worker's index.
  auto rngs = initWorkerStates(Par, [](WorkerId w) { return Rng(1234 + static_cast<std::uint64_t>(w.getWorkerId)); });

  constexpr int kJobs = 64, kDraws = 20000;
  auto hits = withSchedulerWS(rngs, [](SchedulerWS<Rng, int>& sws) {
    for (int j = 0; j < kJobs; ++j)
      scheduleWorkState(sws, [](WorkerId, Rng& rng) {
        std::uniform_real_distribution<double> u(0.0, 1.0);
        int inside = 0;
        for (int i = 0; i < kDraws; ++i) {
          const double x = u(rng), y = u(rng);
          inside += x * x + y * y <= 1.0;
        }
        return inside;
      });
  });
  long total = 0;
  for (int h : hits) total += h;
  std::printf("%zu workers, %d jobs of %d draws: pi ~ %.4f\n", rngs._workerStatesArray().size(), kJobs,
              kDraws, 4.0 * static_cast<double>(total) / (double(kJobs) * kDraws));

  // The states stay with the WorkerStates value: a second scheduler continues the sequences.
  auto next = withSchedulerWS(rngs, [](SchedulerWS<Rng, std::uint64_t>& sws) {
    scheduleWorkState(sws, [](WorkerId, Rng& rng) { return rng() % 1000; });
  });
  std::printf("one more draw from a worker's generator: %llu\n", static_cast<unsigned long long>(next.at(0)));

  // Two schedulers may not use the same states at once.
  withSchedulerWS_<Unit>(rngs, [&](SchedulerWS<Rng, Unit>&) {
    try {
      withSchedulerWS_<Unit>(rngs, [](SchedulerWS<Rng, Unit>&) {});
    } catch (const MutexException& e) {
      std::printf("%s\n", e.what());
    }
  });
}
