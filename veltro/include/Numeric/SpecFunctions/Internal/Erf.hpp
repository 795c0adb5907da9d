// SPDX-License-Identifier: MIT
// Numeric/SpecFunctions/Internal/Erf.hpp: the two ingredients of invErf and invErfc.
//   double x0 = Numeric::SpecFunctions::Internal::guessInvErfc(0.5);
#pragma once

#include <veltro/export.hpp>

namespace Numeric::SpecFunctions::Internal {

/// Rational first guess for invErfc(p), p in (0, 1]: with t = sqrt(-2 ln(p/2)),
/// -0.70711 ((2.30753 + 0.27061 t) / (1 + t (0.99229 + 0.04481 t)) - t). Never throws.
VELTRO_API double guessInvErfc(double p);

/// One Halley step x + err / (2/sqrt(pi) exp(-x^2) - x err), err being the residual
/// erfc(x) - p (or p - erf(x)). Never throws.
VELTRO_API double invErfcHalleyStep(double err, double x);

} // namespace Numeric::SpecFunctions::Internal
