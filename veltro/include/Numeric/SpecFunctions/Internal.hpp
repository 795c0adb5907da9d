// SPDX-License-Identifier: MIT
// Numeric/SpecFunctions/Internal.hpp: the building blocks of the special functions
// (rational approximations, series workers, first guesses), for testing and reuse.
//   double r = Numeric::SpecFunctions::Internal::lgamma2_3(2.5);
#pragma once

#include <veltro/export.hpp>

#include <Numeric/SpecFunctions.hpp>
#include <Numeric/SpecFunctions/Internal/LogGamma.hpp>
#include <Numeric/SpecFunctions/Internal/Erf.hpp>
#include <Numeric/SpecFunctions/Internal/IncompleteGamma.hpp>
#include <Numeric/SpecFunctions/Internal/Beta.hpp>
