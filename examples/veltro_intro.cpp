// SPDX-License-Identifier: MIT
// veltro_intro: a first look at veltro. ln Gamma where the factorial itself overflows, the error of
// Stirling's formula, and a compensated sum next to a naive one.
#include <cmath>
#include <cstdio>
#include <vector>

#include <Numeric/SpecFunctions.hpp>
#include <Numeric/Sum.hpp>

int main()
{
    using Numeric::SpecFunctions::logGamma;
    using Numeric::SpecFunctions::stirlingError;

    std::printf("ln Gamma(x): finite long after Gamma(x) itself overflows (past x = 171.6)\n");
    std::printf("%10s %24s %24s\n", "x", "logGamma(x)", "log(tgamma(x))");
    for (const double x : {0.5, 1.0, 2.5, 10.0, 171.0, 172.0, 1e6, 1e300}) {
        std::printf("%10g %24.17g %24.17g\n", x, logGamma(x), std::log(std::tgamma(x)));
    }

    std::printf("\nstirlingError(n) = ln n! - (n + 1/2) ln n + n - ln sqrt(2 pi): what Stirling misses\n");
    std::printf("%10s %24s\n", "n", "stirlingError(n)");
    for (const double n : {1.0, 2.5, 10.0, 100.0, 1e6}) std::printf("%10g %24.17g\n", n, stirlingError(n));

    // 1 + 1e100 + 1 - 1e100, repeated: the naive sum loses every 1 against 1e100.
    std::vector<double> xs;
    for (int i = 0; i < 1000; ++i) {
        xs.push_back(1.0);
        xs.push_back(1e100);
        xs.push_back(1.0);
        xs.push_back(-1e100);
    }
    double naive = 0.0;
    for (const double x : xs) naive += x;
    std::printf("\nsum of 1000 x [1, 1e100, 1, -1e100] (exact: 2000)\n");
    std::printf("%-28s %g\n", "naive left-to-right loop", naive);
    std::printf("%-28s %g\n", "pairwiseSum", Numeric::Sum::pairwiseSum(xs));
    std::printf("%-28s %g\n", "sumVector(kahan, .)", Numeric::Sum::sumVector(Numeric::Sum::kahan, xs));
    std::printf("%-28s %g\n", "sumVector(kbn, .)", Numeric::Sum::sumVector(Numeric::Sum::kbn, xs));
    std::printf("%-28s %g\n", "sumVector(kb2, .)", Numeric::Sum::sumVector(Numeric::Sum::kb2, xs));
    return 0;
}
