// SPDX-License-Identifier: MIT
// Throughput of the bulk UTF-8 routines on four 1 MiB corpora, beside ICU's U8_NEXT loop,
// utf8proc_iterate, a plain byte-at-a-time validator and memcpy, all in this one binary.
//   build/ts-release/tessel/tessel_bench_utf8 --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <Data/Tessel/cbits.h>
#include "corpora.hpp"

#include <benchmark/benchmark.h>

#include <algorithm>

#include <cstring>
#include <iostream>

#ifdef HAVE_ICU
#include <unicode/utf8.h>
#endif
#ifdef HAVE_UTF8PROC
#include <utf8proc.h>
#endif
#ifdef HAVE_SIMDUTF
#include <simdutf.h>
#endif

namespace {

// The fastest repetition beside the median: on a machine shared with other work, the run least
// disturbed by it.
double fastest(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

const corpora::Corpus& corpus(int k) {
  static const corpora::Corpus all[] = {corpora::Corpus(corpora::Ascii), corpora::Corpus(corpora::Latin),
                                        corpora::Corpus(corpora::Cjk), corpora::Corpus(corpora::Emoji)};
  return all[k];
}

template <class F>
void run(benchmark::State& state, F f) {
  const corpora::Corpus& c = corpus(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(f(c.data(), c.size));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(c.size));
  state.SetLabel(corpora::name(static_cast<corpora::Kind>(state.range(0))));
}

// The validator at one kernel level (through the public hs_tessel_use_level), then back to the best.
void validateAtLevel(benchmark::State& s, int level) {
  if (hs_tessel_use_level(level) == level) run(s, hs_tessel_is_valid_utf8);
  else s.SkipWithError("level not offered by this processor");
  hs_tessel_use_level(HS_TESSEL_LEVEL_AVX512);
}

void Validate_Tessel(benchmark::State& s) { run(s, hs_tessel_is_valid_utf8); }
void Validate_PlainBytes(benchmark::State& s) { validateAtLevel(s, HS_TESSEL_LEVEL_PLAIN); }
void Validate_Word(benchmark::State& s) { validateAtLevel(s, HS_TESSEL_LEVEL_WORD); }
void Validate_Avx2(benchmark::State& s) { validateAtLevel(s, HS_TESSEL_LEVEL_AVX2); }
void Length_Tessel(benchmark::State& s) { run(s, hs_tessel_length); }
void IsAscii_Tessel(benchmark::State& s) { run(s, hs_tessel_is_ascii); }
void Memcpy(benchmark::State& s) {
  static std::vector<std::uint8_t> dst(corpora::corpusSize + 64);
  run(s, [](const std::uint8_t* p, std::size_t n) { return std::memcpy(dst.data(), p, n); });
}

#ifdef HAVE_ICU
bool icuValid(const std::uint8_t* s, std::size_t n) {
  const auto len = static_cast<int32_t>(n);
  for (int32_t i = 0; i < len;) {
    UChar32 c;
    U8_NEXT(s, i, len, c);
    if (c < 0) return false;
  }
  return true;
}
std::size_t icuLength(const std::uint8_t* s, std::size_t n) {
  const auto len = static_cast<int32_t>(n);
  std::size_t count = 0;
  for (int32_t i = 0; i < len; ++count) U8_FWD_1(s, i, len);
  return count;
}
void Validate_ICU(benchmark::State& s) { run(s, icuValid); }
void Length_ICU(benchmark::State& s) { run(s, icuLength); }
#endif

#ifdef HAVE_UTF8PROC
bool utf8procValid(const std::uint8_t* s, std::size_t n) {
  const auto len = static_cast<utf8proc_ssize_t>(n);
  for (utf8proc_ssize_t i = 0; i < len;) {
    utf8proc_int32_t c;
    const utf8proc_ssize_t k = utf8proc_iterate(s + i, len - i, &c);
    if (k < 0) return false;
    i += k;
  }
  return true;
}
void Validate_utf8proc(benchmark::State& s) { run(s, utf8procValid); }
#endif

void corpora4(benchmark::internal::Benchmark* b) { b->DenseRange(0, 3)->ComputeStatistics("min", fastest); }

// ---- short texts and misaligned buffers ---------------------------------------------------------

// A valid text of exactly `size` bytes cut from a corpus (both ends on code-point boundaries),
// starting on a 64-byte boundary.
struct Window {
  alignas(64) std::uint8_t bytes[256 + 64];
  std::size_t size;
  Window(int kind, std::size_t n) : size(n) {
    const corpora::Corpus& c = corpus(kind);
    auto boundary = [&](std::size_t i) { return (c.data()[i] & 0xC0) != 0x80; };
    std::size_t at = 4096;
    while (!(boundary(at) && boundary(at + n))) ++at;
    std::memcpy(bytes, c.data() + at, n);
  }
};
const Window& window(int kind, std::size_t n) {
  static const Window all[3][4] = {{{0, 16}, {1, 16}, {2, 16}, {3, 16}},
                                   {{0, 64}, {1, 64}, {2, 64}, {3, 64}},
                                   {{0, 256}, {1, 256}, {2, 256}, {3, 256}}};
  return all[n == 16 ? 0 : n == 64 ? 1 : 2][kind];
}

// Arguments: size, corpus.
template <class F>
void runShort(benchmark::State& state, F f) {
  const Window& w = window(static_cast<int>(state.range(1)), static_cast<std::size_t>(state.range(0)));
  const std::uint8_t* p = w.bytes;
  for (auto _ : state) {
    benchmark::DoNotOptimize(p);
    benchmark::DoNotOptimize(f(p, w.size));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(w.size));
  state.SetLabel(corpora::name(static_cast<corpora::Kind>(state.range(1))));
}
void shortSizes(benchmark::internal::Benchmark* b) {
  b->ArgsProduct({{16, 64, 256}, {0, 1, 2, 3}})->ComputeStatistics("min", fastest);
}

// A corpus copied to start `offset` bytes past a 64-byte boundary.
const std::uint8_t* shifted(int kind, std::size_t offset) {
  static std::vector<std::uint8_t> store[4];
  std::vector<std::uint8_t>& v = store[kind];
  const corpora::Corpus& c = corpus(kind);
  if (v.empty()) v.resize(c.size + 128);
  const auto base = reinterpret_cast<std::uintptr_t>(v.data());
  std::uint8_t* p = v.data() + ((64 - base % 64) % 64) + offset;
  std::memcpy(p, c.data(), c.size);
  return p;
}
// Arguments: offset from a 64-byte boundary, corpus.
template <class F>
void runShifted(benchmark::State& state, F f) {
  const int kind = static_cast<int>(state.range(1));
  const std::uint8_t* p = shifted(kind, static_cast<std::size_t>(state.range(0)));
  const std::size_t n = corpus(kind).size;
  for (auto _ : state) benchmark::DoNotOptimize(f(p, n));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(n));
  state.SetLabel(corpora::name(static_cast<corpora::Kind>(kind)));
}
void offsets(benchmark::internal::Benchmark* b) {
  b->ArgsProduct({{0, 16}, {0, 1, 2, 3}})->ComputeStatistics("min", fastest);
}
void asciiOffsets(benchmark::internal::Benchmark* b) {
  b->ArgsProduct({{0, 16}, {0}})->ComputeStatistics("min", fastest);
}

void ShortValidate_Tessel(benchmark::State& s) { runShort(s, hs_tessel_is_valid_utf8); }
void ShortLength_Tessel(benchmark::State& s) { runShort(s, hs_tessel_length); }
void ShiftedValidate_Tessel(benchmark::State& s) { runShifted(s, hs_tessel_is_valid_utf8); }
void ShiftedLength_Tessel(benchmark::State& s) { runShifted(s, hs_tessel_length); }
void ShiftedIsAscii_Tessel(benchmark::State& s) { runShifted(s, hs_tessel_is_ascii); }
#ifdef HAVE_ICU
void ShortValidate_ICU(benchmark::State& s) { runShort(s, icuValid); }
#endif
#ifdef HAVE_SIMDUTF
bool simdutfValid(const std::uint8_t* p, std::size_t n) {
  return simdutf::validate_utf8(reinterpret_cast<const char*>(p), n);
}
std::size_t simdutfLength(const std::uint8_t* p, std::size_t n) {
  return simdutf::count_utf8(reinterpret_cast<const char*>(p), n);
}
bool simdutfAscii(const std::uint8_t* p, std::size_t n) {
  return simdutf::validate_ascii(reinterpret_cast<const char*>(p), n);
}
void Validate_simdutf(benchmark::State& s) { run(s, simdutfValid); }
void Length_simdutf(benchmark::State& s) { run(s, simdutfLength); }
void IsAscii_simdutf(benchmark::State& s) { run(s, simdutfAscii); }
void ShortValidate_simdutf(benchmark::State& s) { runShort(s, simdutfValid); }
void ShortLength_simdutf(benchmark::State& s) { runShort(s, simdutfLength); }
void ShiftedValidate_simdutf(benchmark::State& s) { runShifted(s, simdutfValid); }
void ShiftedLength_simdutf(benchmark::State& s) { runShifted(s, simdutfLength); }
void ShiftedIsAscii_simdutf(benchmark::State& s) { runShifted(s, simdutfAscii); }
#endif

}  // namespace

BENCHMARK(Validate_Tessel)->Apply(corpora4);
BENCHMARK(Validate_PlainBytes)->Apply(corpora4);
BENCHMARK(Validate_Word)->Apply(corpora4);
BENCHMARK(Validate_Avx2)->Apply(corpora4);
#ifdef HAVE_ICU
BENCHMARK(Validate_ICU)->Apply(corpora4);
#endif
#ifdef HAVE_UTF8PROC
BENCHMARK(Validate_utf8proc)->Apply(corpora4);
#endif
BENCHMARK(Length_Tessel)->Apply(corpora4);
#ifdef HAVE_ICU
BENCHMARK(Length_ICU)->Apply(corpora4);
#endif
BENCHMARK(IsAscii_Tessel)->Apply(corpora4);
BENCHMARK(Memcpy)->Arg(0);
#ifdef HAVE_SIMDUTF
BENCHMARK(Validate_simdutf)->Apply(corpora4);
BENCHMARK(Length_simdutf)->Apply(corpora4);
BENCHMARK(IsAscii_simdutf)->Arg(0);
#endif
BENCHMARK(ShortValidate_Tessel)->Apply(shortSizes);
#ifdef HAVE_SIMDUTF
BENCHMARK(ShortValidate_simdutf)->Apply(shortSizes);
#endif
#ifdef HAVE_ICU
BENCHMARK(ShortValidate_ICU)->Apply(shortSizes);
#endif
BENCHMARK(ShortLength_Tessel)->Apply(shortSizes);
#ifdef HAVE_SIMDUTF
BENCHMARK(ShortLength_simdutf)->Apply(shortSizes);
#endif
BENCHMARK(ShiftedValidate_Tessel)->Apply(offsets);
BENCHMARK(ShiftedLength_Tessel)->Apply(offsets);
BENCHMARK(ShiftedIsAscii_Tessel)->Apply(asciiOffsets);
#ifdef HAVE_SIMDUTF
BENCHMARK(ShiftedValidate_simdutf)->Apply(offsets);
BENCHMARK(ShiftedLength_simdutf)->Apply(offsets);
BENCHMARK(ShiftedIsAscii_simdutf)->Apply(asciiOffsets);
#endif

int main(int argc, char** argv) {
  std::cout << "kernel level: " << hs_tessel_level()
#ifndef HAVE_ICU
            << "; ICU missing (not compared)"
#endif
#ifndef HAVE_UTF8PROC
            << "; utf8proc missing (not compared)"
#endif
#ifndef HAVE_SIMDUTF
            << "; simdutf not given (configure with -Dsimdutf_DIR=<its cmake folder> to compare)"
#endif
            << "\n";
  for (int k = 0; k < 4; ++k) {
    const auto& c = corpus(k);
    std::size_t multi = 0;
    for (std::size_t i = 0; i < c.size; ++i) multi += c.data()[i] >= 0x80;
    std::cout << corpora::name(static_cast<corpora::Kind>(k)) << ": " << c.size << " bytes, "
              << 100.0 * static_cast<double>(multi) / static_cast<double>(c.size) << "% in multi-byte sequences, valid="
              << hs_tessel_is_valid_utf8(c.data(), c.size) << "\n";
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}
