// SPDX-License-Identifier: MIT
// Numeric/Veltro/Constants.hpp: named binary64 constants, each with its exact bit pattern.
//   double lnSqrt2Pi = Numeric::Veltro::Constants::m_ln_sqrt_2_pi;
#pragma once

#include <veltro/export.hpp>

#include <bit>
#include <cstdint>
#include <limits>

namespace Numeric::Veltro::Constants {

namespace detail {
constexpr double fromBits(std::uint64_t w) { return std::bit_cast<double>(w); }
} // namespace detail

/// Largest finite double, 1.7976931348623157e308.
inline constexpr double m_huge = 1.7976931348623157e308;
/// Smallest positive normalised double 2^-1022 (not the smallest subnormal).
inline constexpr double m_tiny = 2.2250738585072014e-308;
/// Largest binary exponent of a double.
inline constexpr std::int64_t m_max_exp = 1024;
/// Positive infinity.
inline constexpr double m_pos_inf = detail::fromBits(0x7ff0000000000000);
/// Negative infinity.
inline constexpr double m_neg_inf = detail::fromBits(0xfff0000000000000);
/// A quiet NaN; never compare it by bits.
inline constexpr double m_NaN = std::numeric_limits<double>::quiet_NaN();
/// ln(m_huge) = 709.78271289338397.
inline constexpr double m_max_log = detail::fromBits(0x40862e42fefa39ef);
/// ln(m_tiny) = -708.39641853226408.
inline constexpr double m_min_log = detail::fromBits(0xc086232bdd7abcd2);
/// sqrt(2) = 1.4142135623730951.
inline constexpr double m_sqrt_2 = detail::fromBits(0x3ff6a09e667f3bcd);
/// sqrt(2 pi) = 2.5066282746310007.
inline constexpr double m_sqrt_2_pi = detail::fromBits(0x40040d931ff62706);
/// 2/sqrt(pi) = 1.1283791670955126.
inline constexpr double m_2_sqrt_pi = detail::fromBits(0x3ff20dd750429b6d);
/// 1/sqrt(2) = 0.70710678118654757.
inline constexpr double m_1_sqrt_2 = detail::fromBits(0x3fe6a09e667f3bcd);
/// 2^-52, the distance from 1.0 to the next larger double.
inline constexpr double m_epsilon = detail::fromBits(0x3cb0000000000000);
/// 2^-26, the square root of m_epsilon.
inline constexpr double m_sqrt_eps = detail::fromBits(0x3e50000000000000);
/// ln(sqrt(2 pi)) = 0.91893853320467278.
inline constexpr double m_ln_sqrt_2_pi = detail::fromBits(0x3fed67f1c864beb5);
/// Euler-Mascheroni constant 0.57721566490153287.
inline constexpr double m_eulerMascheroni = detail::fromBits(0x3fe2788cfc6fb619);

} // namespace Numeric::Veltro::Constants
