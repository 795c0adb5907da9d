// SPDX-License-Identifier: MIT
// Numeric/SpecFunctions/Extra.hpp: stand-alone numerical routines the main special functions do not
// use: the AS 245 log-gamma (an independent reference) and the saddle-point deviance term bd0.
//   double lg = Numeric::SpecFunctions::Extra::logGammaAS245(12.5);
#pragma once

#include <veltro/export.hpp>

namespace Numeric::SpecFunctions::Extra {

/// ln Γ(x) by algorithm AS 245 (rational approximations below 12, Stirling's series above).
/// +∞ for x <= 0 and for x > 1e308; NaN for NaN. Accurate to about 1e-14 relative, not to the bit.
VELTRO_API double logGammaAS245(double x);

/// x·ln(x/np) + np − x, computed without cancellation when x is close to np (the deviance term of
/// saddle-point expansions of binomial and Poisson probabilities). NaN when x or np is infinite,
/// np = 0, or either is NaN.
VELTRO_API double bd0(double x, double np);

}  // namespace Numeric::SpecFunctions::Extra
