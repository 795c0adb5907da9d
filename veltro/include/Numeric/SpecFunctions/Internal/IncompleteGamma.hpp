// Numeric/SpecFunctions/Internal/IncompleteGamma.hpp: (to be filled)
#pragma once
