// Numeric/SpecFunctions/IncompleteGamma.hpp: (to be filled)
#pragma once
