// SPDX-License-Identifier: MIT
// Numeric/Polynomial/Chebyshev.hpp: Chebyshev series by Clenshaw's recurrence, in two conventions.
//   double y = Numeric::Polynomial::Chebyshev::chebyshev(0.5, std::span<const double>(coeffs));
#pragma once

#include <veltro/export.hpp>

#include <span>

namespace Numeric::Polynomial::Chebyshev {

/// a0 + sum_{k>=1} a_k T_k(x) (first coefficient not halved). Infinite x gives NaN.
/// Throws std::out_of_range("Numeric.Polynomial.Chebyshev.chebyshev: empty coefficient vector")
/// for an empty a.
VELTRO_API double chebyshev(double x, std::span<const double> a);

/// a0/2 + sum_{k>=1} a_k T_k(x) (Broucke's form, first coefficient halved); 0 for an empty a.
VELTRO_API double chebyshevBroucke(double x, std::span<const double> a);

} // namespace Numeric::Polynomial::Chebyshev
