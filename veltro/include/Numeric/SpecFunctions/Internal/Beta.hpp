// Numeric/SpecFunctions/Internal/Beta.hpp: (to be filled)
#pragma once
