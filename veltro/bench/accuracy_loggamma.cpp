// Accuracy of logGamma and its peers on the rows of data/logGamma.csv (and of stirlingError on
// data/stirlingError.csv): maximum and median error in ULPs against the correctly rounded
// reference, overall and per region.
//   veltro_bench_accuracy_loggamma
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include <Numeric/SpecFunctions.hpp>
#include <Numeric/Veltro/Comparison.hpp>

#include "Rows.hpp"

#ifdef HAVE_BOOST_MATH
#include <boost/math/special_functions/gamma.hpp>
#endif
#ifdef HAVE_RMATH
#include <Rmath.h>
#endif
#ifdef HAVE_GSL
#include <gsl/gsl_errno.h>
#include <gsl/gsl_sf_gamma.h>
#endif

namespace {

using Fn = double (*)(double);

double oursLogGamma(double x) { return Numeric::SpecFunctions::logGamma(x); }
double glibcLgamma(double x) { return std::lgamma(x); }
#ifdef HAVE_BOOST_MATH
using PureDouble = boost::math::policies::policy<
    boost::math::policies::promote_double<false>,
    boost::math::policies::pole_error<boost::math::policies::ignore_error>,
    boost::math::policies::overflow_error<boost::math::policies::ignore_error>,
    boost::math::policies::domain_error<boost::math::policies::ignore_error>,
    boost::math::policies::evaluation_error<boost::math::policies::ignore_error>>;
double boostLgamma(double x) { return boost::math::lgamma(x, PureDouble()); }
#endif
#ifdef HAVE_RMATH
double rLgamma(double x) { return lgammafn(x); }
#endif
#ifdef HAVE_GSL
double gslLgamma(double x) { return gsl_sf_lngamma(x); }
#endif

struct Stats {
    std::vector<std::uint64_t> errors;
    void add(double computed, double reference)
    {
        errors.push_back(Numeric::Veltro::Comparison::ulpDistance(computed, reference));
    }
    std::uint64_t max() const { return errors.empty() ? 0 : *std::max_element(errors.begin(), errors.end()); }
    double median() const
    {
        if (errors.empty()) return 0.0;
        std::vector<std::uint64_t> e = errors;
        std::sort(e.begin(), e.end());
        const std::size_t m = e.size() / 2;
        return e.size() % 2 == 1 ? static_cast<double>(e[m])
                                 : (static_cast<double>(e[m - 1]) + static_cast<double>(e[m])) / 2.0;
    }
};

struct Peer {
    const char* name;
    Fn f;
};

void report(const char* file, const char* fn, const std::vector<Peer>& peers)
{
    const veltro::bench::Rows rows = veltro::bench::readRows(veltro::bench::dataFile(file));
    const std::vector<double>& x = rows.data[0];
    const std::vector<double>& ref = rows.data[1];
    std::printf("\n%s on %s (%zu rows): max / median error in ULPs\n", fn, file, rows.size());
    std::printf("%-16s", "region");
    for (const Peer& p : peers) std::printf(" %18s", p.name);
    std::printf("\n");
    std::map<std::string, std::vector<std::size_t>> byRegion;
    for (std::size_t i = 0; i < rows.size(); ++i) byRegion[rows.regions[i]].push_back(i);
    byRegion["(all rows)"] = {};
    for (std::size_t i = 0; i < rows.size(); ++i) byRegion["(all rows)"].push_back(i);
    for (const auto& [region, idx] : byRegion) {
        std::printf("%-16s", region.c_str());
        for (const Peer& p : peers) {
            Stats st;
            for (const std::size_t i : idx) st.add(p.f(x[i]), ref[i]);
            char cell[64];
            std::snprintf(cell, sizeof cell, "%llu / %g", static_cast<unsigned long long>(st.max()), st.median());
            std::printf(" %18s", cell);
        }
        std::printf("\n");
    }
}

} // namespace

int main()
{
#ifdef HAVE_GSL
    gsl_set_error_handler_off();
#endif
    std::vector<Peer> peers{{"veltro", oursLogGamma}, {"glibc", glibcLgamma}};
#ifdef HAVE_BOOST_MATH
    peers.push_back({"boost(double)", boostLgamma});
#else
    std::printf("peer missing, not measured: Boost.Math (libboost-math1.74-dev)\n");
#endif
#ifdef HAVE_RMATH
    peers.push_back({"R", rLgamma});
#else
    std::printf("peer missing, not measured: R-mathlib (r-mathlib)\n");
#endif
#ifdef HAVE_GSL
    peers.push_back({"gsl", gslLgamma});
#else
    std::printf("peer missing, not measured: GSL (libgsl-dev)\n");
#endif
    report("logGamma.csv", "logGamma", peers);
    report("stirlingError.csv", "stirlingError", {{"veltro", Numeric::SpecFunctions::stirlingError}});
    return 0;
}
