// SPDX-License-Identifier: MIT
// tessel/export.hpp: the language check every public header of tessel makes first, and the macro that
// marks what the shared library exports (TESSEL_API). The library is built with hidden visibility,
// so a declaration without the macro stays private to the .so.
#pragma once

// The C routines of Data/Tessel/cbits.h are callable from C as well: only C++ must be C++20.
#if defined(__cplusplus) && __cplusplus < 202002L
#error "tessel needs C++20: compile with -std=c++20 or later (GCC 12 defaults to C++17)"
// Stop here: the rest of the header would only add errors that hide the one above.
#include <tessel-requires-cpp20> // IWYU pragma: keep
#endif

#if defined(_WIN32) || defined(__CYGWIN__)
#define TESSEL_API
#else
#define TESSEL_API __attribute__((visibility("default")))
#endif
