// SPDX-License-Identifier: MIT
// Shared by chronal's tests and benchmarks: a heap-allocation counter and the date format they run.
// Include it in one source file per program: it replaces the global operator new and delete.
#pragma once
#include <Data/Format.hpp>

#include <atomic>
#include <cstdlib>
#include <new>
#include <utility>

namespace ChronalSupport {

/// Heap allocations made by the program so far.
inline std::atomic<long> allocations{0};

struct Date {
  int year, month, day;
  friend bool operator==(const Date&, const Date&) = default;
};

/// "YYYY-MM-DD": three fixed-width numbers joined by "-", mapped to a Date.
inline auto dateFormat() {
  using namespace Data::Format;
  return isoMap(
      [](const std::pair<int, std::pair<int, int>>& v) { return Date{v.first, v.second.first, v.second.second}; },
      [](const Date& d) { return std::pair{d.year, std::pair{d.month, d.day}}; },
      apSeq(apSeqLeft(integerFormat<int>(NoSign, 4), literalFormat("-")),
            apSeq(apSeqLeft(integerFormat<int>(NoSign, 2), literalFormat("-")), integerFormat<int>(NoSign, 2))));
}

}  // namespace ChronalSupport

// The replacements pair malloc with free; GCC cannot see that once they are inlined.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t n) {
  ChronalSupport::allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
