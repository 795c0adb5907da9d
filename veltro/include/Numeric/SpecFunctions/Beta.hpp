// Numeric/SpecFunctions/Beta.hpp: (to be filled)
#pragma once
