// SPDX-License-Identifier: MIT
// Numeric/SpecFunctions/Auxiliary.hpp: digamma, log1pmx, the integer base-2 logarithm, sinc, and
// modErr, the failure routine of the special functions.
//   double psi = Numeric::SpecFunctions::digamma(1.0);   // -0.57721566490153287
#pragma once

#include <veltro/export.hpp>

#include <cstdint>
#include <string_view>

namespace Numeric::SpecFunctions {

/// psi(x) = d/dx ln Gamma(x). NaN for NaN and +-Infinity; -Infinity at 0 and the negative integers;
/// reflection below 0; -gamma - 1/x + (pi^2/6) x up to 1e-6; otherwise an asymptotic series after
/// raising the argument to 12 or more. Never throws.
VELTRO_API double digamma(double x);

/// ln(1 + x) - x without cancellation near 0. -Infinity at -1; -(x*x/2) below 2^-52 in magnitude
/// (so -0.0 at 0); NaN for NaN. Throws std::domain_error("Domain error") for x < -1.
VELTRO_API double log1pmx(double x);

/// floor(log2 n) for n > 0. Throws std::domain_error("Numeric.SpecFunctions.log2: nonpositive
/// input, got <n>") for n <= 0.
VELTRO_API std::int64_t log2(std::int64_t n);

/// sin(x)/x, with sinc(0) = 1 (Taylor forms below 0.0040436...); NaN for NaN and +-Infinity.
VELTRO_API double sinc(double x);

} // namespace Numeric::SpecFunctions

namespace Numeric::SpecFunctions::Internal {

/// Never returns: throws std::domain_error whose what() is "Numeric.SpecFunctions." followed by text.
[[noreturn]] VELTRO_API void modErr(std::string_view text);

} // namespace Numeric::SpecFunctions::Internal
