// SPDX-License-Identifier: MIT
// Format.cpp: parsing and printing a date "2024-12-08" through a format built from the combinators,
// beside glibc's strptime/strftime, Howard Hinnant's date::parse/date::format and hand-written
// fixed-width code, in one binary; free-width digit runs at growing lengths; heap allocations per
// operation. The summary at the end prints the medians of CPU time and their ratios to the peers
// (CPU time, because the machine the figures come from is shared and wall time counts waiting).
//   chronal_bench_Format --benchmark_repetitions=7
#include <benchmark/benchmark.h>

#include <Data/Format.hpp>

#include "../tests/Support.hpp"

#include <cstdio>
#include <ctime>
#include <map>
#include <sstream>
#include <string>

#ifdef HAVE_DATE
#include <date/date.h>
#endif

using namespace Data::Format;
using Data::Number::Integer;

using ChronalSupport::allocations;
using ChronalSupport::Date;
using ChronalSupport::dateFormat;

namespace {

constexpr std::string_view kText = "2024-12-08";
constexpr Date kDate{2024, 12, 8};

void countAllocations(benchmark::State& state, long before) {
  state.counters["allocs/op"] = benchmark::Counter(static_cast<double>(allocations.load() - before),
                                                   benchmark::Counter::kAvgIterations);
}

// F: the static format the combinators return, or Format<Date> that erases it.
template <class F>
void BM_ParseFormat(benchmark::State& state) {
  const F f = dateFormat();
  const long before = allocations.load();
  for (auto _ : state) {
    std::string_view text = kText;
    benchmark::DoNotOptimize(text);
    auto r = formatParseM(f, text);
    benchmark::DoNotOptimize(r);
  }
  countAllocations(state, before);
}
using Static = decltype(dateFormat());
using Erased = Format<Date>;
BENCHMARK_TEMPLATE(BM_ParseFormat, Static);
BENCHMARK_TEMPLATE(BM_ParseFormat, Erased);

void BM_ParseStrptime(benchmark::State& state) {
  const std::string text(kText);
  for (auto _ : state) {
    std::tm tm{};
    benchmark::DoNotOptimize(strptime(text.c_str(), "%Y-%m-%d", &tm));
    benchmark::DoNotOptimize(tm);
  }
}
BENCHMARK(BM_ParseStrptime);

int digitsAt(std::string_view s, std::size_t at, std::size_t n) {
  int v = 0;
  for (std::size_t i = at; i < at + n; ++i) {
    if (s[i] < '0' || s[i] > '9') return -1;
    v = v * 10 + (s[i] - '0');
  }
  return v;
}

void BM_ParseByHand(benchmark::State& state) {
  for (auto _ : state) {
    std::string_view s = kText;
    benchmark::DoNotOptimize(s);
    Date d{-1, -1, -1};
    if (s.size() == 10 && s[4] == '-' && s[7] == '-') d = {digitsAt(s, 0, 4), digitsAt(s, 5, 2), digitsAt(s, 8, 2)};
    benchmark::DoNotOptimize(d);
  }
}
BENCHMARK(BM_ParseByHand);

#ifdef HAVE_DATE
void BM_ParseHinnant(benchmark::State& state) {
  const std::string text(kText);
  for (auto _ : state) {
    std::istringstream in(text);
    date::year_month_day ymd{};
    in >> date::parse("%F", ymd);
    benchmark::DoNotOptimize(ymd);
  }
}
BENCHMARK(BM_ParseHinnant);
#endif

template <class F>
void BM_ShowFormat(benchmark::State& state) {
  const F f = dateFormat();
  const long before = allocations.load();
  for (auto _ : state) {
    Date d = kDate;
    benchmark::DoNotOptimize(d);
    auto s = formatShow(f, d);
    benchmark::DoNotOptimize(s);
  }
  countAllocations(state, before);
}
BENCHMARK_TEMPLATE(BM_ShowFormat, Static);
BENCHMARK_TEMPLATE(BM_ShowFormat, Erased);

void BM_ShowStrftime(benchmark::State& state) {
  std::tm tm{};
  tm.tm_year = kDate.year - 1900;
  tm.tm_mon = kDate.month - 1;
  tm.tm_mday = kDate.day;
  for (auto _ : state) {
    char buf[32];
    benchmark::DoNotOptimize(tm);
    const std::size_t n = std::strftime(buf, sizeof buf, "%Y-%m-%d", &tm);
    std::string s(buf, n);  // the same result type as formatShow
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK(BM_ShowStrftime);

#ifdef HAVE_DATE
void BM_ShowHinnant(benchmark::State& state) {
  const date::year_month_day ymd{date::year{kDate.year}, date::month{unsigned(kDate.month)}, date::day{unsigned(kDate.day)}};
  for (auto _ : state) {
    auto s = date::format("%F", date::sys_days{ymd});
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK(BM_ShowHinnant);
#endif

// Free-width digits: every length is a reading; only the whole one builds its value.
template <class T>
void BM_FreeWidthDigits(benchmark::State& state) {
  const auto f = integerFormat<T>(NoSign);
  std::string text;
  for (long i = 0; i < state.range(0); ++i) text.push_back(static_cast<char>('1' + i % 9));
  const long before = allocations.load();
  for (auto _ : state) {
    auto r = formatParseM(f, text);
    benchmark::DoNotOptimize(r);
  }
  countAllocations(state, before);
  state.SetComplexityN(state.range(0));
}
BENCHMARK_TEMPLATE(BM_FreeWidthDigits, std::int64_t)->Arg(18);
BENCHMARK_TEMPLATE(BM_FreeWidthDigits, Integer)->Arg(20)->Arg(200)->Arg(2000)->Arg(20000)->Complexity();

// Two free-width numbers in a row on n digits: n-1 split points, all read (worst case of
// repetition followed by itself; the second reading stops the search).
void BM_AmbiguousSplit(benchmark::State& state) {
  const auto f = apSeq(integerFormat<std::int64_t>(NoSign), integerFormat<std::int64_t>(NoSign));
  const std::string text = std::string(static_cast<std::size_t>(state.range(0)), '1') + "x";
  for (auto _ : state) {
    auto r = formatParseM(f, text);  // no complete reading: every split is tried
    benchmark::DoNotOptimize(r);
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_AmbiguousSplit)->Arg(16)->Arg(256)->Arg(4096)->Complexity();

// Collects the median real time of each case and prints the ratios at the end.
class Summary : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& r : runs) {
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "median") continue;
      medians[r.run_name.function_name + (r.run_name.args.empty() ? "" : "/" + r.run_name.args)] =
          r.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void ratio(const char* what, const std::string& a, const std::string& b) const {
    const auto ia = medians.find(a), ib = medians.find(b);
    if (ia == medians.end() || ib == medians.end()) return;
    std::printf("  %-44s %8.1f ns / %8.1f ns = %6.2f\n", what, ia->second, ib->second, ia->second / ib->second);
  }
  std::map<std::string, double> medians;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Summary summary;
  benchmark::RunSpecifiedBenchmarks(&summary);
  std::printf("\nRatios of medians (below 1: the format is faster)\n");
  summary.ratio("parse: format / strptime", "BM_ParseFormat<Static>", "BM_ParseStrptime");
  summary.ratio("parse: format / date::parse", "BM_ParseFormat<Static>", "BM_ParseHinnant");
  summary.ratio("parse: erased format / strptime", "BM_ParseFormat<Erased>", "BM_ParseStrptime");
  summary.ratio("parse: format / by hand", "BM_ParseFormat<Static>", "BM_ParseByHand");
  summary.ratio("show: format / strftime", "BM_ShowFormat<Static>", "BM_ShowStrftime");
  summary.ratio("show: format / date::format", "BM_ShowFormat<Static>", "BM_ShowHinnant");
  summary.ratio("show: erased format / strftime", "BM_ShowFormat<Erased>", "BM_ShowStrftime");
  benchmark::Shutdown();
}
