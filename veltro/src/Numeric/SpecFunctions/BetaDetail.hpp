// SPDX-License-Identifier: MIT
// BetaDetail.hpp (private): pieces the incomplete beta function and its inverse share.
#pragma once

namespace Numeric::SpecFunctions::detail {

/// I_x(p, q) by the continued fraction of x^p(1−x)^q/(p·B(p, q)), beta = ln B(p, q), lnx = ln x,
/// lncx = ln(1 − x); for the worker's range x <= p/(p + q) where Soper's expansion converges too
/// slowly.
double incompleteBetaContinuedFraction(double beta, double p, double q, double x, double lnx, double lncx);

/// Throws the incomplete beta function's failures: shapes not above 0, x outside [0, 1] or NaN.
void checkIncompleteBeta(double p, double q, double x);

/// The tail of I_x(p, q) that is computed directly: I itself, or 1 − I when `upper`.
struct BetaTail {
  double value;
  bool upper;
};

/// The relative error that the rounding of 1 − x may cause in the documented evaluation before
/// incompleteBeta_ takes the exact complement instead (every shape below 4.5e5 stays under it).
inline constexpr double documentedLossLimit = 1e-10;

/// I_x(p, q) for 0 < x < 1 (checked by the caller) as the tail it is computed by: the documented
/// evaluation (x <= p/(p + q): the worker on x; above: the worker on (q, p, 1 − x), the upper tail)
/// where the error the rounding of 1 − x causes in it is at most lossLimit, else the evaluation
/// that carries x and its complement exactly.
BetaTail incompleteBetaTail(double beta, double p, double q, double x, double lossLimit);

/// v limited to [0, 1] (NaN stays NaN).
inline double probability(double v) { return v > 1.0 ? 1.0 : v < 0.0 ? 0.0 : v; }

/// I_x(a, b) − p for the inverse, x in [0, 1] checked as incompleteBeta_ checks it. Above p = 0.99
/// it is formed as (1 − p) − (1 − I_x(a, b)) from the upper tail computed directly (1 − p is exact
/// there), since I itself rounds to within 2^-53 of 1 and leaves the root undetermined. The
/// exact-complement evaluation takes over where the rounding of 1 − x costs the root more than
/// 1e-10 relative.
class BetaResidual {
 public:
  BetaResidual(double beta, double a, double b, double p);
  double operator()(double x) const;
  bool upper() const { return upper_; }

 private:
  double beta_, a_, b_, p_;
  bool upper_;
  double lossLimit_;
};

/// Where a Halley run stopped short of the root: the x with I_x(a, b) = p found by Newton steps
/// safeguarded by bisection (on a logarithmic scale near 0 and near 1), starting from x.
double refineInvIncompleteBeta(double beta, double a, double b, double p, double x);

}  // namespace Numeric::SpecFunctions::detail
