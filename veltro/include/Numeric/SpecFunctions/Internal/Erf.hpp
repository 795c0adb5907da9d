// Numeric/SpecFunctions/Internal/Erf.hpp: (to be filled)
#pragma once
