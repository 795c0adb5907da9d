// SPDX-License-Identifier: MIT
// Numeric/SpecFunctions/IncompleteGamma.hpp: the regularised lower incomplete gamma function
// P(a, x) and its inverse in x.
//   double p = Numeric::SpecFunctions::incompleteGamma(2.0, 1.0);   // 1 - 2/e
#pragma once

#include <veltro/export.hpp>

namespace Numeric::SpecFunctions {

/// P(a, x) = gamma(a, x) / Gamma(a) for a > 0, x >= 0, in [0, 1]: 0 at x = 0, 1 at x = +Infinity;
/// otherwise a power series for P or for 1 - Q, a continued fraction for Q, or Temme's uniform
/// expansion, chosen by (a, x). NaN arguments give NaN. Throws std::domain_error
/// ("incompleteGamma: Domain error z=<a> x=<x>") for a <= 0 or x < 0.
VELTRO_API double incompleteGamma(double a, double x);

/// x >= 0 with P(a, x) = p, for a > 0 and p in [0, 1]: 0 at p = 0, +Infinity at p = 1; otherwise
/// at most 13 Halley steps from a closed-form guess. Throws std::domain_error
/// ("Numeric.SpecFunctions.invIncompleteGamma: a must be positive. a=%g p=%g") for a <= 0, then
/// ("Numeric.SpecFunctions.invIncompleteGamma: p must be in [0,1] range. a=%g p=%g") for p outside
/// [0, 1].
VELTRO_API double invIncompleteGamma(double a, double p);

} // namespace Numeric::SpecFunctions
