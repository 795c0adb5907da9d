// SPDX-License-Identifier: MIT
// Numeric/SpecFunctions/Erf.hpp: the error function, its complement, and their inverses.
//   double x = Numeric::SpecFunctions::invErfc(0.5);   // erfc(x) = 0.5
#pragma once

#include <veltro/export.hpp>

#include <Numeric/SpecFunctions/Compat.hpp>

namespace Numeric::SpecFunctions {

/// The platform erf(x) (the same function as Compat::c_erf).
VELTRO_API double erf(double x);
/// The platform erfc(x) (the same function as Compat::c_erfc).
VELTRO_API double erfc(double x);

/// x with erf(x) = p, for p in [-1, 1]: +-Infinity at +-1; a rational first guess refined by two
/// Halley steps. Throws std::domain_error("invErf: p must in [-1,1] range") outside [-1, 1] and for
/// NaN.
VELTRO_API double invErf(double p);

/// x with erfc(x) = p, for p in [0, 2]: +Infinity at 0, -Infinity at 2; a rational first guess
/// refined by two Halley steps. Throws std::domain_error("Numeric.SpecFunctions.invErfc: p must be
/// in [0,2] got <p>") outside [0, 2] and for NaN.
VELTRO_API double invErfc(double p);

} // namespace Numeric::SpecFunctions
