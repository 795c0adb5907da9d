// SPDX-License-Identifier: MIT
// Calendar conversions, time parsing and printing, and time hashes, beside their peers: the C
// library (strptime, timegm, strftime), Howard Hinnant's date and Abseil's hash.
//   build/release/chronal/chronal_bench_time --benchmark_repetitions=5
#include <Data/Time/Calendar.hpp>
#include <Data/Time/Format.hpp>
#include <Data/Time/Orphans.hpp>

#include <benchmark/benchmark.h>

#include <ctime>
#include <random>
#include <sstream>
#include <vector>

#if HAVE_DATE
#include <date/date.h>
#endif
#if HAVE_ABSL
#include <absl/hash/hash.h>
#endif

namespace {

using namespace Data::Time;
using Data::Number::Integer;

constexpr std::size_t kBatch = 1024;

struct Ymd {
  int y;
  int m;
  int d;
};

// Dates in years -30000..30000 (the range the date library's year holds).
const std::vector<Ymd>& dates() {
  static const std::vector<Ymd> v = [] {
    std::mt19937_64 rng(1);
    std::vector<Ymd> out;
    for (std::size_t i = 0; i < kBatch; ++i) {
      out.push_back({static_cast<int>(rng() % 60001) - 30000, static_cast<int>(rng() % 12) + 1,
                     static_cast<int>(rng() % 28) + 1});
    }
    return out;
  }();
  return v;
}

std::vector<std::int64_t> dayNumbers() {
  std::vector<std::int64_t> out;
  for (const Ymd& d : dates()) {
    out.push_back(Calendar::fromGregorian(d.y, d.m, d.d).toModifiedJulianDay().toInt64());
  }
  return out;
}

void FromGregorian(benchmark::State& state) {
  const auto& in = dates();
  for (auto _ : state) {
    for (const Ymd& d : in) {
      Calendar::Day day = Calendar::fromGregorian(d.y, d.m, d.d);
      benchmark::DoNotOptimize(day);
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
}
BENCHMARK(FromGregorian);

void ToGregorian(benchmark::State& state) {
  std::vector<Calendar::Day> in;
  for (std::int64_t n : dayNumbers()) in.emplace_back(n);
  for (auto _ : state) {
    for (const Calendar::Day& d : in) {
      Calendar::GregorianDate g = Calendar::toGregorian(d);
      benchmark::DoNotOptimize(g);
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
}
BENCHMARK(ToGregorian);

#if HAVE_DATE
void DateFromYmd(benchmark::State& state) {
  const auto& in = dates();
  for (auto _ : state) {
    for (const Ymd& d : in) {
      date::sys_days day = date::year_month_day(date::year(d.y), date::month(static_cast<unsigned>(d.m)),
                                                date::day(static_cast<unsigned>(d.d)));
      benchmark::DoNotOptimize(day);
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
}
BENCHMARK(DateFromYmd);

void DateToYmd(benchmark::State& state) {
  std::vector<date::sys_days> in;
  for (std::int64_t n : dayNumbers()) in.emplace_back(date::days(n - 40587));
  for (auto _ : state) {
    for (const date::sys_days& d : in) {
      date::year_month_day ymd(d);
      benchmark::DoNotOptimize(ymd);
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
}
BENCHMARK(DateToYmd);
#endif

constexpr const char* kStamp = "2024-12-08 13:45:10";

void ParseTimeLocal(benchmark::State& state) {
  const auto& l = Format::defaultTimeLocale();
  for (auto _ : state) {
    auto t = Format::parseTimeM<LocalTime::LocalTime>(false, l, "%F %T", kStamp);
    benchmark::DoNotOptimize(t);
  }
}
BENCHMARK(ParseTimeLocal);

void StrptimeTimegm(benchmark::State& state) {
  for (auto _ : state) {
    std::tm tm{};
    const char* end = strptime(kStamp, "%F %T", &tm);
    benchmark::DoNotOptimize(end);
    std::time_t t = timegm(&tm);
    benchmark::DoNotOptimize(t);
  }
}
BENCHMARK(StrptimeTimegm);

#if HAVE_DATE
void DateParse(benchmark::State& state) {
  for (auto _ : state) {
    std::istringstream in(kStamp);
    date::sys_seconds t;
    in >> date::parse("%F %T", t);
    benchmark::DoNotOptimize(t);
  }
}
BENCHMARK(DateParse);
#endif

Clock::UTCTime sampleTime() {
  return Clock::UTCTime{Calendar::fromGregorian(2024, 12, 8),
                        Clock::secondsToDiffTime(13 * 3600 + 45 * 60 + 10)};
}

void FormatTimeUTC(benchmark::State& state) {
  const auto& l = Format::defaultTimeLocale();
  const Clock::UTCTime t = sampleTime();
  for (auto _ : state) {
    std::string s = Format::formatTime(l, "%F %T", t);
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK(FormatTimeUTC);

void Strftime(benchmark::State& state) {
  std::tm tm{};
  tm.tm_year = 124;
  tm.tm_mon = 11;
  tm.tm_mday = 8;
  tm.tm_hour = 13;
  tm.tm_min = 45;
  tm.tm_sec = 10;
  for (auto _ : state) {
    char buf[64];
    std::size_t n = std::strftime(buf, sizeof buf, "%F %T", &tm);
    benchmark::DoNotOptimize(n);
    benchmark::DoNotOptimize(buf);
  }
}
BENCHMARK(Strftime);

#if HAVE_DATE
void DateFormat(benchmark::State& state) {
  const date::sys_seconds t = date::sys_days(date::year(2024) / 12 / 8) + std::chrono::seconds(49510);
  for (auto _ : state) {
    std::string s = date::format("%F %T", t);
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK(DateFormat);
#endif

std::vector<Clock::UTCTime> times() {
  std::mt19937_64 rng(2);
  std::vector<Clock::UTCTime> out;
  for (std::int64_t n : dayNumbers()) {
    // Whole milliseconds, as clocks deliver them.
    const auto ms = static_cast<std::int64_t>(rng() % 86'400'000);
    out.push_back({Calendar::Day(n), Clock::DiffTime(Integer(ms * 1'000'000'000))});
  }
  return out;
}

void HashUTCTime(benchmark::State& state) {
  const auto in = times();
  for (auto _ : state) {
    for (const auto& t : in) benchmark::DoNotOptimize(Orphans::hash(t));
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
}
BENCHMARK(HashUTCTime);

// The three mixing steps a UTCTime hash takes, written out on fields already reduced.
void HashBareChain(benchmark::State& state) {
  struct Reduced {
    std::int64_t day, num, den;
  };
  std::vector<Reduced> in;
  for (const auto& t : times()) {
    const auto [num, den] = Orphans::reducedSeconds(t.utctDayTime.picoseconds());
    in.push_back({t.utctDay.toModifiedJulianDay().toInt64(), num.toInt64(), den.toInt64()});
  }
  for (auto _ : state) {
    for (const auto& r : in) {
      benchmark::DoNotOptimize(
          Orphans::mix(Orphans::mix(Orphans::mix(Orphans::defaultSalt, r.day), r.num), r.den));
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
}
BENCHMARK(HashBareChain);

#if HAVE_ABSL
struct Pair {
  std::int64_t day, ps;
  template <class H>
  friend H AbslHashValue(H h, const Pair& p) {
    return H::combine(std::move(h), p.day, p.ps);
  }
};

void AbslHashTwoFields(benchmark::State& state) {
  std::vector<Pair> in;
  for (const auto& t : times()) {
    in.push_back({t.utctDay.toModifiedJulianDay().toInt64(), t.utctDayTime.picoseconds().toInt64()});
  }
  for (auto _ : state) {
    for (const auto& p : in) benchmark::DoNotOptimize(absl::Hash<Pair>{}(p));
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
}
BENCHMARK(AbslHashTwoFields);
#endif

}  // namespace

BENCHMARK_MAIN();
