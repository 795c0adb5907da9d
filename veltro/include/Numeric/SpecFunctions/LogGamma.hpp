// SPDX-License-Identifier: MIT
// Numeric/SpecFunctions/LogGamma.hpp: ln Gamma(x) for real doubles and the two Stirling-series
// corrections that the other special functions use.
//   double lg = Numeric::SpecFunctions::logGamma(4.5);   // ln(11.631728...) = 2.4537365708424423
#pragma once

#include <veltro/export.hpp>

namespace Numeric::SpecFunctions {

/// ln Gamma(x) by piecewise rational approximations below 15 and a Lanczos sum from 15 on.
/// +Infinity for x <= 0 (including -0 and negative non-integers) and for +Infinity; NaN for NaN.
/// logGamma(1) is -0.0 and logGamma(2) is +0.0.
VELTRO_API double logGamma(double x);

/// The same function as logGamma under a second name.
VELTRO_API double logGammaL(double x);

/// The correction term of Stirling's formula, ln Gamma(x) - ((x - 1/2) ln x - x + ln sqrt(2 pi)),
/// for x >= 10 (Chebyshev series below 94906265.62..., 1/(12x) above); NaN below 10 and for NaN.
VELTRO_API double logGammaCorrection(double x);

/// The error of Stirling's approximation to ln n!:
/// ln Gamma(n+1) - (n + 1/2) ln n + n - ln sqrt(2 pi). Exact table values at half-integers up to 15,
/// a Stirling series above 15. Meant for n >= 0: a negative half-integer n has no table entry and
/// throws std::out_of_range("Numeric.SpecFunctions.stirlingError: index out of bounds: no table
/// entry for a negative half-integer").
VELTRO_API double stirlingError(double n);

} // namespace Numeric::SpecFunctions
