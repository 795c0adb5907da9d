// SPDX-License-Identifier: MIT
// Speed of veltro's numerical spine beside its peers, side by side in one run: logGamma on the rows
// of data/logGamma.csv (glibc lgamma, Boost.Math in pure double, R's lgammafn, GSL; harness in
// Harness.hpp), pairwiseSum and sumVector(kbn, .) of 10^6 doubles against a plain left-to-right
// loop. Prints Google Benchmark's table, the medians and ratios, and checks that pairwiseSum is
// bit-identical to its recursive definition on the same data.
//   veltro_bench_spine                       (10 interleaved repetitions by default)
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <span>
#include <vector>

#include <Numeric/Sum.hpp>

#include "Harness.hpp"

namespace {

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

} // namespace

int main(int argc, char** argv)
{
    veltro::bench::Timings t(argc, argv);
    t.addFunctions({"logGamma"});
    benchmark::RegisterBenchmark("sum/plainLoop", BM_plainLoop);
    benchmark::RegisterBenchmark("sum/pairwiseSum", BM_pairwiseSum);
    benchmark::RegisterBenchmark("sum/sumVectorKbn", BM_sumVectorKbn);
    const auto m = t.run();
    const auto get = [&](const char* name) {
        const auto it = m.find(name);
        return it == m.end() ? -1.0 : it->second;
    };
    const double plain = get("sum/plainLoop"), pw = get("sum/pairwiseSum"), kbnT = get("sum/sumVectorKbn");
    std::printf("sums: median CPU ns per element: plain loop %.3f, pairwiseSum %.3f, sumVector kbn %.3f\n", plain, pw, kbnT);
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
