// SPDX-License-Identifier: MIT
// Speed of veltro's beta family and factorials (logBeta, incompleteBeta, invIncompleteBeta,
// logFactorial, choose, logChoose, bd0) beside their peers (R's math library, Boost.Math in pure
// double, GSL, glibc where they have the function) on the rows of data/*.csv, side by side in one
// run (harness in Harness.hpp).
//   veltro_bench_beta                       (10 interleaved repetitions by default)
//   veltro_bench_beta --benchmark_filter=incompleteBeta
#include "Harness.hpp"

int main(int argc, char** argv)
{
    veltro::bench::Timings t(argc, argv);
    t.addFunctions({"logBeta", "incompleteBeta", "invIncompleteBeta", "logFactorial", "choose", "logChoose", "bd0"});
    t.run();
    return 0;
}
