// SPDX-License-Identifier: MIT
// Numeric/SpecFunctions/Internal/Beta.hpp: the workers behind the incomplete beta function and its
// inverse (series, quadrature, first guess, Halley iteration), exposed for testing and reuse.
//   double i = Numeric::SpecFunctions::Internal::incompleteBetaWorker(beta, 2.0, 3.0, 0.3);
#pragma once

#include <veltro/export.hpp>

#include <array>

namespace Numeric::SpecFunctions::Internal {

/// Nodes of the 18-point Gauss–Legendre rule on (0, 1) used by incompleteBetaApprox (the weights
/// sum to 1).
inline constexpr std::array<double, 18> coefY{
    0.0021695375159141994, 0.011413521097787704, 0.027972308950302116, 0.051727015600492421,
    0.082502225484340941,  0.12007019910960293,  0.1641528330075247,   0.21442376986779355,
    0.27051082840644336,   0.33199876341447887,  0.39843234186401943,  0.46931971407375483,
    0.54413605556657973,   0.62232745288031077,  0.70331500465597174,  0.78649910768313447,
    0.87126389619061517,   0.95698180152629142};

/// Weights belonging to coefY.
inline constexpr std::array<double, 18> coefW{
    0.0055657196642445571, 0.012915947284065419, 0.020181515297735382, 0.027298621498568734,
    0.034213810770299537,  0.040875750923643261, 0.047235083490265582, 0.053244713977759692,
    0.058860144245324798,  0.064039797355015485, 0.068745323835736408, 0.072941885005653087,
    0.07659841064587064,   0.07968782891207167,  0.082187266704339706, 0.084078218979661945,
    0.085346685739338721,  0.085983275670394821};

/// I_x(p, q) for x <= p/(p + q), beta = ln B(p, q): quadrature when both shapes exceed 3000, else
/// Soper's expansion; a continued fraction takes over where that expansion would need more than a
/// few thousand terms (a huge p with a small q near the mean). NaN shapes give NaN.
VELTRO_API double incompleteBetaWorker(double beta, double p, double q, double x);

/// I_x(p, q) by 18-point Gauss–Legendre quadrature of the integrand around x (for large p and q,
/// x <= p/(p + q)).
VELTRO_API double incompleteBetaApprox(double beta, double p, double q, double x);

/// The x with I_x(a, b) = p, beta = ln B(a, b): at most ten Halley steps from invIncBetaGuess, then,
/// where they stop short of the root, a bracketed Newton/bisection refinement.
VELTRO_API double invIncompleteBetaWorker(double beta, double a, double b, double p);

/// First guess for invIncompleteBetaWorker: one of six approximations chosen by the shapes (a, b).
/// beta = ln B(a, b), p in (0, 1).
VELTRO_API double invIncBetaGuess(double beta, double a, double b, double p);

}  // namespace Numeric::SpecFunctions::Internal
