// Benchmarks of veltro's numerical spine against its peers, measured side by side in one run:
// logGamma on the rows of data/logGamma.csv (glibc lgamma, Boost.Math in pure double, R's lgammafn,
// GSL), pairwiseSum and sumVector(kbn, .) of 10^6 doubles against a plain left-to-right loop.
// Prints Google Benchmark's table, then the median ns per call and the ratios.
//   veltro_bench_spine                       (10 interleaved repetitions by default)
#include <benchmark/benchmark.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <random>
#include <span>
#include <string>
#include <vector>

#include <Numeric/SpecFunctions.hpp>
#include <Numeric/Sum.hpp>

#include "Rows.hpp"

#ifdef HAVE_BOOST_MATH
#include <boost/math/special_functions/gamma.hpp>
#endif
#ifdef HAVE_RMATH
#include <Rmath.h>
#endif
#ifdef HAVE_GSL
#include <gsl/gsl_errno.h>
#include <gsl/gsl_sf_gamma.h>
#endif

namespace {

using Fn = double (*)(double);

double oursLogGamma(double x) { return Numeric::SpecFunctions::logGamma(x); }
double glibcLgamma(double x) { return std::lgamma(x); }
#ifdef HAVE_BOOST_MATH
// Pure double: no promotion to long double; errors answered with IEEE values, never thrown.
using PureDouble = boost::math::policies::policy<
    boost::math::policies::promote_double<false>,
    boost::math::policies::pole_error<boost::math::policies::ignore_error>,
    boost::math::policies::overflow_error<boost::math::policies::ignore_error>,
    boost::math::policies::domain_error<boost::math::policies::ignore_error>,
    boost::math::policies::evaluation_error<boost::math::policies::ignore_error>>;
double boostLgamma(double x) { return boost::math::lgamma(x, PureDouble()); }
#endif
#ifdef HAVE_RMATH
double rLgamma(double x) { return lgammafn(x); }
#endif
#ifdef HAVE_GSL
double gslLgamma(double x) { return gsl_sf_lngamma(x); }
#endif

const std::vector<double>& logGammaRows()
{
    static const std::vector<double> xs =
        veltro::bench::readRows(veltro::bench::dataFile("logGamma.csv")).column("x");
    return xs;
}

// Every function is called through a pointer the compiler cannot see through.
void BM_logGamma(benchmark::State& state, Fn f)
{
    const std::vector<double>& xs = logGammaRows();
    Fn volatile pointer = f;
    for (auto _ : state) {
        const Fn g = pointer;
        for (const double x : xs) benchmark::DoNotOptimize(g(x));
    }
    state.counters["calls"] = static_cast<double>(xs.size());
}

// 10^6 doubles over many magnitudes and both signs.
const std::vector<double>& millionDoubles()
{
    static const std::vector<double> v = [] {
        std::mt19937_64 gen(2024);
        std::uniform_real_distribution<double> mant(-1.0, 1.0);
        std::uniform_int_distribution<int> expo(-20, 20);
        std::vector<double> out(1000000);
        for (double& x : out) x = std::ldexp(mant(gen), expo(gen));
        return out;
    }();
    return v;
}

[[gnu::noinline]] double plainLoop(std::span<const double> v)
{
    double s = 0.0;
    for (const double x : v) s += x;
    return s;
}

// The pairwise definition, written out plainly (for the bit-identity check).
double pairwiseDefinition(std::span<const double> v)
{
    if (v.size() <= 256) return plainLoop(v);
    const std::size_t h = v.size() / 2;
    const double left = pairwiseDefinition(v.first(h));
    const double right = pairwiseDefinition(v.subspan(h));
    return left + right;
}

void BM_plainLoop(benchmark::State& state)
{
    const auto& v = millionDoubles();
    for (auto _ : state) benchmark::DoNotOptimize(plainLoop(v));
    state.counters["calls"] = static_cast<double>(v.size());
}

void BM_pairwiseSum(benchmark::State& state)
{
    const auto& v = millionDoubles();
    for (auto _ : state) benchmark::DoNotOptimize(Numeric::Sum::pairwiseSum(v));
    state.counters["calls"] = static_cast<double>(v.size());
}

void BM_sumVectorKbn(benchmark::State& state)
{
    const auto& v = millionDoubles();
    for (auto _ : state) benchmark::DoNotOptimize(Numeric::Sum::sumVector(Numeric::Sum::kbn, v));
    state.counters["calls"] = static_cast<double>(v.size());
}

// Keeps the median of each benchmark's repetitions, in CPU ns per call (per row or per element);
// CPU time, because on a shared machine the wall clock also counts time spent descheduled.
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
                nsPerCall[r.run_name.function_name + (r.run_name.args.empty() ? "" : "/" + r.run_name.args)] = ns / n;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv)
{
    // Defaults (each unless given): 10 repetitions in random interleaved order, medians reported.
    std::vector<char*> args(argv, argv + argc);
    std::vector<std::string> defaults{"--benchmark_repetitions=10", "--benchmark_enable_random_interleaving=true",
                                      "--benchmark_report_aggregates_only=true"};
    for (std::string& d : defaults) {
        const std::string flag = d.substr(0, d.find('='));
        bool given = false;
        for (int i = 1; i < argc; ++i) given = given || std::string(argv[i]).starts_with(flag);
        if (!given) args.push_back(d.data());
    }
    int n = static_cast<int>(args.size());
    benchmark::Initialize(&n, args.data());

    std::string missing;
#ifndef HAVE_BOOST_MATH
    missing += " Boost.Math (libboost-math1.74-dev)";
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

    benchmark::RegisterBenchmark("logGamma/veltro", BM_logGamma, &oursLogGamma);
    benchmark::RegisterBenchmark("logGamma/glibc", BM_logGamma, &glibcLgamma);
#ifdef HAVE_BOOST_MATH
    benchmark::RegisterBenchmark("logGamma/boost_double", BM_logGamma, &boostLgamma);
#endif
#ifdef HAVE_RMATH
    benchmark::RegisterBenchmark("logGamma/R", BM_logGamma, &rLgamma);
#endif
#ifdef HAVE_GSL
    benchmark::RegisterBenchmark("logGamma/gsl", BM_logGamma, &gslLgamma);
#endif
    benchmark::RegisterBenchmark("sum/plainLoop", BM_plainLoop);
    benchmark::RegisterBenchmark("sum/pairwiseSum", BM_pairwiseSum);
    benchmark::RegisterBenchmark("sum/sumVectorKbn", BM_sumVectorKbn);

    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto& m = reporter.nsPerCall;
    const auto get = [&](const char* name) {
        const auto it = m.find(name);
        return it == m.end() ? -1.0 : it->second;
    };
    std::printf("\nmedian CPU ns per call (logGamma: per row of logGamma.csv; sums: per element)\n");
    for (const auto& [name, ns] : m) std::printf("  %-22s %8.3f\n", name.c_str(), ns);
    const double ours = get("logGamma/veltro");
    const auto ratio = [&](const char* peer) {
        const double p = get(peer);
        if (ours > 0 && p > 0) std::printf("  veltro / %-14s %6.2f  (below 1: veltro faster)\n", peer + 9, ours / p);
    };
    std::printf("logGamma time ratios\n");
    ratio("logGamma/glibc");
    ratio("logGamma/boost_double");
    ratio("logGamma/R");
    ratio("logGamma/gsl");
    const double plain = get("sum/plainLoop");
    const double pw = get("sum/pairwiseSum");
    const double kbnT = get("sum/sumVectorKbn");
    if (plain > 0 && pw > 0) std::printf("pairwiseSum speed-up over the plain loop: %.2fx (goal >= 4)\n", plain / pw);
    if (plain > 0 && kbnT > 0) {
        std::printf("sumVector kbn throughput relative to the plain loop: %.2fx (goal >= 0.9)\n", plain / kbnT);
    }
    const auto& v = millionDoubles();
    const bool same = std::bit_cast<std::uint64_t>(Numeric::Sum::pairwiseSum(v)) ==
                      std::bit_cast<std::uint64_t>(pairwiseDefinition(v));
    std::printf("pairwiseSum bit-identical to the definition on these 10^6 doubles: %s\n", same ? "yes" : "NO");
    return same ? 0 : 1;
}
