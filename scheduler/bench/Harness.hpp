// SPDX-License-Identifier: MIT
// Harness.hpp: what the scheduler's benchmark programs share: a calibrated busy loop, the jobs
// counter, and the summary reporter that prints medians per job and the ratios of the goals.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <map>
#include <string>
#include <vector>

namespace bench {

// A dependent chain of multiply-adds: about one iteration per 4 cycles, not vectorisable.
__attribute__((noinline)) inline std::uint64_t spin(std::uint64_t k, std::uint64_t seed) {
  std::uint64_t x = seed;
  for (std::uint64_t i = 0; i < k; ++i) x = x * 6364136223846793005ull + 1442695040888963407ull;
  return x;
}

inline double threadCpuNs() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e9 + static_cast<double>(ts.tv_nsec);
}

// Iterations of spin that take about ns nanoseconds of CPU here (measured in thread CPU time,
// so that a busy machine does not shorten the jobs).
inline std::uint64_t itersFor(double ns) {
  static const double nsPerIter = [] {
    const std::uint64_t k = 50000000;
    const double t0 = threadCpuNs();
    benchmark::DoNotOptimize(spin(k, 1));
    return (threadCpuNs() - t0) / static_cast<double>(k);
  }();
  return static_cast<std::uint64_t>(ns / nsPerIter);
}

/// Figures are reported per job: one iteration of the case runs this many.
inline void setJobs(benchmark::State& state, double jobs) { state.counters["jobs"] = jobs; }

/// One line of the ratio table: the median of case a over that of case b.
struct Ratio {
  const char* what;
  const char* a;
  const char* b;
};

// Keeps the median real time per job of every case and prints the ratios of the goals.
class Summary : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& r : runs) {
      const bool median = r.run_type == Run::RT_Aggregate ? r.aggregate_name == "median" : single_;
      if (!median) continue;
      const double unit = benchmark::GetTimeUnitMultiplier(r.time_unit);
      const double perIterNs = r.GetAdjustedRealTime() / unit * 1e9;
      const double perIterCpuNs = r.GetAdjustedCPUTime() / unit * 1e9;
      auto it = r.counters.find("jobs");
      const double jobs = it == r.counters.end() ? 1.0 : static_cast<double>(it->second);
      std::string name = r.run_name.function_name;
      ns_[name] = perIterNs / jobs;
      cpu_[name] = perIterCpuNs / jobs;
    }
  }
  bool single_ = false;

  void print(const std::vector<Ratio>& ratios) const {
    std::printf("\n== medians, ns per job: wall clock, and CPU time of all threads ==\n");
    for (const auto& [k, v] : ns_) std::printf("%-40s %12.1f %12.1f\n", k.c_str(), v, cpu_.at(k));
    std::printf("\n== ratios ==\n");
    for (const auto& r : ratios) {
      auto x = ns_.find(r.a), y = ns_.find(r.b);
      if (x == ns_.end() || y == ns_.end())
        std::printf("%-62s n/a (%s or %s missing)\n", r.what, r.a, r.b);
      else
        std::printf("%-62s %8.2f\n", r.what, x->second / y->second);
    }
#ifndef HAVE_TBB
    std::printf("oneTBB not found at build time: its cases were not built\n");
#endif
#ifndef HAVE_OPENMP
    std::printf("OpenMP not found at build time: its cases were not built\n");
#endif
  }

 private:
  std::map<std::string, double> ns_, cpu_;
};

/// The main of a benchmark program: registers the cases, runs them and prints the summary.
inline int run(int argc, char** argv, void (*registerAll)(), const std::vector<Ratio>& ratios) {
  benchmark::Initialize(&argc, argv);
  registerAll();
  Summary summary;
  summary.single_ = true;
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]).rfind("--benchmark_repetitions=", 0) == 0 &&
        std::string(argv[i]) != "--benchmark_repetitions=1")
      summary.single_ = false;
  benchmark::RunSpecifiedBenchmarks(&summary);
  summary.print(ratios);
  benchmark::Shutdown();
  return 0;
}

}  // namespace bench
