// SPDX-License-Identifier: MIT
// Peers.hpp: every special function of veltro beside its peers (glibc, Boost.Math in pure double,
// R's standalone math library, GSL), each wrapped as double(const double* args) so that the timing
// harness and the accuracy program call them the same way on the rows of bench/data. A peer is
// present only when it was found at configure time (HAVE_BOOST_MATH, HAVE_RMATH, HAVE_GSL).
//   for (const FunctionFile& fn : functions())
//       for (const Impl& impl : implementations(fn.function)) impl.f(args);
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include <Numeric/SpecFunctions.hpp>
#include <Numeric/SpecFunctions/Extra.hpp>
#include <Numeric/Veltro/Constants.hpp>

#include "AccuracyCsv.hpp"
#include "Plain.hpp"

#ifdef HAVE_BOOST_MATH
#include <boost/math/special_functions/beta.hpp>
#include <boost/math/special_functions/binomial.hpp>
#include <boost/math/special_functions/digamma.hpp>
#include <boost/math/special_functions/erf.hpp>
#include <boost/math/special_functions/gamma.hpp>
#include <boost/math/special_functions/log1p.hpp>
#endif
#ifdef HAVE_RMATH
#include <Rmath.h>
#endif
#ifdef HAVE_GSL
#include <gsl/gsl_cdf.h>
#include <gsl/gsl_errno.h>
#include <gsl/gsl_sf_erf.h>
#include <gsl/gsl_sf_gamma.h>
#include <gsl/gsl_sf_log.h>
#include <gsl/gsl_sf_psi.h>
#endif

namespace veltro::bench {

/// Every special function with its data file and number of arguments, in report order.
inline const std::vector<FunctionFile>& functions()
{
    static const std::vector<FunctionFile> fs{
        {"logGamma", "logGamma.csv", 1},          {"logGammaAS245", "logGamma.csv", 1},
        {"stirlingError", "stirlingError.csv", 1}, {"digamma", "digamma.csv", 1},
        {"log1pmx", "log1pmx.csv", 1},            {"erf", "erf.csv", 1},
        {"erfc", "erfc.csv", 1},                  {"invErf", "invErf.csv", 1},
        {"invErfc", "invErfc.csv", 1},            {"incompleteGamma", "incompleteGamma.csv", 2},
        {"invIncompleteGamma", "invIncompleteGamma.csv", 2}, {"logBeta", "logBeta.csv", 2},
        {"incompleteBeta", "incompleteBeta.csv", 3}, {"invIncompleteBeta", "invIncompleteBeta.csv", 3},
        {"factorial", "factorial.csv", 1},        {"logFactorial", "logFactorial.csv", 1},
        {"choose", "choose.csv", 2},              {"logChoose", "logChoose.csv", 2},
        {"bd0", "bd0.csv", 2}};
    return fs;
}

namespace peers {

namespace sf = Numeric::SpecFunctions;

inline std::int64_t asInt(double v) { return static_cast<std::int64_t>(v); }
inline unsigned asUnsigned(double v) { return static_cast<unsigned>(v); }
// choose and logChoose for k outside [0, n], for the peers that take only unsigned arguments.
inline bool outside(const double* a) { return a[1] > a[0] || a[1] < 0; }
inline double outsideChoose(const double* a) { return a[1] > a[0] ? 0.0 : std::nan(""); }

/// One implementation of one function.
struct Entry {
    const char* function;
    const char* impl;
    ArgsFn f;
};

#ifdef HAVE_BOOST_MATH
namespace bp = boost::math::policies;
// Pure double (no promotion to long double); errors answered with IEEE values, never thrown.
using PureDouble = bp::policy<bp::promote_double<false>, bp::pole_error<bp::ignore_error>,
                              bp::overflow_error<bp::ignore_error>, bp::underflow_error<bp::ignore_error>,
                              bp::domain_error<bp::ignore_error>, bp::evaluation_error<bp::ignore_error>>;
inline double boostLgamma(double x) { return boost::math::lgamma(x, PureDouble()); }
#endif

/// veltro first for every function, then its plain transcription where there is one, then the
/// peers in a fixed order (glibc, Boost, R, GSL).
inline const std::vector<Entry>& entries()
{
    static const std::vector<Entry> e{
        {"logGamma", "veltro", [](const double* a) { return sf::logGamma(a[0]); }},
        {"logGammaAS245", "veltro", [](const double* a) { return sf::Extra::logGammaAS245(a[0]); }},
        {"stirlingError", "veltro", [](const double* a) { return sf::stirlingError(a[0]); }},
        {"digamma", "veltro", [](const double* a) { return sf::digamma(a[0]); }},
        {"log1pmx", "veltro", [](const double* a) { return sf::log1pmx(a[0]); }},
        {"erf", "veltro", [](const double* a) { return sf::erf(a[0]); }},
        {"erfc", "veltro", [](const double* a) { return sf::erfc(a[0]); }},
        {"invErf", "veltro", [](const double* a) { return sf::invErf(a[0]); }},
        {"invErfc", "veltro", [](const double* a) { return sf::invErfc(a[0]); }},
        {"incompleteGamma", "veltro", [](const double* a) { return sf::incompleteGamma(a[0], a[1]); }},
        {"invIncompleteGamma", "veltro", [](const double* a) { return sf::invIncompleteGamma(a[0], a[1]); }},
        {"logBeta", "veltro", [](const double* a) { return sf::logBeta(a[0], a[1]); }},
        {"incompleteBeta", "veltro", [](const double* a) { return sf::incompleteBeta(a[0], a[1], a[2]); }},
        {"invIncompleteBeta", "veltro", [](const double* a) { return sf::invIncompleteBeta(a[0], a[1], a[2]); }},
        {"factorial", "veltro", [](const double* a) { return sf::factorial(asInt(a[0])); }},
        {"logFactorial", "veltro", [](const double* a) { return sf::logFactorial(asInt(a[0])); }},
        {"choose", "veltro", [](const double* a) { return sf::choose(asInt(a[0]), asInt(a[1])); }},
        {"logChoose", "veltro", [](const double* a) { return sf::logChoose(asInt(a[0]), asInt(a[1])); }},
        {"bd0", "veltro", [](const double* a) { return sf::Extra::bd0(a[0], a[1]); }},

        // The documented algorithm transcribed literally (Plain.hpp), where veltro trails a peer.
        {"digamma", "plain", [](const double* a) { return plain::digamma(a[0]); }},
        {"log1pmx", "plain", [](const double* a) { return plain::log1pmx(a[0]); }},
        {"invErf", "plain", [](const double* a) { return plain::invErf(a[0]); }},
        {"invErfc", "plain", [](const double* a) { return plain::invErfc(a[0]); }},
        {"incompleteBeta", "plain", [](const double* a) { return plain::incompleteBeta(a[0], a[1], a[2]); }},
        {"invIncompleteBeta", "plain", [](const double* a) { return plain::invIncompleteBeta(a[0], a[1], a[2]); }},

        {"logGamma", "glibc", [](const double* a) { return std::lgamma(a[0]); }},
        {"logGammaAS245", "glibc lgamma", [](const double* a) { return std::lgamma(a[0]); }},
        // Stirling's error through lgamma, as a caller without stirlingError would write it.
        {"stirlingError", "glibc lgamma formula", [](const double* a) {
             return std::lgamma(a[0] + 1.0) - (a[0] + 0.5) * std::log(a[0]) + a[0] -
                    Numeric::Veltro::Constants::m_ln_sqrt_2_pi;
         }},
        {"log1pmx", "glibc log1p(x) - x", [](const double* a) { return std::log1p(a[0]) - a[0]; }},
        {"erf", "glibc", [](const double* a) { return std::erf(a[0]); }},
        {"erfc", "glibc", [](const double* a) { return std::erfc(a[0]); }},
        {"logBeta", "glibc lgamma sum",
         [](const double* a) { return std::lgamma(a[0]) + std::lgamma(a[1]) - std::lgamma(a[0] + a[1]); }},
        {"logFactorial", "glibc lgamma(n+1)", [](const double* a) { return std::lgamma(a[0] + 1.0); }},
        // The textbook formula, for the cost of the operations bd0 replaces.
        {"bd0", "plain formula", [](const double* a) { return a[0] * std::log(a[0] / a[1]) + a[1] - a[0]; }},
#ifdef HAVE_BOOST_MATH
        {"logGamma", "Boost (double)", [](const double* a) { return boostLgamma(a[0]); }},
        {"digamma", "Boost (double)", [](const double* a) { return boost::math::digamma(a[0], PureDouble()); }},
        {"log1pmx", "Boost (double)", [](const double* a) { return boost::math::log1pmx(a[0], PureDouble()); }},
        {"erf", "Boost (double)", [](const double* a) { return boost::math::erf(a[0], PureDouble()); }},
        {"erfc", "Boost (double)", [](const double* a) { return boost::math::erfc(a[0], PureDouble()); }},
        {"invErf", "Boost (double)", [](const double* a) { return boost::math::erf_inv(a[0], PureDouble()); }},
        {"invErfc", "Boost (double)", [](const double* a) { return boost::math::erfc_inv(a[0], PureDouble()); }},
        {"incompleteGamma", "Boost (double)",
         [](const double* a) { return boost::math::gamma_p(a[0], a[1], PureDouble()); }},
        {"invIncompleteGamma", "Boost (double)",
         [](const double* a) { return boost::math::gamma_p_inv(a[0], a[1], PureDouble()); }},
        {"logBeta", "Boost (double) lgamma sum",
         [](const double* a) { return boostLgamma(a[0]) + boostLgamma(a[1]) - boostLgamma(a[0] + a[1]); }},
        {"incompleteBeta", "Boost (double)",
         [](const double* a) { return boost::math::ibeta(a[0], a[1], a[2], PureDouble()); }},
        {"invIncompleteBeta", "Boost (double)",
         [](const double* a) { return boost::math::ibeta_inv(a[0], a[1], a[2], PureDouble()); }},
        {"logFactorial", "Boost (double) lgamma(n+1)", [](const double* a) { return boostLgamma(a[0] + 1.0); }},
        {"choose", "Boost (double)", [](const double* a) {
             return outside(a) ? outsideChoose(a)
                               : boost::math::binomial_coefficient<double>(asUnsigned(a[0]), asUnsigned(a[1]),
                                                                           PureDouble());
         }},
#endif
#ifdef HAVE_RMATH
        {"logGamma", "R lgammafn", [](const double* a) { return ::lgammafn(a[0]); }},
        {"logGammaAS245", "R lgammafn", [](const double* a) { return ::lgammafn(a[0]); }},
        {"digamma", "R digamma", [](const double* a) { return ::digamma(a[0]); }},
        {"log1pmx", "R log1pmx", [](const double* a) { return ::log1pmx(a[0]); }},
        {"incompleteGamma", "R pgamma", [](const double* a) { return ::pgamma(a[1], a[0], 1.0, 1, 0); }},
        {"invIncompleteGamma", "R qgamma", [](const double* a) { return ::qgamma(a[1], a[0], 1.0, 1, 0); }},
        {"logBeta", "R lbeta", [](const double* a) { return ::lbeta(a[0], a[1]); }},
        {"incompleteBeta", "R pbeta", [](const double* a) { return ::pbeta(a[2], a[0], a[1], 1, 0); }},
        {"invIncompleteBeta", "R qbeta", [](const double* a) { return ::qbeta(a[2], a[0], a[1], 1, 0); }},
        {"logFactorial", "R lgammafn(n+1)", [](const double* a) { return ::lgammafn(a[0] + 1.0); }},
        {"choose", "R choose", [](const double* a) { return ::choose(a[0], a[1]); }},
        {"logChoose", "R lchoose", [](const double* a) { return ::lchoose(a[0], a[1]); }},
#endif
#ifdef HAVE_GSL
        {"logGamma", "GSL", [](const double* a) { return gsl_sf_lngamma(a[0]); }},
        {"digamma", "GSL", [](const double* a) { return gsl_sf_psi(a[0]); }},
        {"log1pmx", "GSL", [](const double* a) { return gsl_sf_log_1plusx_mx(a[0]); }},
        {"erf", "GSL", [](const double* a) { return gsl_sf_erf(a[0]); }},
        {"erfc", "GSL", [](const double* a) { return gsl_sf_erfc(a[0]); }},
        {"incompleteGamma", "GSL", [](const double* a) { return gsl_sf_gamma_inc_P(a[0], a[1]); }},
        {"invIncompleteGamma", "GSL", [](const double* a) { return gsl_cdf_gamma_Pinv(a[1], a[0], 1.0); }},
        {"logBeta", "GSL", [](const double* a) { return gsl_sf_lnbeta(a[0], a[1]); }},
        {"incompleteBeta", "GSL", [](const double* a) { return gsl_sf_beta_inc(a[0], a[1], a[2]); }},
        {"invIncompleteBeta", "GSL", [](const double* a) { return gsl_cdf_beta_Pinv(a[2], a[0], a[1]); }},
        {"logFactorial", "GSL", [](const double* a) { return gsl_sf_lnfact(asUnsigned(a[0])); }},
        {"choose", "GSL", [](const double* a) {
             return outside(a) ? outsideChoose(a) : gsl_sf_choose(asUnsigned(a[0]), asUnsigned(a[1]));
         }},
        {"logChoose", "GSL", [](const double* a) {
             if (outside(a)) return a[1] > a[0] ? -INFINITY : std::nan("");
             return gsl_sf_lnchoose(asUnsigned(a[0]), asUnsigned(a[1]));
         }},
#endif
    };
    return e;
}

} // namespace peers

/// veltro first, then the peers that are installed and have the function.
inline std::vector<Impl> implementations(const std::string& function)
{
    std::vector<Impl> out;
    for (const peers::Entry& e : peers::entries())
        if (function == e.function) out.push_back({e.impl, e.f});
    return out;
}

/// The peers this binary was built without (with their Debian packages), or "none".
inline std::string missingPeers()
{
    std::string m;
#ifndef HAVE_BOOST_MATH
    m += " Boost.Math (libboost-math1.74-dev)";
#endif
#ifndef HAVE_RMATH
    m += " R-mathlib (r-mathlib)";
#endif
#ifndef HAVE_GSL
    m += " GSL (libgsl-dev)";
#endif
    return m.empty() ? "none" : m.substr(1);
}

/// Says which peers are missing (on stderr, so that the CSV on stdout stays clean) and turns off
/// GSL's abort-on-error handler.
inline void setUpPeers()
{
    std::fprintf(stderr, "peers missing, not measured: %s\n", missingPeers().c_str());
#ifdef HAVE_GSL
    gsl_set_error_handler_off();
#endif
}

} // namespace veltro::bench
