// SPDX-License-Identifier: MIT
// Numeric/SpecFunctions/Internal/IncompleteGamma.hpp: the methods incompleteGamma chooses among,
// callable on their own (each assumes a > 0 and x > 0; the choice of method is incompleteGamma's).
//   double p = Numeric::SpecFunctions::Internal::incompleteGammaTemme(100.0, 100.0);
#pragma once

#include <veltro/export.hpp>

#include <array>

namespace Numeric::SpecFunctions::Internal {

/// Temme's coefficients f_m, m = 0..21, of the uniform asymptotic expansion.
extern VELTRO_API const std::array<double, 22> tableTemme;

/// Small x (below 2^-26, a > 1): (x^a / a) / exp(logGamma(a)) * (1 - a x / (a + 1)).
VELTRO_API double incompleteGammaSmallX(double a, double x);

/// Method A: the power series for P, sum x^n / ((a+1)...(a+n)) times the prefactor
/// x^a e^-x / Gamma(a+1) (in a form chosen by the size of a). Where x^n overflows or the
/// coefficient underflows, the terms continue by t_n = t_(n-1) x / (a + n).
VELTRO_API double incompleteGammaSeriesP(double a, double x);

/// Method B: the series for 1 - Q, sum (-x)^n / (n! (a + n)) times x^a / Gamma(a).
VELTRO_API double incompleteGammaSeriesQ(double a, double x);

/// Method C: 1 - Q with Q from Legendre's continued fraction (modified Lentz).
VELTRO_API double incompleteGammaContFraction(double a, double x);

/// Method D: Temme's uniform asymptotic expansion (for large a with x near a).
VELTRO_API double incompleteGammaTemme(double a, double x);

/// The closed-form first guess of invIncompleteGamma (a > 0, 0 < p < 1).
VELTRO_API double invIncompleteGammaGuess(double a, double p);

} // namespace Numeric::SpecFunctions::Internal
