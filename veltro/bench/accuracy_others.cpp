// Accuracy of the rest of veltro's special functions (log-gamma family, digamma, log1pmx, the
// error function and its inverses, the incomplete gamma function and its inverse) beside their
// peers on the rows of data/*.csv, in the per-row CSV format of AccuracyCsv.hpp, so that
// scripts/accuracy-plots covers every function of the library.
//   veltro_bench_accuracy_others > others.csv
#include <cmath>
#include <string>
#include <vector>

#include <Numeric/SpecFunctions.hpp>
#include <Numeric/Veltro/Constants.hpp>

#include "AccuracyCsv.hpp"

#ifdef HAVE_BOOST_MATH
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

namespace {

namespace sf = Numeric::SpecFunctions;
using veltro::bench::FunctionFile;
using veltro::bench::Impl;

double ourLogGamma(const double* a) { return sf::logGamma(a[0]); }
double ourStirlingError(const double* a) { return sf::stirlingError(a[0]); }
double ourDigamma(const double* a) { return sf::digamma(a[0]); }
double ourLog1pmx(const double* a) { return sf::log1pmx(a[0]); }
double ourErf(const double* a) { return sf::erf(a[0]); }
double ourErfc(const double* a) { return sf::erfc(a[0]); }
double ourInvErf(const double* a) { return sf::invErf(a[0]); }
double ourInvErfc(const double* a) { return sf::invErfc(a[0]); }
double ourIncompleteGamma(const double* a) { return sf::incompleteGamma(a[0], a[1]); }
double ourInvIncompleteGamma(const double* a) { return sf::invIncompleteGamma(a[0], a[1]); }

double glibcLogGamma(const double* a) { return std::lgamma(a[0]); }
double glibcErf(const double* a) { return std::erf(a[0]); }
double glibcErfc(const double* a) { return std::erfc(a[0]); }
// Stirling's error through lgamma, as a caller without stirlingError would write it.
double glibcStirlingError(const double* a) {
  const double n = a[0];
  return std::lgamma(n + 1.0) - (n + 0.5) * std::log(n) + n - Numeric::Veltro::Constants::m_ln_sqrt_2_pi;
}
double plainLog1pmx(const double* a) { return std::log1p(a[0]) - a[0]; }

#ifdef HAVE_BOOST_MATH
using PureDouble = boost::math::policies::policy<
    boost::math::policies::promote_double<false>,
    boost::math::policies::pole_error<boost::math::policies::ignore_error>,
    boost::math::policies::overflow_error<boost::math::policies::ignore_error>,
    boost::math::policies::underflow_error<boost::math::policies::ignore_error>,
    boost::math::policies::domain_error<boost::math::policies::ignore_error>,
    boost::math::policies::evaluation_error<boost::math::policies::ignore_error>>;
double boostLogGamma(const double* a) { return boost::math::lgamma(a[0], PureDouble()); }
double boostDigamma(const double* a) { return boost::math::digamma(a[0], PureDouble()); }
double boostLog1pmx(const double* a) { return boost::math::log1pmx(a[0], PureDouble()); }
double boostErf(const double* a) { return boost::math::erf(a[0], PureDouble()); }
double boostErfc(const double* a) { return boost::math::erfc(a[0], PureDouble()); }
double boostInvErf(const double* a) { return boost::math::erf_inv(a[0], PureDouble()); }
double boostInvErfc(const double* a) { return boost::math::erfc_inv(a[0], PureDouble()); }
double boostIncompleteGamma(const double* a) { return boost::math::gamma_p(a[0], a[1], PureDouble()); }
double boostInvIncompleteGamma(const double* a) { return boost::math::gamma_p_inv(a[0], a[1], PureDouble()); }
#endif
#ifdef HAVE_RMATH
double rLogGamma(const double* a) { return lgammafn(a[0]); }
double rDigamma(const double* a) { return digamma(a[0]); }
double rLog1pmx(const double* a) { return log1pmx(a[0]); }
double rIncompleteGamma(const double* a) { return pgamma(a[1], a[0], 1.0, 1, 0); }
double rInvIncompleteGamma(const double* a) { return qgamma(a[1], a[0], 1.0, 1, 0); }
#endif
#ifdef HAVE_GSL
double gslLogGamma(const double* a) { return gsl_sf_lngamma(a[0]); }
double gslDigamma(const double* a) { return gsl_sf_psi(a[0]); }
double gslLog1pmx(const double* a) { return gsl_sf_log_1plusx_mx(a[0]); }
double gslErf(const double* a) { return gsl_sf_erf(a[0]); }
double gslErfc(const double* a) { return gsl_sf_erfc(a[0]); }
double gslIncompleteGamma(const double* a) { return gsl_sf_gamma_inc_P(a[0], a[1]); }
double gslInvIncompleteGamma(const double* a) { return gsl_cdf_gamma_Pinv(a[1], a[0], 1.0); }
#endif

std::vector<Impl> implementations(const std::string& f) {
  std::vector<Impl> out;
  const auto add = [&](const char* name, veltro::bench::ArgsFn fn) { out.push_back({name, fn}); };
  if (f == "logGamma") {
    add("veltro", ourLogGamma);
    add("glibc", glibcLogGamma);
#ifdef HAVE_BOOST_MATH
    add("Boost (double)", boostLogGamma);
#endif
#ifdef HAVE_RMATH
    add("R lgammafn", rLogGamma);
#endif
#ifdef HAVE_GSL
    add("GSL", gslLogGamma);
#endif
  } else if (f == "stirlingError") {
    add("veltro", ourStirlingError);
    add("glibc lgamma formula", glibcStirlingError);
  } else if (f == "digamma") {
    add("veltro", ourDigamma);
#ifdef HAVE_BOOST_MATH
    add("Boost (double)", boostDigamma);
#endif
#ifdef HAVE_RMATH
    add("R digamma", rDigamma);
#endif
#ifdef HAVE_GSL
    add("GSL", gslDigamma);
#endif
  } else if (f == "log1pmx") {
    add("veltro", ourLog1pmx);
    add("glibc log1p(x) - x", plainLog1pmx);
#ifdef HAVE_BOOST_MATH
    add("Boost (double)", boostLog1pmx);
#endif
#ifdef HAVE_RMATH
    add("R log1pmx", rLog1pmx);
#endif
#ifdef HAVE_GSL
    add("GSL", gslLog1pmx);
#endif
  } else if (f == "erf" || f == "erfc") {
    const bool c = f == "erfc";
    add("veltro", c ? ourErfc : ourErf);
    add("glibc", c ? glibcErfc : glibcErf);
#ifdef HAVE_BOOST_MATH
    add("Boost (double)", c ? boostErfc : boostErf);
#endif
#ifdef HAVE_GSL
    add("GSL", c ? gslErfc : gslErf);
#endif
  } else if (f == "invErf" || f == "invErfc") {
    const bool c = f == "invErfc";
    add("veltro", c ? ourInvErfc : ourInvErf);
#ifdef HAVE_BOOST_MATH
    add("Boost (double)", c ? boostInvErfc : boostInvErf);
#endif
  } else if (f == "incompleteGamma") {
    add("veltro", ourIncompleteGamma);
#ifdef HAVE_BOOST_MATH
    add("Boost (double)", boostIncompleteGamma);
#endif
#ifdef HAVE_RMATH
    add("R pgamma", rIncompleteGamma);
#endif
#ifdef HAVE_GSL
    add("GSL", gslIncompleteGamma);
#endif
  } else if (f == "invIncompleteGamma") {
    add("veltro", ourInvIncompleteGamma);
#ifdef HAVE_BOOST_MATH
    add("Boost (double)", boostInvIncompleteGamma);
#endif
#ifdef HAVE_RMATH
    add("R qgamma", rInvIncompleteGamma);
#endif
#ifdef HAVE_GSL
    add("GSL", gslInvIncompleteGamma);
#endif
  }
  return out;
}

}  // namespace

int main() {
#ifdef HAVE_GSL
  gsl_set_error_handler_off();
#endif
  const std::vector<FunctionFile> files{
      {"logGamma", "logGamma.csv", 1},         {"stirlingError", "stirlingError.csv", 1},
      {"digamma", "digamma.csv", 1},           {"log1pmx", "log1pmx.csv", 1},
      {"erf", "erf.csv", 1},                   {"erfc", "erfc.csv", 1},
      {"invErf", "invErf.csv", 1},             {"invErfc", "invErfc.csv", 1},
      {"incompleteGamma", "incompleteGamma.csv", 2}, {"invIncompleteGamma", "invIncompleteGamma.csv", 2}};
  veltro::bench::printAccuracyHeader();
  for (const FunctionFile& fn : files) {
    veltro::bench::printAccuracyRows(veltro::bench::readFunctionRows(fn), implementations(fn.function));
  }
  return 0;
}
