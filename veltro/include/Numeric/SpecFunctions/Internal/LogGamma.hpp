// Numeric/SpecFunctions/Internal/LogGamma.hpp: (to be filled)
#pragma once
