// Numeric/SpecFunctions/LogGamma.hpp: (to be filled)
#pragma once
