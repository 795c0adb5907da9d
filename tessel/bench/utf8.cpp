// SPDX-License-Identifier: MIT
// Throughput of the bulk UTF-8 routines on four 1 MiB corpora, beside ICU's U8_NEXT loop,
// utf8proc_iterate, a plain byte-at-a-time validator and memcpy, all in this one binary.
//   build/ts-release/tessel/tessel_bench_utf8 --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include "Data/Tessel/cbits.h"
#include "cbits/kernels.h"
#include "corpora.hpp"

#include <benchmark/benchmark.h>

#include <cstring>
#include <iostream>

#ifdef HAVE_ICU
#include <unicode/utf8.h>
#endif
#ifdef HAVE_UTF8PROC
#include <utf8proc.h>
#endif

namespace {

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

void Validate_Tessel(benchmark::State& s) { run(s, hs_tessel_is_valid_utf8); }
void Validate_PlainBytes(benchmark::State& s) { run(s, tessel_cbits_kernels(TESSEL_LEVEL_PLAIN)->is_valid_utf8); }
void Validate_Word(benchmark::State& s) { run(s, tessel_cbits_kernels(TESSEL_LEVEL_WORD)->is_valid_utf8); }
void Validate_Avx2(benchmark::State& s) {
  if (const tessel_kernels* k = tessel_cbits_kernels(TESSEL_LEVEL_AVX2)) run(s, k->is_valid_utf8);
  else s.SkipWithError("no AVX2");
}
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

void corpora4(benchmark::internal::Benchmark* b) { b->DenseRange(0, 3); }

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

int main(int argc, char** argv) {
  std::cout << "kernels: " << tessel_cbits_active()->name
#ifndef HAVE_ICU
            << "; ICU missing (not compared)"
#endif
#ifndef HAVE_UTF8PROC
            << "; utf8proc missing (not compared)"
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
