// Numeric/SpecFunctions/Erf.hpp: (to be filled)
#pragma once
