// SPDX-License-Identifier: MIT
// Messages.hpp (private): veltro's fixed failure texts, the one function that throws them, and the
// two renderings of a double that messages and textual renderings use.
//   msg::fail<std::domain_error>(msg::modErr("logBeta: ..."));
#pragma once

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>

// Kept under Numeric so that the inline helpers cannot collide with another library's `msg`.
namespace Numeric::msg {

/// Throws an exception of type E (std::invalid_argument by default) whose what() is text, unchanged.
template <class E = std::invalid_argument>
[[noreturn]] inline void fail(std::string_view text)
{
    throw E(std::string(text));
}

/// The printf "%g" rendering of x, as messages with a printf-style format use it.
inline std::string showG(double x)
{
    std::array<char, 32> buf{};
    const int n = std::snprintf(buf.data(), buf.size(), "%g", x);
    return std::string(buf.data(), static_cast<std::size_t>(n));
}

/// The standard rendering of x: the shortest decimal that reads back as the same double;
/// "Infinity", "-Infinity" and "NaN" by name.
inline std::string showDouble(double x)
{
    if (std::isnan(x)) return "NaN";
    if (std::isinf(x)) return x > 0 ? "Infinity" : "-Infinity";
    std::array<char, 32> buf{};
    const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), x);
    return std::string(buf.data(), res.ptr);
}

// ---- Numeric.Sum --------------------------------------------------------------------------------
inline constexpr std::string_view stimesNonPositive = "stimes: positive multiplier expected";

// ---- Numeric.Polynomial.Chebyshev ---------------------------------------------------------------
inline constexpr std::string_view chebyshevEmpty =
    "Numeric.Polynomial.Chebyshev.chebyshev: empty coefficient vector";

// ---- Numeric.SpecFunctions (log-gamma family) ---------------------------------------------------
inline constexpr std::string_view stirlingErrorIndex =
    "Numeric.SpecFunctions.stirlingError: index out of bounds: no table entry for a negative half-integer";

// Other modules append their sections below.

// ---- Numeric.SpecFunctions (beta family, factorials) --------------------------------------------
inline constexpr std::string_view factorialNegative = "Numeric.SpecFunctions.factorial: negative input";
inline constexpr std::string_view logFactorialNegative =
    "Numeric.SpecFunctions.logFactorial: negative input";
// The four texts below go through modErr, which puts "Numeric.SpecFunctions." in front.
inline std::string incompleteBetaShapes(double p, double q, double x)
{
    return "incompleteBeta_: p <= 0 || q <= 0. p=" + showG(p) + " q=" + showG(q) + " x=" + showG(x);
}
inline std::string incompleteBetaRange(double p, double q, double x)
{
    return "incompleteBeta_: x out of [0,1] range. p=" + showG(p) + " q=" + showG(q) +
           " x=" + showG(x);
}
inline std::string invIncompleteBetaShapes(double p, double q, double a)
{
    return "invIncompleteBeta p <= 0 || q <= 0.  p=" + showG(p) + " q=" + showG(q) +
           " a=" + showG(a);
}
inline std::string invIncompleteBetaRange(double p, double q, double a)
{
    return "invIncompleteBeta x must be in [0,1].  p=" + showG(p) + " q=" + showG(q) +
           " a=" + showG(a);
}

// ---- Numeric.SpecFunctions (auxiliary functions, error function, incomplete gamma) --------------
/// What modErr puts in front of its text.
inline constexpr std::string_view specFunctionsPrefix = "Numeric.SpecFunctions.";
inline constexpr std::string_view log1pmxDomain = "Domain error";
inline constexpr std::string_view invErfRange = "invErf: p must in [-1,1] range";
// The texts below up to the incompleteGamma one go through modErr.
inline std::string log2NonPositive(long long n) { return "log2: nonpositive input, got " + std::to_string(n); }
inline std::string invErfcRange(double p) { return "invErfc: p must be in [0,2] got " + showDouble(p); }
inline std::string invIncompleteGammaShape(double a, double p)
{
    return "invIncompleteGamma: a must be positive. a=" + showG(a) + " p=" + showG(p);
}
inline std::string invIncompleteGammaRange(double a, double p)
{
    return "invIncompleteGamma: p must be in [0,1] range. a=" + showG(a) + " p=" + showG(p);
}
/// Raised directly, without the modErr prefix.
inline std::string incompleteGammaDomain(double a, double x)
{
    return "incompleteGamma: Domain error z=" + showDouble(a) + " x=" + showDouble(x);
}

} // namespace Numeric::msg
