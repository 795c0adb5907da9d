// SPDX-License-Identifier: MIT
// imap, the folds and itraverse beside the hand-written loops that do the same work, in one binary:
// a vector of 10^7 64-bit integers (imap, ifoldl, ifoldr), 10^6 elements that all succeed under
// std::optional (itraverse), and an unordered_map of 10^6 entries (every fold against a range-for).
// The summary at the end prints the CPU-time medians and the ratio of each pair.
//   taskset -c 1 build/release/wayfare/wayfare_bench_Indexed --benchmark_repetitions=5 \
//       --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true
#include <indexed.hpp>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

namespace ix = indexed;

const std::vector<std::int64_t>& numbers(std::size_t n) {
  static std::map<std::size_t, std::vector<std::int64_t>> cache;
  auto& v = cache[n];
  if (v.empty()) {
    std::mt19937_64 rng(n);
    v.resize(n);
    for (auto& x : v) x = static_cast<std::int64_t>(rng() % 1000);
  }
  return v;
}

const std::unordered_map<std::int64_t, std::int64_t>& table() {
  static const auto m = [] {
    std::mt19937_64 rng(42);
    std::unordered_map<std::int64_t, std::int64_t> out;
    out.reserve(1'000'000);
    while (out.size() < 1'000'000) out.emplace(static_cast<std::int64_t>(rng() >> 1), static_cast<std::int64_t>(rng() % 1000));
    return out;
  }();
  return m;
}

constexpr std::size_t bigN = 10'000'000;
constexpr std::size_t traverseN = 1'000'000;

// The work every case does per element.
inline std::int64_t step(std::int64_t i, std::int64_t x) { return x * 3 + i; }
inline std::optional<std::int64_t> check(std::int64_t i, std::int64_t x) {
  if (x < 0) return std::nullopt;
  return x + i;
}

// ---- vector of 10^7 ---------------------------------------------------------------------------

void imapOurs(benchmark::State& state) {
  const auto& v = numbers(bigN);
  for (auto _ : state) {
    auto out = ix::imap([](std::int64_t i, std::int64_t x) { return step(i, x); }, v);
    benchmark::DoNotOptimize(out.data());
  }
}
void imapLoop(benchmark::State& state) {
  const auto& v = numbers(bigN);
  for (auto _ : state) {
    std::vector<std::int64_t> out(v.size());
    for (std::size_t i = 0; i < v.size(); ++i) out[i] = step(static_cast<std::int64_t>(i), v[i]);
    benchmark::DoNotOptimize(out.data());
  }
}

void ifoldlOurs(benchmark::State& state) {
  const auto& v = numbers(bigN);
  for (auto _ : state) {
    auto r = ix::ifoldl([](std::int64_t i, std::int64_t acc, std::int64_t x) { return acc + i * x; }, std::int64_t{0}, v);
    benchmark::DoNotOptimize(r);
  }
}
void ifoldlLoop(benchmark::State& state) {
  const auto& v = numbers(bigN);
  for (auto _ : state) {
    std::int64_t acc = 0;
    for (std::size_t i = 0; i < v.size(); ++i) acc = acc + static_cast<std::int64_t>(i) * v[i];
    benchmark::DoNotOptimize(acc);
  }
}

void ifoldrOurs(benchmark::State& state) {
  const auto& v = numbers(bigN);
  for (auto _ : state) {
    auto r = ix::ifoldr([](std::int64_t i, std::int64_t x, std::int64_t acc) { return i * x + acc; }, std::int64_t{0}, v);
    benchmark::DoNotOptimize(r);
  }
}
void ifoldrLoop(benchmark::State& state) {
  const auto& v = numbers(bigN);
  for (auto _ : state) {
    std::int64_t acc = 0;
    for (std::size_t i = v.size(); i-- > 0;) acc = static_cast<std::int64_t>(i) * v[i] + acc;
    benchmark::DoNotOptimize(acc);
  }
}

// ---- itraverse with std::optional, 10^6 ------------------------------------------------------

void itraverseOurs(benchmark::State& state) {
  const auto& v = numbers(traverseN);
  for (auto _ : state) {
    auto out = ix::itraverse(check, v);
    benchmark::DoNotOptimize(out->data());
  }
}
std::optional<std::vector<std::int64_t>> traverseByHand(const std::vector<std::int64_t>& v) {
  std::vector<std::int64_t> out;
  out.reserve(v.size());
  for (std::size_t i = 0; i < v.size(); ++i) {
    const auto r = check(static_cast<std::int64_t>(i), v[i]);
    if (!r) return std::nullopt;
    out.push_back(*r);
  }
  return out;
}
void itraverseLoop(benchmark::State& state) {
  const auto& v = numbers(traverseN);
  for (auto _ : state) {
    auto out = traverseByHand(v);
    benchmark::DoNotOptimize(out->data());
  }
}

// ---- unordered_map of 10^6 -------------------------------------------------------------------

void mapRangeFor(benchmark::State& state) {
  const auto& m = table();
  for (auto _ : state) {
    std::int64_t acc = 0;
    for (const auto& [k, v] : m) acc += k ^ v;
    benchmark::DoNotOptimize(acc);
  }
}
void mapIfoldl(benchmark::State& state) {
  const auto& m = table();
  for (auto _ : state) {
    auto r = ix::ifoldl([](std::int64_t k, std::int64_t acc, std::int64_t v) { return acc + (k ^ v); }, std::int64_t{0}, m);
    benchmark::DoNotOptimize(r);
  }
}
void mapIfoldlStrict(benchmark::State& state) {
  const auto& m = table();
  for (auto _ : state) {
    auto r = ix::ifoldlStrict([](std::int64_t k, std::int64_t acc, std::int64_t v) { return acc + (k ^ v); }, std::int64_t{0}, m);
    benchmark::DoNotOptimize(r);
  }
}
void mapIfoldMap(benchmark::State& state) {
  const auto& m = table();
  for (auto _ : state) {
    auto r = ix::ifoldMap([](std::int64_t k, std::int64_t v) { return ix::Sum{k ^ v}; }, m);
    benchmark::DoNotOptimize(r);
  }
}
void mapIfoldMapStrict(benchmark::State& state) {
  const auto& m = table();
  for (auto _ : state) {
    auto r = ix::ifoldMapStrict([](std::int64_t k, std::int64_t v) { return ix::Sum{k ^ v}; }, m);
    benchmark::DoNotOptimize(r);
  }
}
void mapIfoldr(benchmark::State& state) {
  const auto& m = table();
  for (auto _ : state) {
    auto r = ix::ifoldr([](std::int64_t k, std::int64_t v, std::int64_t acc) { return (k ^ v) + acc; }, std::int64_t{0}, m);
    benchmark::DoNotOptimize(r);
  }
}
void mapIfoldrStrict(benchmark::State& state) {
  const auto& m = table();
  for (auto _ : state) {
    auto r = ix::ifoldrStrict([](std::int64_t k, std::int64_t v, std::int64_t acc) { return (k ^ v) + acc; }, std::int64_t{0}, m);
    benchmark::DoNotOptimize(r);
  }
}
// A floating-point sum is not regrouped: ifoldMap walks the map from the last entry.
void mapIfoldMapDouble(benchmark::State& state) {
  const auto& m = table();
  for (auto _ : state) {
    auto r = ix::ifoldMap([](std::int64_t, std::int64_t v) { return ix::Sum{static_cast<double>(v)}; }, m);
    benchmark::DoNotOptimize(r);
  }
}
void mapRangeForDouble(benchmark::State& state) {
  const auto& m = table();
  for (auto _ : state) {
    double acc = 0;
    for (const auto& [k, v] : m) acc += static_cast<double>(v);
    benchmark::DoNotOptimize(acc);
  }
}

// Keeps the CPU-time median of every case and prints the ratio of each case to its loop.
class Summary : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& r : runs) {
      const bool wanted = r.run_type == Run::RT_Aggregate ? r.aggregate_name == "median" : !aggregated;
      if (wanted) ms_[r.run_name.function_name] = r.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(r.time_unit) * 1e3;
    }
  }
  void print() const {
    std::printf("\n== CPU-time medians (ms per pass) and ratios to the hand-written loop ==\n");
    const std::pair<const char*, const char*> pairs[] = {
        {"vector/imap", "vector/imap_loop"},
        {"vector/ifoldl", "vector/ifoldl_loop"},
        {"vector/ifoldr", "vector/ifoldr_reverse_loop"},
        {"optional/itraverse", "optional/itraverse_loop"},
        {"map/ifoldl", "map/range_for"},
        {"map/ifoldlStrict", "map/range_for"},
        {"map/ifoldMap", "map/range_for"},
        {"map/ifoldMapStrict", "map/range_for"},
        {"map/ifoldr", "map/range_for"},
        {"map/ifoldrStrict", "map/range_for"},
        {"map/ifoldMap_double", "map/range_for_double"},
    };
    for (const auto& [ours, loop] : pairs) {
      const auto a = ms_.find(ours), b = ms_.find(loop);
      if (a == ms_.end() || b == ms_.end()) continue;
      std::printf("%-22s %9.3f   %-28s %9.3f   ratio %.3f\n", ours, a->second, loop, b->second, a->second / b->second);
    }
  }
  bool aggregated = false;

 private:
  std::map<std::string, double> ms_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  numbers(bigN);
  numbers(traverseN);
  table();
  const auto add = [](const char* name, void (*fn)(benchmark::State&)) {
    benchmark::RegisterBenchmark(name, fn)->Unit(benchmark::kMillisecond);
  };
  add("vector/imap", imapOurs);
  add("vector/imap_loop", imapLoop);
  add("vector/ifoldl", ifoldlOurs);
  add("vector/ifoldl_loop", ifoldlLoop);
  add("vector/ifoldr", ifoldrOurs);
  add("vector/ifoldr_reverse_loop", ifoldrLoop);
  add("optional/itraverse", itraverseOurs);
  add("optional/itraverse_loop", itraverseLoop);
  add("map/range_for", mapRangeFor);
  add("map/ifoldl", mapIfoldl);
  add("map/ifoldlStrict", mapIfoldlStrict);
  add("map/ifoldMap", mapIfoldMap);
  add("map/ifoldMapStrict", mapIfoldMapStrict);
  add("map/ifoldr", mapIfoldr);
  add("map/ifoldrStrict", mapIfoldrStrict);
  add("map/ifoldMap_double", mapIfoldMapDouble);
  add("map/range_for_double", mapRangeForDouble);
  Summary summary;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--benchmark_repetitions=", 0) == 0 && arg != "--benchmark_repetitions=1") summary.aggregated = true;
  }
  benchmark::RunSpecifiedBenchmarks(&summary);
  summary.print();
  benchmark::Shutdown();
}
