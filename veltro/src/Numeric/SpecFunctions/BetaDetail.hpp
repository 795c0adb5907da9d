// SPDX-License-Identifier: MIT
// BetaDetail.hpp (private): pieces the incomplete beta function and its inverse share.
#pragma once

namespace Numeric::SpecFunctions::detail {

/// I_x(p, q) by the continued fraction of x^p(1−x)^q/(p·B(p, q)), beta = ln B(p, q); for the
/// worker's range x <= p/(p + q) where Soper's expansion converges too slowly.
double incompleteBetaContinuedFraction(double beta, double p, double q, double x);

/// Where a Halley run stopped short of the root: the x with I_x(a, b) = p found by Newton steps
/// safeguarded by bisection (on a logarithmic scale near 0 and near 1), starting from x.
double refineInvIncompleteBeta(double beta, double a, double b, double p, double x);

}  // namespace Numeric::SpecFunctions::detail
