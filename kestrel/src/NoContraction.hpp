// SPDX-License-Identifier: MIT
// NoContraction.hpp (private): included first by every source unit of the library, whose arithmetic
// is specified to the bit. From here to the end of the unit no product is fused with a sum into a
// multiply-add, whatever flags the unit is compiled with: the project's build passes
// -ffp-contract=off, but a consumer compiling the sources in its own build may not, and GCC
// contracts by default (-ffp-contract=fast) on any target with FMA, Clang within an expression.
#pragma once

#if defined(__clang__)
#pragma STDC FP_CONTRACT OFF
#elif defined(__GNUC__)
// GCC ignores the standard pragma in C++; its optimize pragma sets the option for every function
// defined below, inline functions of the headers included after this one as well.
#pragma GCC optimize("fp-contract=off")
#endif
