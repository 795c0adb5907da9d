// SPDX-License-Identifier: MIT
// Scheduler.cpp: cost per job of the scheduler beside oneTBB task_group and OpenMP tasks, in one
// binary. Each case runs repeatedly; the summary at the end prints medians in ns/job (wall clock
// and process CPU time) and the ratios of the wall-clock medians.
//   scheduler_bench_Scheduler --benchmark_repetitions=7
#include <benchmark/benchmark.h>
#include <pthread.h>
#include <sched.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "Control/Scheduler.hpp"
#include "Harness.hpp"

#ifdef HAVE_TBB
#include <tbb/task_arena.h>
#include <tbb/task_group.h>
#endif
#ifdef HAVE_OPENMP
#include <omp.h>
#endif

using namespace Control::Scheduler;

namespace {

constexpr int kTrivialJobs = 1000000;
constexpr int kOuter = 1000, kInner = 100;
constexpr int kNestedJobs = kOuter * (kInner + 1);
constexpr int kMicroJobs = 100000, kMilliJobs = 1000;

using bench::itersFor;
using bench::setJobs;
using bench::spin;

// ---- Overhead: 10^6 jobs returning their index, results in scheduling order -------------

void Plain_Loop(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<int> out;
    for (int i = 0; i < kTrivialJobs; ++i) out.push_back(i);
    benchmark::DoNotOptimize(out.data());
  }
  setJobs(state, kTrivialJobs);
}

void Ours_Trivial(benchmark::State& state, Comp comp) {
  for (auto _ : state) {
    auto out = withScheduler(comp, [](Scheduler<int>& s) {
      for (int i = 0; i < kTrivialJobs; ++i) scheduleWork(s, [i] { return i; });
    });
    benchmark::DoNotOptimize(out.data());
  }
  setJobs(state, kTrivialJobs);
}

#ifdef HAVE_TBB
void Tbb_Trivial(benchmark::State& state) {
  tbb::task_arena arena(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::vector<int> out(kTrivialJobs);
    arena.execute([&] {
      tbb::task_group g;
      for (int i = 0; i < kTrivialJobs; ++i) g.run([&out, i] { out[static_cast<std::size_t>(i)] = i; });
      g.wait();
    });
    benchmark::DoNotOptimize(out.data());
  }
  setJobs(state, kTrivialJobs);
}
#endif

#ifdef HAVE_OPENMP
void Omp_Trivial(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::vector<int> out(kTrivialJobs);
#pragma omp parallel num_threads(n)
#pragma omp single
    for (int i = 0; i < kTrivialJobs; ++i) {
#pragma omp task firstprivate(i) shared(out)
      out[static_cast<std::size_t>(i)] = i;
    }
    benchmark::DoNotOptimize(out.data());
  }
  setJobs(state, kTrivialJobs);
}
#endif

// ---- Jobs that schedule jobs: 10^3 jobs, each scheduling 10^2 ---------------------------

void Ours_Nested(benchmark::State& state, Comp comp) {
  for (auto _ : state) {
    std::atomic<long> sum{0};
    withScheduler_(comp, [&](Scheduler<Unit>& s) {
      for (int i = 0; i < kOuter; ++i)
        scheduleWork_(s, [&s, &sum] {
          for (int j = 0; j < kInner; ++j)
            scheduleWork_(s, [&sum, j] { sum.fetch_add(j, std::memory_order_relaxed); });
        });
    });
    benchmark::DoNotOptimize(sum.load());
  }
  setJobs(state, kNestedJobs);
}

#ifdef HAVE_TBB
void Tbb_Nested(benchmark::State& state) {
  tbb::task_arena arena(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::atomic<long> sum{0};
    arena.execute([&] {
      tbb::task_group g;
      for (int i = 0; i < kOuter; ++i)
        g.run([&g, &sum] {
          for (int j = 0; j < kInner; ++j)
            g.run([&sum, j] { sum.fetch_add(j, std::memory_order_relaxed); });
        });
      g.wait();
    });
    benchmark::DoNotOptimize(sum.load());
  }
  setJobs(state, kNestedJobs);
}
#endif

// ---- Speed-up over a sequential loop: jobs of about 1 us and 100 us ---------------------

void Seq_Work(benchmark::State& state) {
  const int jobs = static_cast<int>(state.range(0));
  const std::uint64_t k = itersFor(static_cast<double>(state.range(1)));
  for (auto _ : state) {
    std::vector<std::uint64_t> out;
    for (int i = 0; i < jobs; ++i) out.push_back(spin(k, static_cast<std::uint64_t>(i)));
    benchmark::DoNotOptimize(out.data());
  }
  setJobs(state, jobs);
}

void Ours_Work(benchmark::State& state, Comp comp) {
  const int jobs = static_cast<int>(state.range(0));
  const std::uint64_t k = itersFor(static_cast<double>(state.range(1)));
  for (auto _ : state) {
    auto out = withScheduler(comp, [&](Scheduler<std::uint64_t>& s) {
      for (int i = 0; i < jobs; ++i)
        scheduleWork(s, [k, i] { return spin(k, static_cast<std::uint64_t>(i)); });
    });
    benchmark::DoNotOptimize(out.data());
  }
  setJobs(state, jobs);
}

#ifdef HAVE_TBB
void Tbb_Work(benchmark::State& state) {
  const int jobs = static_cast<int>(state.range(0));
  const std::uint64_t k = itersFor(static_cast<double>(state.range(1)));
  tbb::task_arena arena(2);
  for (auto _ : state) {
    std::vector<std::uint64_t> out(static_cast<std::size_t>(jobs));
    arena.execute([&] {
      tbb::task_group g;
      for (int i = 0; i < jobs; ++i)
        g.run([&out, k, i] { out[static_cast<std::size_t>(i)] = spin(k, static_cast<std::uint64_t>(i)); });
      g.wait();
    });
    benchmark::DoNotOptimize(out.data());
  }
  setJobs(state, jobs);
}
#endif

// ---- One whole call ---------------------------------------------------------------------

void Threads_StartJoin(benchmark::State& state) {
  const auto n = getCompWorkers(Par);
  for (auto _ : state) {
    std::vector<std::thread> ts;
    for (std::int64_t i = 0; i < n; ++i)
      ts.emplace_back([c = Thread::processorFor(i + 1)] {
        cpu_set_t set;
        CPU_ZERO(&set);
        CPU_SET(c, &set);
        pthread_setaffinity_np(pthread_self(), sizeof set, &set);
      });
    for (auto& t : ts) t.join();
  }
  setJobs(state, 1);
}

void Ours_OneJob(benchmark::State& state, Comp comp) {
  for (auto _ : state) {
    auto out = withScheduler(comp, [](Scheduler<int>& s) { scheduleWork(s, [] { return 1; }); });
    benchmark::DoNotOptimize(out.data());
  }
  setJobs(state, 1);
}

void Plain_OneJob(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<int> out;
    out.push_back(1);
    benchmark::DoNotOptimize(out.data());
  }
  setJobs(state, 1);
}

// ---- Registration -----------------------------------------------------------------------

void registerAll() {
  auto ms = [](benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
  };
  auto us = [](benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime()->UseRealTime();
  };
  ms(benchmark::RegisterBenchmark("overhead/plain_loop", Plain_Loop));
  ms(benchmark::RegisterBenchmark("overhead/ours_Seq", Ours_Trivial, Seq));
  ms(benchmark::RegisterBenchmark("overhead/ours_ParN1", Ours_Trivial, ParN(1)));
  ms(benchmark::RegisterBenchmark("overhead/ours_ParN2", Ours_Trivial, ParN(2)));
#ifdef HAVE_TBB
  ms(benchmark::RegisterBenchmark("overhead/tbb_1", Tbb_Trivial)->Arg(1));
  ms(benchmark::RegisterBenchmark("overhead/tbb_2", Tbb_Trivial)->Arg(2));
#endif
#ifdef HAVE_OPENMP
  ms(benchmark::RegisterBenchmark("overhead/omp_1", Omp_Trivial)->Arg(1));
  ms(benchmark::RegisterBenchmark("overhead/omp_2", Omp_Trivial)->Arg(2));
#endif
  ms(benchmark::RegisterBenchmark("nested/ours_ParN2", Ours_Nested, ParN(2)));
  ms(benchmark::RegisterBenchmark("nested/ours_ParN1", Ours_Nested, ParN(1)));
#ifdef HAVE_TBB
  ms(benchmark::RegisterBenchmark("nested/tbb_2", Tbb_Nested)->Arg(2));
  ms(benchmark::RegisterBenchmark("nested/tbb_1", Tbb_Nested)->Arg(1));
#endif
  for (auto [jobs, ns, tag] : {std::tuple{kMicroJobs, 1000, "1us"}, std::tuple{kMilliJobs, 100000, "100us"}}) {
    const std::string t = tag;
    ms(benchmark::RegisterBenchmark(("speedup_" + t + "/seq_loop").c_str(), Seq_Work)->Args({jobs, ns}));
    ms(benchmark::RegisterBenchmark(("speedup_" + t + "/ours_ParN2").c_str(), Ours_Work, ParN(2))->Args({jobs, ns}));
#ifdef HAVE_TBB
    ms(benchmark::RegisterBenchmark(("speedup_" + t + "/tbb_2").c_str(), Tbb_Work)->Args({jobs, ns}));
#endif
  }
  us(benchmark::RegisterBenchmark("call/threads_start_join", Threads_StartJoin));
  us(benchmark::RegisterBenchmark("call/ours_Par_one_job", Ours_OneJob, Par));
  us(benchmark::RegisterBenchmark("call/ours_Seq_one_job", Ours_OneJob, Seq));
  us(benchmark::RegisterBenchmark("call/plain_one_job", Plain_OneJob));
}

}  // namespace

int main(int argc, char** argv) {
  return bench::run(argc, argv, registerAll,
                    {{"ParN 2 / oneTBB 2 threads (10^6 trivial jobs)", "overhead/ours_ParN2", "overhead/tbb_2"},
                     {"ParN 1 / oneTBB 1 thread", "overhead/ours_ParN1", "overhead/tbb_1"},
                     {"ParN 2 / OpenMP 2 threads", "overhead/ours_ParN2", "overhead/omp_2"},
                     {"ParN 1 / OpenMP 1 thread", "overhead/ours_ParN1", "overhead/omp_1"},
                     {"nested ParN 2 / oneTBB 2", "nested/ours_ParN2", "nested/tbb_2"},
                     {"nested ParN 1 / oneTBB 1", "nested/ours_ParN1", "nested/tbb_1"},
                     {"speed-up ParN 2 over loop, 10^5 jobs of 1 us", "speedup_1us/seq_loop", "speedup_1us/ours_ParN2"},
                     {"speed-up oneTBB 2 over loop, 10^5 jobs of 1 us", "speedup_1us/seq_loop", "speedup_1us/tbb_2"},
                     {"speed-up ParN 2 over loop, 10^3 jobs of 100 us", "speedup_100us/seq_loop", "speedup_100us/ours_ParN2"},
                     {"speed-up oneTBB 2 over loop, 10^3 jobs of 100 us", "speedup_100us/seq_loop", "speedup_100us/tbb_2"},
                     {"withScheduler Par, 1 job / start+join its threads", "call/ours_Par_one_job", "call/threads_start_join"},
                     {"withScheduler Seq, 10^6 jobs / plain loop", "overhead/ours_Seq", "overhead/plain_loop"},
                     {"withScheduler Seq, 1 job / plain call", "call/ours_Seq_one_job", "call/plain_one_job"}});
}
