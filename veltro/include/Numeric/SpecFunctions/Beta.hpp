// SPDX-License-Identifier: MIT
// Numeric/SpecFunctions/Beta.hpp: the log-beta function, the regularised incomplete beta function
// I_x(p, q) and its inverse.
//   double i = Numeric::SpecFunctions::incompleteBeta(2.0, 3.0, 0.4);   // 0.5248
#pragma once

#include <veltro/export.hpp>

namespace Numeric::SpecFunctions {

/// ln B(a, b), symmetric in its arguments (they are ordered first). NaN when the smaller argument is
/// negative, +Infinity when it is 0; never fails.
VELTRO_API double logBeta(double a, double b);

/// The regularised incomplete beta function I_x(p, q) for p, q > 0 and x in [0, 1]; 0 at x = 0 and
/// 1 at x = 1 exactly. Throws std::domain_error
/// "Numeric.SpecFunctions.incompleteBeta_: p <= 0 || q <= 0. p=%g q=%g x=%g" when a shape is not
/// positive, else "Numeric.SpecFunctions.incompleteBeta_: x out of [0,1] range. p=%g q=%g x=%g" for
/// x outside [0, 1] or NaN.
VELTRO_API double incompleteBeta(double p, double q, double x);

/// incompleteBeta with beta = logBeta(p, q) supplied by the caller (for repeated calls with the same
/// shapes). Same domain, results and failures.
VELTRO_API double incompleteBeta_(double beta, double p, double q, double x);

/// The x in [0, 1] with incompleteBeta(p, q, x) = a, for p, q > 0 and a in [0, 1]; a NaN target
/// gives NaN. Throws std::domain_error
/// "Numeric.SpecFunctions.invIncompleteBeta p <= 0 || q <= 0.  p=%g q=%g a=%g" when a shape is not
/// positive, else "Numeric.SpecFunctions.invIncompleteBeta x must be in [0,1].  p=%g q=%g a=%g".
VELTRO_API double invIncompleteBeta(double p, double q, double a);

}  // namespace Numeric::SpecFunctions
