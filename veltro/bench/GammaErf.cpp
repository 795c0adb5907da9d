// Benchmarks of veltro's incompleteGamma, invIncompleteGamma, digamma, log1pmx, invErf and invErfc
// against their peers (Boost.Math in pure double, R's standalone math library, GSL) on the rows
// of data/*.csv, side by side in one run with randomly interleaved repetitions. Prints Google
// Benchmark's table, then the median CPU ns per call and veltro's time relative to each peer.
//   veltro_bench_GammaErf                   (10 interleaved repetitions by default)
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "GammaErfPeers.hpp"
#include "Rows.hpp"

namespace {

using namespace veltro::bench;

struct Args {
    std::vector<double> a, b;  // b empty for one-argument functions
};

const Args& rowsOf(const std::string& file)
{
    static std::map<std::string, Args> cache;
    auto it = cache.find(file);
    if (it == cache.end()) {
        const Rows r = readRows(dataFile(file));
        Args args{r.data[0], {}};
        if (file == "incompleteGamma.csv" || file == "invIncompleteGamma.csv") args.b = r.data[1];
        it = cache.emplace(file, std::move(args)).first;
    }
    return it->second;
}

// Every function is called through a pointer the compiler cannot see through.
void BM_one(benchmark::State& state, std::string file, double (*f)(double))
{
    const Args& rows = rowsOf(file);
    double (*volatile pointer)(double) = f;
    for (auto _ : state) {
        const auto g = pointer;
        for (const double x : rows.a) benchmark::DoNotOptimize(g(x));
    }
    state.counters["calls"] = static_cast<double>(rows.a.size());
}

void BM_two(benchmark::State& state, std::string file, double (*f)(double, double))
{
    const Args& rows = rowsOf(file);
    double (*volatile pointer)(double, double) = f;
    for (auto _ : state) {
        const auto g = pointer;
        for (std::size_t i = 0; i < rows.a.size(); ++i) benchmark::DoNotOptimize(g(rows.a[i], rows.b[i]));
    }
    state.counters["calls"] = static_cast<double>(rows.a.size());
}

// Keeps the median of each benchmark's repetitions, in CPU ns per call (per row); CPU time,
// because on a shared machine the wall clock also counts time spent descheduled.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> nsPerCall;

    void ReportRuns(const std::vector<Run>& runs) override
    {
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

struct Group {
    std::string function, file;
    std::vector<std::string> names;  // ours first
};

} // namespace

int main(int argc, char** argv)
{
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
    std::printf("peers missing, not measured: %s\n", missingPeers().c_str());
    setUpPeers();

    std::vector<Group> groups;
    const auto two = [&](const char* function, const char* file, const std::vector<Impl2>& impls) {
        Group g{function, file, {}};
        for (const Impl2& i : impls) {
            const std::string name = std::string(function) + "/" + i.name;
            benchmark::RegisterBenchmark(name.c_str(), BM_two, std::string(file), i.fn);
            g.names.push_back(name);
        }
        groups.push_back(g);
    };
    const auto one = [&](const char* function, const char* file, const std::vector<Impl1>& impls) {
        Group g{function, file, {}};
        for (const Impl1& i : impls) {
            const std::string name = std::string(function) + "/" + i.name;
            benchmark::RegisterBenchmark(name.c_str(), BM_one, std::string(file), i.fn);
            g.names.push_back(name);
        }
        groups.push_back(g);
    };
    two("incompleteGamma", "incompleteGamma.csv", incompleteGammaImpls());
    two("invIncompleteGamma", "invIncompleteGamma.csv", invIncompleteGammaImpls());
    one("digamma", "digamma.csv", digammaImpls());
    one("log1pmx", "log1pmx.csv", log1pmxImpls());
    one("invErf", "invErf.csv", invErfImpls());
    one("invErfc", "invErfc.csv", invErfcImpls());

    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\nmedian CPU ns per call (per row of the function's data file); ratio = veltro / peer\n");
    for (const Group& g : groups) {
        const auto ours = reporter.nsPerCall.find(g.names.front());
        if (ours == reporter.nsPerCall.end()) continue;
        std::printf("%s (%s)\n", g.function.c_str(), g.file.c_str());
        for (const std::string& name : g.names) {
            const auto it = reporter.nsPerCall.find(name);
            if (it == reporter.nsPerCall.end()) continue;
            std::printf("  %-40s %9.1f ns", name.substr(g.function.size() + 1).c_str(), it->second);
            if (name != g.names.front()) std::printf("   ratio %5.2f", ours->second / it->second);
            std::printf("\n");
        }
    }
    return 0;
}
