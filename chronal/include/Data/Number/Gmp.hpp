// SPDX-License-Identifier: MIT
// Data/Number/Gmp.hpp: conversions between Integer and GMP's mpz_class, for code that does its own
// GMP arithmetic (needs gmpxx: pkg-config gmpxx).
//   mpz_class z = Data::Number::Gmp::toMpz(n);
#pragma once
#include <chronal/export.hpp>

#include <Data/Number/Integer.hpp>
#include <gmpxx.h>

namespace Data::Number::Gmp {

/// The same value as an mpz_class.
CHRONAL_API mpz_class toMpz(const Integer& n);
/// The same value as an Integer (held inline when it fits 64 bits).
CHRONAL_API Integer fromMpz(const mpz_class& z);
/// The same as fromMpz, for a raw mpz_t.
CHRONAL_API Integer fromMpz(mpz_srcptr z);

}  // namespace Data::Number::Gmp
