// SPDX-License-Identifier: MIT
// Short texts: Tessel beside std::string for length, splitAt, compare, ==, hashing, append and
// construction from bytes on texts of 8 to 24 bytes, and the resident memory of 10^6 stored texts
// of 8, 16, 32 and 64 bytes.
//   build/ts-release/tessel/tessel_bench_text --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include "Data/Tessel.hpp"

#include <benchmark/benchmark.h>

#include <algorithm>

#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <iostream>
#include <random>
#include <string>
#include <vector>

namespace T = Data::Tessel;

namespace {

// The fastest repetition beside the median: on a machine shared with other work, the run least
// disturbed by it.
double fastest(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

constexpr std::size_t poolSize = 1024;

// Random texts of about `bytes` bytes: Latin letters with an accented letter now and then.
std::vector<std::string> strings(std::size_t bytes) {
  std::mt19937_64 rng(bytes);
  std::vector<std::string> out;
  for (std::size_t k = 0; k < poolSize; ++k) {
    std::string s;
    while (s.size() < bytes) {
      if (rng() % 8 == 0 && s.size() + 2 <= bytes) s += "\xC3\xA9";
      else s.push_back(static_cast<char>('a' + rng() % 26));
    }
    out.push_back(s);
  }
  return out;
}

std::vector<T::Tessel> tessels(const std::vector<std::string>& ss) {
  std::vector<T::Tessel> out;
  for (const auto& s : ss) out.push_back(*T::fromByteString(T::Bytes::ByteString::copy(s)));
  return out;
}

// The std::string code for the same jobs: code points counted over the bytes, a split at a
// code-point position found by stepping over the bytes.
std::int64_t cpLength(const std::string& s) {
  std::int64_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}
std::pair<std::string, std::string> cpSplitAt(std::int64_t n, const std::string& s) {
  std::size_t i = 0;
  for (; i < s.size() && n > 0; --n) {
    ++i;
    while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
  }
  return {s.substr(0, i), s.substr(i)};
}

template <class Op>
void over(benchmark::State& state, Op op) {
  std::size_t k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(op(k & (poolSize - 1), (k + 1) & (poolSize - 1)));
    ++k;
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

#define PAIR(NAME, TESSEL_EXPR, STRING_EXPR)                                        \
  void NAME##_Tessel(benchmark::State& st) {                                        \
    const auto v = tessels(strings(static_cast<std::size_t>(st.range(0))));         \
    over(st, [&](std::size_t i, std::size_t j) { (void)j; return TESSEL_EXPR; });   \
  }                                                                                 \
  void NAME##_StdString(benchmark::State& st) {                                     \
    const auto v = strings(static_cast<std::size_t>(st.range(0)));                  \
    over(st, [&](std::size_t i, std::size_t j) { (void)j; return STRING_EXPR; });   \
  }                                                                                 \
  BENCHMARK(NAME##_Tessel)->Arg(8)->Arg(24);                                        \
  BENCHMARK(NAME##_StdString)->Arg(8)->Arg(24);

PAIR(Length, T::length(v[i]), cpLength(v[i]))
PAIR(SplitAt, T::splitAt(3, v[i]), cpSplitAt(3, v[i]))
PAIR(Compare, v[i] <=> v[j], v[i].compare(v[j]))

// Equality of equal texts held in separate arrays (every byte compared) and of two different ones.
void Equal_Tessel(benchmark::State& st) {
  const auto ss = strings(static_cast<std::size_t>(st.range(0)));
  const auto v = tessels(ss), w = tessels(ss);
  over(st, [&](std::size_t i, std::size_t j) { return (v[i] == w[i]) + (v[i] == w[j]); });
}
void Equal_StdString(benchmark::State& st) {
  const auto v = strings(static_cast<std::size_t>(st.range(0))), w = v;
  over(st, [&](std::size_t i, std::size_t j) { return (v[i] == w[i]) + (v[i] == w[j]); });
}
BENCHMARK(Equal_Tessel)->Arg(8)->Arg(24);
BENCHMARK(Equal_StdString)->Arg(8)->Arg(24);
PAIR(Hash, std::hash<T::Tessel>()(v[i]), std::hash<std::string>()(v[i]))
PAIR(Append, T::append(v[i], v[j]), v[i] + v[j])

// A text from bytes (validated and copied; up to 15 bytes inside the value) beside a std::string
// constructed from the same bytes, each destroyed right after.
void FromUtf8_Tessel(benchmark::State& st) {
  const auto v = strings(static_cast<std::size_t>(st.range(0)));
  over(st, [&](std::size_t i, std::size_t) { return T::fromUtf8(v[i]).has_value(); });
}
void FromUtf8_StdString(benchmark::State& st) {
  const auto v = strings(static_cast<std::size_t>(st.range(0)));
  over(st, [&](std::size_t i, std::size_t) {
    std::string s(v[i].data(), v[i].size());
    benchmark::DoNotOptimize(s.data());
    return s.size();
  });
}
BENCHMARK(FromUtf8_Tessel)->Arg(8)->Arg(15)->Arg(16)->Arg(24)->ComputeStatistics("min", fastest);
BENCHMARK(FromUtf8_StdString)->Arg(8)->Arg(15)->Arg(16)->Arg(24)->ComputeStatistics("min", fastest);

// ---- memory -----------------------------------------------------------------------------------

long residentBytes() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * sysconf(_SC_PAGESIZE);
}

// Runs `fill` in a child process and returns the growth of its resident memory and of the bytes
// malloc has handed out (small and mmapped blocks), per text, with the texts still alive (fill
// leaves them allocated; the child exits right after). A child keeps each measurement clear of
// the others' heap.
std::pair<double, double> measure(const std::function<void()>& fill) {
  int fds[2];
  if (pipe(fds) != 0) return {0, 0};
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    const long rss0 = residentBytes();
    const struct mallinfo2 m0 = mallinfo2();
    fill();
    const struct mallinfo2 m1 = mallinfo2();
    const double r[2] = {static_cast<double>(residentBytes() - rss0) / 1e6,
                         static_cast<double>((m1.uordblks + m1.hblkhd) - (m0.uordblks + m0.hblkhd)) / 1e6};
    if (write(fds[1], r, sizeof r) != static_cast<ssize_t>(sizeof r)) _exit(1);
    _exit(0);
  }
  close(fds[1]);
  double r[2] = {0, 0};
  if (read(fds[0], r, sizeof r) != static_cast<ssize_t>(sizeof r)) r[0] = r[1] = -1;
  close(fds[0]);
  waitpid(pid, nullptr, 0);
  return {r[0], r[1]};
}

void memoryTable() {
  constexpr std::size_t count = 1000000;
  std::printf("memory of 10^6 stored texts, bytes per text: resident growth / bytes malloc handed out\n");
  std::printf("%6s %22s %22s\n", "bytes", "Tessel", "std::string");
  for (std::size_t bytes : {8, 16, 32, 64}) {
    const std::string proto(bytes, 'x');
    const auto t = measure([&] {
      auto& v = *new std::vector<T::Tessel>();
      v.reserve(count);
      for (std::size_t k = 0; k < count; ++k) {
        std::string s = proto;
        s[k % bytes] = static_cast<char>('a' + k % 26);
        v.push_back(T::fromByteStringUnsafe(T::Bytes::ByteString::copy(s)));
      }
      benchmark::DoNotOptimize(v.data());
    });
    const auto s = measure([&] {
      auto& v = *new std::vector<std::string>();
      v.reserve(count);
      for (std::size_t k = 0; k < count; ++k) {
        std::string x = proto;
        x[k % bytes] = static_cast<char>('a' + k % 26);
        v.push_back(std::move(x));
      }
      benchmark::DoNotOptimize(v.data());
    });
    std::printf("%6zu %10.1f / %9.1f %10.1f / %9.1f\n", bytes, t.first, t.second, s.first, s.second);
  }
  std::printf("sizeof(Tessel) = %zu, sizeof(std::string) = %zu\n\n", sizeof(T::Tessel), sizeof(std::string));
}

}  // namespace

int main(int argc, char** argv) {
  memoryTable();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}
