// SPDX-License-Identifier: MIT
// Numeric/Veltro/Comparison.hpp: relative-error and units-in-the-last-place comparison of doubles.
//   bool close = Numeric::Veltro::Comparison::within(4, computed, expected);
//
// The ULP operations map a double's bit pattern to an integer key ordered like the doubles, with
// +0.0 and -0.0 one ULP apart. NaN is not special: it is mapped by its bit pattern.
#pragma once

#include <veltro/export.hpp>

#include <cstdint>

namespace Numeric::Veltro::Comparison {

/// |a - b| / max(|a|, |b|); 0 when both are zero (either sign), 1 when exactly one is zero,
/// NaN with a NaN argument.
VELTRO_API double relativeError(double a, double b);

/// True exactly when relativeError(a, b) < eps (false when the error is NaN).
VELTRO_API bool eqRelErr(double eps, double a, double b);

/// Number of doubles between a and b (0 for equal bits, 1 between +0.0 and -0.0).
VELTRO_API std::uint64_t ulpDistance(double a, double b);

/// Signed ULP difference b - a: positive when b lies above a; wraps for differences >= 2^63.
VELTRO_API std::int64_t ulpDelta(double a, double b);

/// The double n ULPs above x (below for negative n), stepping across zero through -0.0 and +0.0.
VELTRO_API double addUlps(std::int64_t n, double x);

/// True when n >= 0 and a and b are at most n ULPs apart.
VELTRO_API bool within(std::int64_t n, double a, double b);

} // namespace Numeric::Veltro::Comparison
