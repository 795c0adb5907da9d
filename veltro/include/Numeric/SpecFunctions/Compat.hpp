// SPDX-License-Identifier: MIT
// Numeric/SpecFunctions/Compat.hpp: the platform C library's error functions, bound under their
// own names.
//   double e = Numeric::SpecFunctions::Compat::c_erf(0.5);
#pragma once

#include <veltro/export.hpp>

namespace Numeric::SpecFunctions::Compat {

/// The platform erf(x).
VELTRO_API double c_erf(double x);
/// The platform erfc(x).
VELTRO_API double c_erfc(double x);

} // namespace Numeric::SpecFunctions::Compat
