// SPDX-License-Identifier: MIT
// The double instantiations of the generic polynomial forms, compiled here with contraction of
// a*b+c disabled so that every caller gets the same bits.
#include "NoContraction.hpp"  // first: no fused multiply-add in this unit, whatever the flags

#include <Numeric/Polynomial.hpp>

namespace Numeric::Polynomial {

template double evaluatePolynomial<double>(double, std::span<const double>);
template double evaluateEvenPolynomial<double>(double, std::span<const double>);
template double evaluateOddPolynomial<double>(double, std::span<const double>);
template double evaluatePolynomialL<double>(double, std::initializer_list<double>);
template double evaluateEvenPolynomialL<double>(double, std::initializer_list<double>);
template double evaluateOddPolynomialL<double>(double, std::initializer_list<double>);

} // namespace Numeric::Polynomial
