// SPDX-License-Identifier: MIT
// KBN.hpp (private): the Kahan-Babuska-Neumaier step that every kestrel sum is made of.
//   double s = 0.0, c = 0.0;  for (double x : xs) kbnAdd(s, c, x);  double total = s + c;
#pragma once

#include <cmath>

namespace Orrin::Matrix::detail {

/// Adds x to the running sum s with compensation c: t = s + x; the low bits lost by that addition
/// go into c, taken from the operand of smaller magnitude; s = t. A comparison with NaN is false.
inline void kbnAdd(double& s, double& c, double x) noexcept
{
    const double t = s + x;
    if (std::fabs(s) >= std::fabs(x))
        c = c + ((s - t) + x);
    else
        c = c + ((x - t) + s);
    s = t;
}

}  // namespace Orrin::Matrix::detail
