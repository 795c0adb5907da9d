// SPDX-License-Identifier: MIT
// Numeric/Polynomial.hpp: Horner evaluation of polynomials given by coefficients, lowest degree first.
//   double y = Numeric::Polynomial::evaluatePolynomial(2.0, std::span<const double>(coeffs)); // c0 + x(c1 + ...)
//
// Generic over any element type with a value-initialised zero, + and *. The double instantiations
// are compiled inside the library (with contraction of a*b+c disabled) and declared extern here, so
// the results do not depend on the caller's compiler flags.
#pragma once

#include <veltro/export.hpp>

#include <initializer_list>
#include <iterator>
#include <ranges>
#include <span>
#include <type_traits>
#include <vector>

namespace Numeric::Polynomial {

/// c0 + x*(c1 + x*(c2 + ...)) by Horner's scheme, each step one multiplication then one addition;
/// zero for an empty c.
template <class T>
T evaluatePolynomial(T x, std::type_identity_t<std::span<const T>> c)
{
    const std::size_t n = c.size();
    if (n == 0) return T{};
    T r = c[n - 1];
    for (std::size_t i = n - 1; i-- > 0;) {
        r = c[i] + r * x;
    }
    return r;
}

/// c0 + c1*x^2 + c2*x^4 + ...: evaluatePolynomial at x*x.
template <class T>
T evaluateEvenPolynomial(T x, std::type_identity_t<std::span<const T>> c)
{
    const T x2 = x * x;
    return evaluatePolynomial<T>(x2, c);
}

/// c0*x + c1*x^3 + c2*x^5 + ...: x * evaluatePolynomial at x*x (x*0 for an empty c).
template <class T>
T evaluateOddPolynomial(T x, std::type_identity_t<std::span<const T>> c)
{
    const T x2 = x * x;
    return x * evaluatePolynomial<T>(x2, c);
}

/// List form of evaluatePolynomial.
template <class T>
T evaluatePolynomialL(T x, std::initializer_list<T> c)
{
    return evaluatePolynomial<T>(x, std::span<const T>(c.begin(), c.size()));
}
/// List form of evaluateEvenPolynomial.
template <class T>
T evaluateEvenPolynomialL(T x, std::initializer_list<T> c)
{
    return evaluateEvenPolynomial<T>(x, std::span<const T>(c.begin(), c.size()));
}
/// List form of evaluateOddPolynomial.
template <class T>
T evaluateOddPolynomialL(T x, std::initializer_list<T> c)
{
    return evaluateOddPolynomial<T>(x, std::span<const T>(c.begin(), c.size()));
}

/// List forms over any input range: the range is copied into a vector, then evaluated.
template <class T, std::ranges::input_range R>
    requires std::convertible_to<std::ranges::range_value_t<R>, T>
T evaluatePolynomialL(T x, R&& c)
{
    const std::vector<T> v(std::ranges::begin(c), std::ranges::end(c));
    return evaluatePolynomial<T>(x, std::span<const T>(v));
}
template <class T, std::ranges::input_range R>
    requires std::convertible_to<std::ranges::range_value_t<R>, T>
T evaluateEvenPolynomialL(T x, R&& c)
{
    const std::vector<T> v(std::ranges::begin(c), std::ranges::end(c));
    return evaluateEvenPolynomial<T>(x, std::span<const T>(v));
}
template <class T, std::ranges::input_range R>
    requires std::convertible_to<std::ranges::range_value_t<R>, T>
T evaluateOddPolynomialL(T x, R&& c)
{
    const std::vector<T> v(std::ranges::begin(c), std::ranges::end(c));
    return evaluateOddPolynomial<T>(x, std::span<const T>(v));
}

extern template VELTRO_API double evaluatePolynomial<double>(double, std::span<const double>);
extern template VELTRO_API double evaluateEvenPolynomial<double>(double, std::span<const double>);
extern template VELTRO_API double evaluateOddPolynomial<double>(double, std::span<const double>);
extern template VELTRO_API double evaluatePolynomialL<double>(double, std::initializer_list<double>);
extern template VELTRO_API double evaluateEvenPolynomialL<double>(double, std::initializer_list<double>);
extern template VELTRO_API double evaluateOddPolynomialL<double>(double, std::initializer_list<double>);

} // namespace Numeric::Polynomial
