// SPDX-License-Identifier: MIT
// Relative-error and ULP comparison of doubles.
#include "NoContraction.hpp"  // first: no fused multiply-add in this unit, whatever the flags

#include <Numeric/Veltro/Comparison.hpp>

#include <bit>
#include <cmath>

namespace Numeric::Veltro::Comparison {

namespace {

constexpr std::uint64_t signBit = std::uint64_t{1} << 63;

// Unsigned key ordered like the doubles: +0.0 -> 2^63, -0.0 -> 2^63 - 1.
std::uint64_t unsignedKey(double x)
{
    const auto w = std::bit_cast<std::uint64_t>(x);
    return w < signBit ? w + signBit : ~std::uint64_t{0} - w;
}

// Signed key: non-negative patterns map to themselves, negative ones to (2^63 - 1) - s with
// wrap-around, so -0.0 -> -1. The mapping is its own inverse.
std::uint64_t signedKey(std::uint64_t w)
{
    return static_cast<std::int64_t>(w) >= 0 ? w : (signBit - 1) - w;
}

} // namespace

double relativeError(double a, double b)
{
    if (a == 0.0 && b == 0.0) return 0.0;
    const double m = std::fabs(b) >= std::fabs(a) ? std::fabs(b) : std::fabs(a);
    return std::fabs(a - b) / m;
}

bool eqRelErr(double eps, double a, double b)
{
    return relativeError(a, b) < eps;
}

std::uint64_t ulpDistance(double a, double b)
{
    const std::uint64_t ka = unsignedKey(a);
    const std::uint64_t kb = unsignedKey(b);
    return ka > kb ? ka - kb : kb - ka;
}

std::int64_t ulpDelta(double a, double b)
{
    return static_cast<std::int64_t>(unsignedKey(b) - unsignedKey(a));
}

double addUlps(std::int64_t n, double x)
{
    const std::uint64_t k = signedKey(std::bit_cast<std::uint64_t>(x));
    const std::uint64_t moved = k + static_cast<std::uint64_t>(n);
    return std::bit_cast<double>(signedKey(moved));
}

bool within(std::int64_t n, double a, double b)
{
    if (n < 0) return false;
    return ulpDistance(a, b) <= static_cast<std::uint64_t>(n);
}

} // namespace Numeric::Veltro::Comparison
