// SPDX-License-Identifier: MIT
// Numeric/SpecFunctions/Compat.hpp: the platform C library's error functions, bound under their
// own names.
//   double e = Numeric::SpecFunctions::Compat::c_erf(0.5);
#pragma once

namespace Numeric::SpecFunctions::Compat {

/// The platform erf(x).
double c_erf(double x);
/// The platform erfc(x).
double c_erfc(double x);

} // namespace Numeric::SpecFunctions::Compat
