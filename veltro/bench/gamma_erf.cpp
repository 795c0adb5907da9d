// SPDX-License-Identifier: MIT
// Speed of veltro's incompleteGamma, invIncompleteGamma, digamma, log1pmx, invErf and invErfc beside
// their peers (Boost.Math in pure double, R's standalone math library, GSL, glibc) on the rows of
// data/*.csv, side by side in one run (harness in Harness.hpp).
//   veltro_bench_gamma_erf                  (10 interleaved repetitions by default)
#include "Harness.hpp"

int main(int argc, char** argv)
{
    veltro::bench::Timings t(argc, argv);
    t.addFunctions({"incompleteGamma", "invIncompleteGamma", "digamma", "log1pmx", "invErf", "invErfc"});
    t.run();
    return 0;
}
