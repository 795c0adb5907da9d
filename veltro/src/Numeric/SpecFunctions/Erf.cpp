// SPDX-License-Identifier: MIT
// Erf.cpp: the error functions and their inverses by a rational guess and two Halley steps.
#include "NoContraction.hpp"  // first: no fused multiply-add in this unit, whatever the flags

#include <Numeric/SpecFunctions/Erf.hpp>
#include <Numeric/SpecFunctions/Internal/Erf.hpp>

#include "Messages.hpp"

#include <Numeric/SpecFunctions/Auxiliary.hpp>
#include <Numeric/Veltro/Constants.hpp>

#include <math.h>

#include <cmath>
#include <stdexcept>

namespace Numeric::SpecFunctions {

double erf(double x) { return ::erf(x); }
double erfc(double x) { return ::erfc(x); }

namespace {
using namespace Numeric::Veltro::Constants;

// The two ingredients, inlined into invErf and invErfc (the exported Internal functions are
// reached through the symbol table and cannot be inlined).
inline double guess(double p)
{
    const double l = std::log(0.5 * p);
    const double t = std::sqrt(-(l + l));
    return -0.70711 * ((2.30753 + t * 0.27061) / (1 + t * (0.99229 + t * 0.04481)) - t);
}

inline double halleyStep(double err, double x) { return x + err / (m_2_sqrt_pi * std::exp(-x * x) - x * err); }

} // namespace

namespace Internal {

double guessInvErfc(double p) { return guess(p); }

double invErfcHalleyStep(double err, double x) { return halleyStep(err, x); }

} // namespace Internal

double invErfc(double p)
{
    if (p == 2) return m_neg_inf;
    if (p == 0) return m_pos_inf;
    if (!(p > 0 && p < 2)) Internal::modErr(msg::invErfcRange(p));
    const double pp = p <= 1 ? p : 2 - p;
    double x = guess(pp);
    // The residual erfc(x) - pp. Close to pp = 1 (x close to 0) erfc(x) rounds to within 2^-53 of
    // 1, which leaves only a few correct digits of x; there the same residual is formed as
    // (1 - pp) - erf(x), where 1 - pp is exact.
    const bool nearOne = pp > 0.99;
    const double q = 1 - pp;
    for (int j = 0; j < 2; ++j) {
        const double err = nearOne ? q - ::erf(x) : ::erfc(x) - pp;
        x = halleyStep(err, x);
    }
    return p <= 1 ? x : -x;
}

double invErf(double p)
{
    if (p == 1) return m_pos_inf;
    if (p == -1) return m_neg_inf;
    if (!(p > -1 && p < 1)) msg::fail<std::domain_error>(msg::invErfRange);
    const double ap = std::abs(p);
    const double q = 1 - ap;
    // Below 2^-60, 1 - |p| no longer carries |p| and the guess is a fixed 2.4e-6, from which two
    // steps cannot reach the root (they even give the wrong sign below 1e-33); start from the
    // first-order root |p| / (2/sqrt(pi)) instead.
    double x = ap < 0x1p-60 ? ap / m_2_sqrt_pi : guess(q);
    // The residual |p| - erf(x). Close to |p| = 1 erf(x) rounds to within 2^-53 of 1, which leaves
    // only a few correct digits of x; there the same residual is formed as erfc(x) - (1 - |p|),
    // where 1 - |p| is exact.
    const bool nearOne = ap > 0.99;
    for (int j = 0; j < 2; ++j) {
        const double err = nearOne ? ::erfc(x) - q : ap - ::erf(x);
        x = halleyStep(err, x);
    }
    return p > 0 ? x : -x;
}

} // namespace Numeric::SpecFunctions
