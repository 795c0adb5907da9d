// Numeric/SpecFunctions/Factorial.hpp: (to be filled)
#pragma once
