// BetaPeers.hpp: the beta-family and factorial functions of veltro and of its peers (R's math
// library, Boost.Math in pure double, GSL, glibc), each wrapped as double(const double* args) so
// that the benchmark and the accuracy program call them the same way on the rows of bench/data.
//   for (const Impl& impl : implementations("incompleteBeta")) impl.f(row.args);
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include <Numeric/SpecFunctions.hpp>
#include <Numeric/SpecFunctions/Extra.hpp>

#include "AccuracyCsv.hpp"

#ifdef HAVE_BOOST_MATH
#include <boost/math/special_functions/beta.hpp>
#include <boost/math/special_functions/binomial.hpp>
#include <boost/math/special_functions/gamma.hpp>
#endif
#ifdef HAVE_RMATH
#include <Rmath.h>
#endif
#ifdef HAVE_GSL
#include <gsl/gsl_cdf.h>
#include <gsl/gsl_errno.h>
#include <gsl/gsl_sf_gamma.h>
#endif

namespace veltro::bench {

namespace betapeers {

namespace sf = Numeric::SpecFunctions;

inline std::int64_t asInt(double v) { return static_cast<std::int64_t>(v); }

inline double ourLogBeta(const double* a) { return sf::logBeta(a[0], a[1]); }
inline double ourIncompleteBeta(const double* a) { return sf::incompleteBeta(a[0], a[1], a[2]); }
inline double ourInvIncompleteBeta(const double* a) { return sf::invIncompleteBeta(a[0], a[1], a[2]); }
inline double ourLogFactorial(const double* a) { return sf::logFactorial(asInt(a[0])); }
inline double ourFactorial(const double* a) { return sf::factorial(asInt(a[0])); }
inline double ourChoose(const double* a) { return sf::choose(asInt(a[0]), asInt(a[1])); }
inline double ourLogChoose(const double* a) { return sf::logChoose(asInt(a[0]), asInt(a[1])); }
inline double ourBd0(const double* a) { return sf::Extra::bd0(a[0], a[1]); }
inline double ourLogGammaAS245(const double* a) { return sf::Extra::logGammaAS245(a[0]); }

inline double glibcLogBeta(const double* a) {
  return std::lgamma(a[0]) + std::lgamma(a[1]) - std::lgamma(a[0] + a[1]);
}
inline double glibcLogFactorial(const double* a) { return std::lgamma(a[0] + 1.0); }
inline double glibcLogGamma(const double* a) { return std::lgamma(a[0]); }
// The textbook formula, for the cost of the operations bd0 replaces.
inline double plainBd0(const double* a) { return a[0] * std::log(a[0] / a[1]) + a[1] - a[0]; }

#ifdef HAVE_BOOST_MATH
using PureDouble = boost::math::policies::policy<
    boost::math::policies::promote_double<false>,
    boost::math::policies::pole_error<boost::math::policies::ignore_error>,
    boost::math::policies::overflow_error<boost::math::policies::ignore_error>,
    boost::math::policies::underflow_error<boost::math::policies::ignore_error>,
    boost::math::policies::domain_error<boost::math::policies::ignore_error>,
    boost::math::policies::evaluation_error<boost::math::policies::ignore_error>>;
inline double boostLogBeta(const double* a) {
  return boost::math::lgamma(a[0], PureDouble()) + boost::math::lgamma(a[1], PureDouble()) -
         boost::math::lgamma(a[0] + a[1], PureDouble());
}
inline double boostIncompleteBeta(const double* a) { return boost::math::ibeta(a[0], a[1], a[2], PureDouble()); }
inline double boostInvIncompleteBeta(const double* a) {
  return boost::math::ibeta_inv(a[0], a[1], a[2], PureDouble());
}
inline double boostLogFactorial(const double* a) { return boost::math::lgamma(a[0] + 1.0, PureDouble()); }
inline double boostChoose(const double* a) {
  if (a[1] > a[0] || a[1] < 0) return a[1] > a[0] ? 0.0 : std::nan("");
  return boost::math::binomial_coefficient<double>(static_cast<unsigned>(a[0]), static_cast<unsigned>(a[1]),
                                                   PureDouble());
}
#endif
#ifdef HAVE_RMATH
inline double rLogBeta(const double* a) { return lbeta(a[0], a[1]); }
inline double rIncompleteBeta(const double* a) { return pbeta(a[2], a[0], a[1], 1, 0); }
inline double rInvIncompleteBeta(const double* a) { return qbeta(a[2], a[0], a[1], 1, 0); }
inline double rLogFactorial(const double* a) { return lgammafn(a[0] + 1.0); }
inline double rChoose(const double* a) { return choose(a[0], a[1]); }
inline double rLogChoose(const double* a) { return lchoose(a[0], a[1]); }
inline double rLogGamma(const double* a) { return lgammafn(a[0]); }
#endif
#ifdef HAVE_GSL
inline double gslLogBeta(const double* a) { return gsl_sf_lnbeta(a[0], a[1]); }
inline double gslIncompleteBeta(const double* a) { return gsl_sf_beta_inc(a[0], a[1], a[2]); }
inline double gslInvIncompleteBeta(const double* a) { return gsl_cdf_beta_Pinv(a[2], a[0], a[1]); }
inline double gslLogFactorial(const double* a) { return gsl_sf_lnfact(static_cast<unsigned>(a[0])); }
inline double gslChoose(const double* a) {
  if (a[1] > a[0] || a[1] < 0) return a[1] > a[0] ? 0.0 : std::nan("");
  return gsl_sf_choose(static_cast<unsigned>(a[0]), static_cast<unsigned>(a[1]));
}
inline double gslLogChoose(const double* a) {
  if (a[1] > a[0] || a[1] < 0) return a[1] > a[0] ? -INFINITY : std::nan("");
  return gsl_sf_lnchoose(static_cast<unsigned>(a[0]), static_cast<unsigned>(a[1]));
}
#endif

}  // namespace betapeers

/// The functions this file covers, each with its data file and number of arguments.
inline const std::vector<FunctionFile>& betaFunctions() {
  static const std::vector<FunctionFile> fs{
      {"logBeta", "logBeta.csv", 2},           {"incompleteBeta", "incompleteBeta.csv", 3},
      {"invIncompleteBeta", "invIncompleteBeta.csv", 3}, {"logFactorial", "logFactorial.csv", 1},
      {"factorial", "factorial.csv", 1},       {"choose", "choose.csv", 2},
      {"logChoose", "logChoose.csv", 2},       {"bd0", "bd0.csv", 2},
      {"logGammaAS245", "logGamma.csv", 1}};
  return fs;
}

/// veltro first, then the peers that are installed and have the function.
inline std::vector<Impl> betaImplementations(const std::string& function) {
  using namespace betapeers;
  std::vector<Impl> out;
  const auto add = [&](const char* name, ArgsFn f) { out.push_back({name, f}); };
  if (function == "logBeta") {
    add("veltro", ourLogBeta);
    add("glibc lgamma sum", glibcLogBeta);
#ifdef HAVE_BOOST_MATH
    add("Boost (double) lgamma sum", boostLogBeta);
#endif
#ifdef HAVE_RMATH
    add("R lbeta", rLogBeta);
#endif
#ifdef HAVE_GSL
    add("GSL", gslLogBeta);
#endif
  } else if (function == "incompleteBeta") {
    add("veltro", ourIncompleteBeta);
#ifdef HAVE_BOOST_MATH
    add("Boost (double)", boostIncompleteBeta);
#endif
#ifdef HAVE_RMATH
    add("R pbeta", rIncompleteBeta);
#endif
#ifdef HAVE_GSL
    add("GSL", gslIncompleteBeta);
#endif
  } else if (function == "invIncompleteBeta") {
    add("veltro", ourInvIncompleteBeta);
#ifdef HAVE_BOOST_MATH
    add("Boost (double)", boostInvIncompleteBeta);
#endif
#ifdef HAVE_RMATH
    add("R qbeta", rInvIncompleteBeta);
#endif
#ifdef HAVE_GSL
    add("GSL", gslInvIncompleteBeta);
#endif
  } else if (function == "logFactorial") {
    add("veltro", ourLogFactorial);
    add("glibc lgamma(n+1)", glibcLogFactorial);
#ifdef HAVE_BOOST_MATH
    add("Boost (double) lgamma(n+1)", boostLogFactorial);
#endif
#ifdef HAVE_RMATH
    add("R lgammafn(n+1)", rLogFactorial);
#endif
#ifdef HAVE_GSL
    add("GSL", gslLogFactorial);
#endif
  } else if (function == "factorial") {
    add("veltro", ourFactorial);
  } else if (function == "choose") {
    add("veltro", ourChoose);
#ifdef HAVE_BOOST_MATH
    add("Boost (double)", boostChoose);
#endif
#ifdef HAVE_RMATH
    add("R choose", rChoose);
#endif
#ifdef HAVE_GSL
    add("GSL", gslChoose);
#endif
  } else if (function == "logChoose") {
    add("veltro", ourLogChoose);
#ifdef HAVE_RMATH
    add("R lchoose", rLogChoose);
#endif
#ifdef HAVE_GSL
    add("GSL", gslLogChoose);
#endif
  } else if (function == "bd0") {
    add("veltro", ourBd0);
    add("plain formula", plainBd0);
  } else if (function == "logGammaAS245") {
    add("veltro", ourLogGammaAS245);
    add("glibc lgamma", glibcLogGamma);
#ifdef HAVE_RMATH
    add("R lgammafn", rLogGamma);
#endif
  }
  return out;
}

}  // namespace veltro::bench
