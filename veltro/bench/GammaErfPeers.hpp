// GammaErfPeers.hpp: the peer implementations that veltro's incomplete gamma, digamma, log1pmx and
// inverse error function benchmarks and accuracy report compare against, each present only when
// the peer was found at configure time (HAVE_BOOST_MATH, HAVE_RMATH, HAVE_GSL).
//   for (const Impl1& f : digammaImpls()) f.fn(0.5);
#pragma once

#include <Numeric/SpecFunctions.hpp>

#include <string>
#include <vector>

#ifdef HAVE_BOOST_MATH
#include <boost/math/special_functions/digamma.hpp>
#include <boost/math/special_functions/erf.hpp>
#include <boost/math/special_functions/gamma.hpp>
#include <boost/math/special_functions/log1p.hpp>
#endif
#ifdef HAVE_GSL
#include <gsl/gsl_cdf.h>
#include <gsl/gsl_errno.h>
#include <gsl/gsl_sf_gamma.h>
#include <gsl/gsl_sf_log.h>
#include <gsl/gsl_sf_psi.h>
#endif
#ifdef HAVE_RMATH
// The standalone library exports these under their plain C names (declared here so that no
// header macro can rename anything).
extern "C" {
double pgamma(double x, double shape, double scale, int lower, int logp);
double qgamma(double p, double shape, double scale, int lower, int logp);
double digamma(double x);
double log1pmx(double x);
}
#endif

namespace veltro::bench {

/// One implementation of a one-argument function.
struct Impl1 {
    std::string name;
    double (*fn)(double);
};
/// One implementation of a two-argument function.
struct Impl2 {
    std::string name;
    double (*fn)(double, double);
};

#ifdef HAVE_BOOST_MATH
namespace boostpeer {
using namespace boost::math::policies;
// Pure double (no promotion to long double) and no exceptions: the peer's fastest setting.
using Double = policy<promote_double<false>, domain_error<ignore_error>, pole_error<ignore_error>,
                      overflow_error<ignore_error>, evaluation_error<ignore_error>>;
inline double gammaP(double a, double x) { return boost::math::gamma_p(a, x, Double()); }
inline double gammaPInv(double a, double p) { return boost::math::gamma_p_inv(a, p, Double()); }
inline double digamma(double x) { return boost::math::digamma(x, Double()); }
inline double erfInv(double p) { return boost::math::erf_inv(p, Double()); }
inline double erfcInv(double p) { return boost::math::erfc_inv(p, Double()); }
inline double log1pmx(double x) { return boost::math::log1pmx(x, Double()); }
} // namespace boostpeer
#endif

#ifdef HAVE_GSL
namespace gslpeer {
inline void quiet() { gsl_set_error_handler_off(); }
inline double gammaIncP(double a, double x) { return gsl_sf_gamma_inc_P(a, x); }
inline double gammaPinv(double a, double p) { return gsl_cdf_gamma_Pinv(p, a, 1.0); }
inline double psi(double x) { return gsl_sf_psi(x); }
inline double log1pmx(double x) { return gsl_sf_log_1plusx_mx(x); }
} // namespace gslpeer
#endif

#ifdef HAVE_RMATH
namespace rpeer {
inline double pgamma(double a, double x) { return ::pgamma(x, a, 1.0, 1, 0); }
inline double qgamma(double a, double p) { return ::qgamma(p, a, 1.0, 1, 0); }
inline double digamma(double x) { return ::digamma(x); }
inline double log1pmx(double x) { return ::log1pmx(x); }
} // namespace rpeer
#endif

namespace ours {
inline double incompleteGamma(double a, double x) { return Numeric::SpecFunctions::incompleteGamma(a, x); }
inline double invIncompleteGamma(double a, double p) { return Numeric::SpecFunctions::invIncompleteGamma(a, p); }
inline double digamma(double x) { return Numeric::SpecFunctions::digamma(x); }
inline double log1pmx(double x) { return Numeric::SpecFunctions::log1pmx(x); }
inline double invErf(double p) { return Numeric::SpecFunctions::invErf(p); }
inline double invErfc(double p) { return Numeric::SpecFunctions::invErfc(p); }
} // namespace ours

inline std::vector<Impl2> incompleteGammaImpls()
{
    std::vector<Impl2> v{{"veltro incompleteGamma", ours::incompleteGamma}};
#ifdef HAVE_RMATH
    v.push_back({"R pgamma", rpeer::pgamma});
#endif
#ifdef HAVE_BOOST_MATH
    v.push_back({"Boost gamma_p (double)", boostpeer::gammaP});
#endif
#ifdef HAVE_GSL
    v.push_back({"GSL gsl_sf_gamma_inc_P", gslpeer::gammaIncP});
#endif
    return v;
}

inline std::vector<Impl2> invIncompleteGammaImpls()
{
    std::vector<Impl2> v{{"veltro invIncompleteGamma", ours::invIncompleteGamma}};
#ifdef HAVE_BOOST_MATH
    v.push_back({"Boost gamma_p_inv (double)", boostpeer::gammaPInv});
#endif
#ifdef HAVE_RMATH
    v.push_back({"R qgamma", rpeer::qgamma});
#endif
#ifdef HAVE_GSL
    v.push_back({"GSL gsl_cdf_gamma_Pinv", gslpeer::gammaPinv});
#endif
    return v;
}

inline std::vector<Impl1> digammaImpls()
{
    std::vector<Impl1> v{{"veltro digamma", ours::digamma}};
#ifdef HAVE_BOOST_MATH
    v.push_back({"Boost digamma (double)", boostpeer::digamma});
#endif
#ifdef HAVE_GSL
    v.push_back({"GSL gsl_sf_psi", gslpeer::psi});
#endif
#ifdef HAVE_RMATH
    v.push_back({"R digamma", rpeer::digamma});
#endif
    return v;
}

inline std::vector<Impl1> log1pmxImpls()
{
    std::vector<Impl1> v{{"veltro log1pmx", ours::log1pmx}};
#ifdef HAVE_RMATH
    v.push_back({"R log1pmx", rpeer::log1pmx});
#endif
#ifdef HAVE_GSL
    v.push_back({"GSL gsl_sf_log_1plusx_mx", gslpeer::log1pmx});
#endif
#ifdef HAVE_BOOST_MATH
    v.push_back({"Boost log1pmx (double)", boostpeer::log1pmx});
#endif
    return v;
}

inline std::vector<Impl1> invErfImpls()
{
    std::vector<Impl1> v{{"veltro invErf", ours::invErf}};
#ifdef HAVE_BOOST_MATH
    v.push_back({"Boost erf_inv (double)", boostpeer::erfInv});
#endif
    return v;
}

inline std::vector<Impl1> invErfcImpls()
{
    std::vector<Impl1> v{{"veltro invErfc", ours::invErfc}};
#ifdef HAVE_BOOST_MATH
    v.push_back({"Boost erfc_inv (double)", boostpeer::erfcInv});
#endif
    return v;
}

/// The peers this binary was built without, for the report header.
inline std::string missingPeers()
{
    std::string m;
#ifndef HAVE_BOOST_MATH
    m += " Boost.Math";
#endif
#ifndef HAVE_RMATH
    m += " R-mathlib";
#endif
#ifndef HAVE_GSL
    m += " GSL";
#endif
    return m.empty() ? "none" : m;
}

inline void setUpPeers()
{
#ifdef HAVE_GSL
    gslpeer::quiet();
#endif
}

} // namespace veltro::bench
