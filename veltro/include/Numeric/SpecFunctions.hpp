// SPDX-License-Identifier: MIT
// Numeric/SpecFunctions.hpp: special functions of probability theory.
//   double lg = Numeric::SpecFunctions::logGamma(4.5);
#pragma once

#include <veltro/export.hpp>

#include <Numeric/SpecFunctions/LogGamma.hpp>
#include <Numeric/SpecFunctions/Auxiliary.hpp>
#include <Numeric/SpecFunctions/Erf.hpp>
#include <Numeric/SpecFunctions/IncompleteGamma.hpp>
#include <Numeric/SpecFunctions/Beta.hpp>
#include <Numeric/SpecFunctions/Factorial.hpp>
