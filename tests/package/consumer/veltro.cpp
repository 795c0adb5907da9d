// SPDX-License-Identifier: MIT
// Packaging check: the installed veltro computes ln Gamma(4) = ln 6.
#include <Numeric/SpecFunctions.hpp>

#include <cmath>

int main()
{
    const double lg = Numeric::SpecFunctions::logGamma(4.0);
    return std::fabs(lg - std::log(6.0)) < 1e-15 ? 0 : 1;
}
