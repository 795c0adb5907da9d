// SPDX-License-Identifier: MIT
// Numeric/SpecFunctions/Factorial.hpp: factorials, their logarithms and binomial coefficients as
// doubles, for integer arguments.
//   double c = Numeric::SpecFunctions::choose(10, 3);   // 120
#pragma once

#include <veltro/export.hpp>

#include <concepts>
#include <cstdint>
#include <type_traits>

namespace Numeric::SpecFunctions {

namespace detail {
// ln n! for n >= 0 (table logarithm up to 170, Stirling's series above).
VELTRO_API double logFactorialNonNegative(std::uint64_t n);
[[noreturn]] VELTRO_API void logFactorialNegative();
}  // namespace detail

/// n! as a double: +Infinity for n > 170. Throws std::domain_error
/// "Numeric.SpecFunctions.factorial: negative input" for n < 0.
VELTRO_API double factorial(std::int64_t n);

/// ln n! for any integer type, the same value for the same n whatever the type. Throws
/// std::domain_error "Numeric.SpecFunctions.logFactorial: negative input" for n < 0.
template <std::integral I>
  requires(!std::same_as<std::remove_cv_t<I>, bool>)
double logFactorial(I n) {
  if constexpr (std::is_signed_v<I>) {
    if (n < 0) detail::logFactorialNegative();
  }
  return detail::logFactorialNonNegative(static_cast<std::uint64_t>(n));
}

/// Binomial coefficient C(n, k) as a double: 0 for k > n, exact integers while they fit in 2^63
/// (product formula below k = 50, rounded exp(-ln B) above), 1 for negative k <= n. Never fails.
VELTRO_API double choose(std::int64_t n, std::int64_t k);

/// ln C(n, k): -Infinity for k > n; ln of the product formula for min(k, n - k) < 50 and
/// n < 20000000, logChooseFast otherwise. Never fails.
VELTRO_API double logChoose(std::int64_t n, std::int64_t k);

}  // namespace Numeric::SpecFunctions

namespace Numeric::SpecFunctions::Internal {

/// n! for n = 0..170 (entry n), the largest range of finite factorials. Entries from 23 on are n!
/// rounded toward zero: the correctly rounded value or the double one unit below it.
extern VELTRO_API const double factorialTable[171];

/// C(n, k) by the product formula ((n-k)+1)·((n-k)+2)/2·…; n for k = 1, 1 for k <= 0.
VELTRO_API double chooseExact(std::int64_t n, std::int64_t k);

/// ln C(n, k) = -ln(n + 1) - logBeta(n - k + 1, k + 1), for doubles.
VELTRO_API double logChooseFast(double n, double k);

}  // namespace Numeric::SpecFunctions::Internal
