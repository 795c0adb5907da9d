// SPDX-License-Identifier: MIT
// AccuracyCsv.hpp: the per-row error output shared by veltro's accuracy programs, which
// scripts/accuracy-plots reads. One CSV line per (function, implementation, row):
//   function,impl,region,arg1,arg2,arg3,value,reference,ulp
// unused arguments empty; ulp = distance in units in the last place (capped at 2^53), "nan" when
// exactly one of value and reference is NaN. A summary per implementation goes to stderr.
//   veltro::bench::printAccuracyRows(rows, impls);
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include <Numeric/Veltro/Comparison.hpp>

#include "Rows.hpp"

namespace veltro::bench {

using ArgsFn = double (*)(const double* args);

/// An implementation of a function, called with a pointer to its (up to three) arguments.
struct Impl {
  std::string name;
  ArgsFn f;
};

/// Where a function's rows live: the data file and how many leading columns are arguments (the
/// reference is the next column).
struct FunctionFile {
  const char* function;
  const char* file;
  std::size_t arity;
};

/// One function's rows: the arguments, the reference, the region tag.
struct FunctionRows {
  std::string function;
  std::size_t arity = 0;
  std::vector<std::array<double, 3>> args;
  std::vector<double> reference;
  std::vector<std::string> regions;
};

inline FunctionRows readFunctionRows(const FunctionFile& fn) {
  const Rows rows = readRows(dataFile(fn.file));
  FunctionRows out;
  out.function = fn.function;
  out.arity = fn.arity;
  out.regions = rows.regions;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    std::array<double, 3> a{0.0, 0.0, 0.0};
    for (std::size_t j = 0; j < fn.arity; ++j) a[j] = rows.value(i, j);
    out.args.push_back(a);
    out.reference.push_back(rows.value(i, fn.arity));
  }
  if (out.regions.size() != out.args.size()) out.regions.assign(out.args.size(), "all");
  return out;
}

inline void printAccuracyHeader() { std::printf("function,impl,region,arg1,arg2,arg3,value,reference,ulp\n"); }

inline void printAccuracyRows(const FunctionRows& rows, const std::vector<Impl>& impls) {
  for (const Impl& impl : impls) {
    std::vector<double> errs;
    std::size_t nans = 0;
    for (std::size_t i = 0; i < rows.args.size(); ++i) {
      const double* a = rows.args[i].data();
      double v;
      try {
        v = impl.f(a);
      } catch (const std::exception&) {
        v = std::nan("");
      }
      const double ref = rows.reference[i];
      char ulp[32] = "nan";
      if (std::isnan(v) != std::isnan(ref)) {
        ++nans;
      } else {
        const double d = v == ref ? 0.0
                                  : std::min(0x1p53, static_cast<double>(
                                                         Numeric::Veltro::Comparison::ulpDistance(v, ref)));
        errs.push_back(d);
        std::snprintf(ulp, sizeof ulp, "%.0f", d);
      }
      std::printf("%s,%s,%s", rows.function.c_str(), impl.name.c_str(), rows.regions[i].c_str());
      for (std::size_t j = 0; j < 3; ++j) {
        if (j < rows.arity) {
          std::printf(",%.17g", a[j]);
        } else {
          std::printf(",");
        }
      }
      std::printf(",%.17g,%.17g,%s\n", v, ref, ulp);
    }
    std::sort(errs.begin(), errs.end());
    std::fprintf(stderr, "%-18s %-28s n=%4zu max=%.3g median=%.3g ulp, %zu NaN\n", rows.function.c_str(),
                 impl.name.c_str(), rows.args.size(), errs.empty() ? 0.0 : errs.back(),
                 errs.empty() ? 0.0 : errs[errs.size() / 2], nans);
  }
}

}  // namespace veltro::bench
