// SPDX-License-Identifier: MIT
// Compat.cpp: the platform error functions under their own names.
#include "NoContraction.hpp"  // first: no fused multiply-add in this unit, whatever the flags

#include <Numeric/SpecFunctions/Compat.hpp>

#include <math.h>

namespace Numeric::SpecFunctions::Compat {

double c_erf(double x) { return ::erf(x); }
double c_erfc(double x) { return ::erfc(x); }

} // namespace Numeric::SpecFunctions::Compat
