// SPDX-License-Identifier: MIT
// Harness.hpp: the timing harness of veltro's benchmarks. Every implementation of a function runs
// over all rows of the function's data file, called through a pointer the compiler cannot see
// through; Google Benchmark repeats each one (10 times by default) in random interleaved order, and
// the harness keeps the median CPU time per call (CPU time, because on a shared machine the wall
// clock also counts time spent descheduled) and prints each peer's time beside veltro's.
//   veltro::bench::Timings t(argc, argv);          // defaults, missing peers, GSL handler
//   t.addFunctions({"logBeta", "incompleteBeta"});  // veltro and every installed peer
//   t.run();                                        // table, then medians and ratios
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "Peers.hpp"

namespace veltro::bench {

/// Keeps the median of each benchmark's repetitions, in CPU ns per call: per row, or per element
/// where the benchmark sets the counter "calls".
class MedianReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> nsPerCall;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Aggregate || r.aggregate_name != "median") continue;
            const auto calls = r.counters.find("calls");
            const double n = calls == r.counters.end() ? 1.0 : calls->second.value;
            nsPerCall[r.run_name.function_name] =
                r.GetAdjustedCPUTime() * benchmark::GetTimeUnitMultiplier(benchmark::kNanosecond) /
                benchmark::GetTimeUnitMultiplier(r.time_unit) / n;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

inline void timeRows(benchmark::State& state, const FunctionRows* rows, ArgsFn f)
{
    ArgsFn volatile pointer = f;
    for (auto _ : state) {
        const ArgsFn g = pointer;
        for (const auto& a : rows->args) benchmark::DoNotOptimize(g(a.data()));
    }
    state.counters["calls"] = static_cast<double>(rows->args.size());
}

class Timings {
public:
    /// Adds the defaults unless given (10 repetitions, random interleaving, aggregates only), says
    /// which peers are missing.
    Timings(int argc, char** argv)
    {
        std::vector<char*> args(argv, argv + argc);
        for (std::string& d : defaults_) {
            const std::string flag = d.substr(0, d.find('='));
            bool given = false;
            for (int i = 1; i < argc; ++i) given = given || std::string(argv[i]).starts_with(flag);
            if (!given) args.push_back(d.data());
        }
        int n = static_cast<int>(args.size());
        benchmark::Initialize(&n, args.data());
        setUpPeers();
    }

    /// Registers veltro and every installed peer of each function on the function's rows.
    void addFunctions(const std::vector<std::string>& names)
    {
        for (const std::string& name : names) {
            for (const FunctionFile& fn : functions()) {
                if (name != fn.function) continue;
                rows_.push_back(readFunctionRows(fn));
                Group g{name, fn.file, {}};
                for (const Impl& impl : implementations(name)) {
                    g.names.push_back(name + "/" + impl.name);
                    benchmark::RegisterBenchmark(g.names.back().c_str(), timeRows, &rows_.back(), impl.f);
                }
                groups_.push_back(g);
            }
        }
    }

    /// Runs everything registered; prints the medians of each function's group and the ratios.
    /// Returns the medians by benchmark name.
    std::map<std::string, double> run()
    {
        MedianReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        benchmark::Shutdown();
        std::printf("\nmedian CPU ns per call (per row of the function's data file); ratio = veltro / peer "
                    "(below 1: veltro faster)\n");
        for (const Group& g : groups_) {
            const auto ours = reporter.nsPerCall.find(g.names.front());
            if (ours == reporter.nsPerCall.end()) continue;
            std::printf("%s (%s, %zu rows)\n", g.function.c_str(), g.file.c_str(), rowsOf(g.function));
            for (const std::string& name : g.names) {
                const auto it = reporter.nsPerCall.find(name);
                if (it == reporter.nsPerCall.end()) continue;
                std::printf("  %-36s %9.2f ns", name.substr(g.function.size() + 1).c_str(), it->second);
                if (name != g.names.front()) std::printf("   ratio %5.2f", ours->second / it->second);
                std::printf("\n");
            }
        }
        return reporter.nsPerCall;
    }

private:
    struct Group {
        std::string function, file;
        std::vector<std::string> names; // veltro first
    };
    std::size_t rowsOf(const std::string& function) const
    {
        for (const FunctionRows& r : rows_)
            if (r.function == function) return r.args.size();
        return 0;
    }
    std::vector<std::string> defaults_{"--benchmark_repetitions=10", "--benchmark_enable_random_interleaving=true",
                                       "--benchmark_report_aggregates_only=true"};
    std::deque<FunctionRows> rows_; // stable addresses for the registered benchmarks
    std::vector<Group> groups_;
};

} // namespace veltro::bench
