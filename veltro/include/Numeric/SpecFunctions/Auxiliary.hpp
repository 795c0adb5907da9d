// Numeric/SpecFunctions/Auxiliary.hpp: (to be filled)
#pragma once
