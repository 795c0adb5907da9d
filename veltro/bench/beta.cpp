// Benchmarks of veltro's beta family and factorials against their peers, side by side in one run,
// on the rows of data/*.csv: logBeta, incompleteBeta, invIncompleteBeta, logFactorial, choose,
// logChoose, bd0 (R's math library, Boost.Math in pure double, GSL, glibc where they have the
// function). Prints Google Benchmark's table, then the median ns per call and the ratio to veltro.
//   veltro_bench_beta                       (10 interleaved repetitions by default)
//   veltro_bench_beta --benchmark_filter=incompleteBeta
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "BetaPeers.hpp"

namespace {

using veltro::bench::ArgsFn;
using veltro::bench::FunctionRows;

// Every function is called through a pointer the compiler cannot see through.
void BM_rows(benchmark::State& state, const FunctionRows* rows, ArgsFn f) {
  ArgsFn volatile pointer = f;
  for (auto _ : state) {
    const ArgsFn g = pointer;
    for (const auto& a : rows->args) benchmark::DoNotOptimize(g(a.data()));
  }
  state.counters["calls"] = static_cast<double>(rows->args.size());
}

// Keeps the median of each benchmark's repetitions, in CPU ns per call (CPU time: the machine is
// shared, and wall time then counts other processes' turns).
class MedianReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> nsPerCall;

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median") {
        const auto calls = r.counters.find("calls");
        const double n = calls == r.counters.end() ? 1.0 : calls->second.value;
        double ns = r.GetAdjustedCPUTime();
        if (r.time_unit == benchmark::kMicrosecond) ns *= 1e3;
        if (r.time_unit == benchmark::kMillisecond) ns *= 1e6;
        if (r.time_unit == benchmark::kSecond) ns *= 1e9;
        nsPerCall[r.run_name.function_name] = ns / n;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> args(argv, argv + argc);
  std::string reps = "--benchmark_repetitions=10";
  std::string interleave = "--benchmark_enable_random_interleaving=true";
  std::string only = "--benchmark_report_aggregates_only=true";
  bool hasReps = false;
  for (int i = 1; i < argc; ++i) hasReps = hasReps || std::string(argv[i]).starts_with("--benchmark_repetitions");
  if (!hasReps) {
    args.push_back(reps.data());
    args.push_back(interleave.data());
    args.push_back(only.data());
  }
  int n = static_cast<int>(args.size());
  benchmark::Initialize(&n, args.data());

  std::string missing;
#ifndef HAVE_BOOST_MATH
  missing += " Boost.Math (libboost-math-dev)";
#endif
#ifndef HAVE_RMATH
  missing += " R-mathlib (r-mathlib)";
#endif
#ifndef HAVE_GSL
  missing += " GSL (libgsl-dev)";
#endif
  if (!missing.empty()) std::printf("peers missing, not measured:%s\n", missing.c_str());
#ifdef HAVE_GSL
  gsl_set_error_handler_off();
#endif

  std::vector<std::string> order;
  std::vector<FunctionRows> all;
  all.reserve(veltro::bench::betaFunctions().size());
  for (const auto& fn : veltro::bench::betaFunctions()) {
    if (std::string(fn.function) == "factorial" || std::string(fn.function) == "logGammaAS245") continue;
    all.push_back(veltro::bench::readFunctionRows(fn));
    for (const auto& impl : veltro::bench::betaImplementations(fn.function)) {
      const std::string name = std::string(fn.function) + "/" + impl.name;
      order.push_back(name);
      benchmark::RegisterBenchmark(name.c_str(), BM_rows, &all.back(), impl.f);
    }
  }

  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  std::printf("\nmedian CPU ns/call on the rows of bench/data (ratio = peer / veltro)\n");
  double ours = 0.0;
  for (const std::string& name : order) {
    const auto it = reporter.nsPerCall.find(name);
    if (it == reporter.nsPerCall.end()) continue;
    if (name.ends_with("/veltro")) ours = it->second;
    std::printf("  %-45s %10.1f ns  %6.2fx\n", name.c_str(), it->second, ours > 0 ? it->second / ours : 0.0);
  }
  return 0;
}
