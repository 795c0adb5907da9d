// SPDX-License-Identifier: MIT
// Series.cpp: the type-erased double forms of the series summations, compiled with the library's
// flags (no contraction into fused multiply-adds) so that their bits do not depend on the caller.
#include "NoContraction.hpp"  // first: no fused multiply-add in this unit, whatever the flags

#include <Numeric/Series.hpp>

namespace Numeric::Series {

double sumSeries(const AnySequence<double>& q) { return sumSeries<AnySequence<double>>(q); }

double sumPowerSeries(double x, const AnySequence<double>& a)
{
    return sumPowerSeries<AnySequence<double>>(x, a);
}

double evalContFractionB(const AnySequence<std::pair<double, double>>& q)
{
    return evalContFractionB<AnySequence<std::pair<double, double>>>(q);
}

} // namespace Numeric::Series
