// GammaErfAccuracy.cpp: maximum and median errors in ULPs of veltro's incomplete gamma, its
// inverse, digamma, log1pmx, invErf and invErfc against the reference rows of bench/data, next to
// the peers' errors on the same rows. Also the largest error of ours per input region.
//   build/release/veltro/veltro_bench_GammaErfAccuracy
#include "GammaErfPeers.hpp"
#include "Rows.hpp"

#include <Numeric/Veltro/Comparison.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace veltro::bench;

struct Errors {
    std::vector<double> ulps;
    std::size_t nans = 0;
    double worstInput[2] = {0, 0};
    double max() const { return ulps.empty() ? 0 : *std::max_element(ulps.begin(), ulps.end()); }
    double median() const
    {
        if (ulps.empty()) return 0;
        std::vector<double> v = ulps;
        std::sort(v.begin(), v.end());
        const std::size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }
};

double ulpError(double computed, double reference)
{
    if (computed == reference) return 0;  // also +0 against -0 and equal infinities
    return static_cast<double>(Numeric::Veltro::Comparison::ulpDistance(computed, reference));
}

void record(Errors& e, double computed, double reference, double in0, double in1)
{
    if (std::isnan(computed) && !std::isnan(reference)) {
        ++e.nans;
        return;
    }
    const double u = ulpError(computed, reference);
    if (e.ulps.empty() || u > e.max()) e.worstInput[0] = in0, e.worstInput[1] = in1;
    e.ulps.push_back(u);
}

void printLine(const std::string& name, const Errors& e, int args)
{
    std::printf("| %-30s | %14.0f | %8.1f | %4zu |", name.c_str(), e.max(), e.median(), e.nans);
    if (args == 1) std::printf(" x=%a |\n", e.worstInput[0]);
    else std::printf(" (%a, %a) |\n", e.worstInput[0], e.worstInput[1]);
}

void header(const char* title, std::size_t n)
{
    std::printf("\n### %s (%zu rows)\n\n", title, n);
    std::printf("| implementation | max ulp | median ulp | NaN | worst input |\n|---|---:|---:|---:|---|\n");
}

template <class Impl, class Call>
void report(const char* title, const char* file, const std::vector<Impl>& impls, int args, Call call)
{
    const Rows rows = readRows(dataFile(file));
    header(title, rows.size());
    std::map<std::string, Errors> byRegion;
    for (std::size_t k = 0; k < impls.size(); ++k) {
        Errors e;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const double in0 = rows.value(i, 0);
            const double in1 = args == 2 ? rows.value(i, 1) : 0;
            const double ref = rows.value(i, static_cast<std::size_t>(args));
            double got;
            try {
                got = call(impls[k], in0, in1);
            } catch (...) {
                got = std::nan("");
            }
            record(e, got, ref, in0, in1);
            if (k == 0 && !rows.regions.empty()) record(byRegion[rows.regions[i]], got, ref, in0, in1);
        }
        printLine(impls[k].name, e, args);
    }
    if (!byRegion.empty()) {
        std::printf("\nveltro by region: ");
        for (const auto& [region, e] : byRegion) std::printf("%s max %.0f / median %.1f; ", region.c_str(), e.max(), e.median());
        std::printf("\n");
    }
}

} // namespace

int main()
{
    setUpPeers();
    std::printf("# veltro accuracy on bench/data rows (errors in ULPs against the reference)\n");
    std::printf("Peers missing from this build: %s\n", missingPeers().c_str());
    const auto call2 = [](const Impl2& f, double a, double b) { return f.fn(a, b); };
    const auto call1 = [](const Impl1& f, double a, double) { return f.fn(a); };
    report("incompleteGamma(a, x)", "incompleteGamma.csv", incompleteGammaImpls(), 2, call2);
    report("invIncompleteGamma(a, p)", "invIncompleteGamma.csv", invIncompleteGammaImpls(), 2, call2);
    report("digamma(x)", "digamma.csv", digammaImpls(), 1, call1);
    report("log1pmx(x)", "log1pmx.csv", log1pmxImpls(), 1, call1);
    report("invErf(p)", "invErf.csv", invErfImpls(), 1, call1);
    report("invErfc(p)", "invErfc.csv", invErfcImpls(), 1, call1);
    return 0;
}
