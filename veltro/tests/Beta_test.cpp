// logBeta and the incomplete beta function: exact values, messages, the branch each input selects,
// the mended loops (NaN shapes, huge shapes, the slowly converging series), and accuracy against
// the reference rows of bench/data and MPFR.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include <Numeric/SpecFunctions.hpp>
#include <Numeric/SpecFunctions/Internal.hpp>

#include "../bench/Rows.hpp"
#include "Mpfr.hpp"  // UlpStats

namespace {

using namespace Numeric::SpecFunctions;
using testing::StrEq;
using testing::ThrowsMessage;
using veltro::test::UlpStats;
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

veltro::bench::Rows referenceRows(const std::string& name) {
  const std::string here = __FILE__;
  return veltro::bench::readRows(here.substr(0, here.rfind('/')) + "/../bench/data/" + name);
}

TEST(Beta, LogBetaSpecialValuesAndSymmetry) {
  EXPECT_EQ(logBeta(1.0, 1.0), 0.0);
  EXPECT_EQ(logBeta(0.0, 5.0), inf);
  EXPECT_EQ(logBeta(5.0, 0.0), inf);
  EXPECT_TRUE(std::isnan(logBeta(-1.0, 5.0)));
  EXPECT_TRUE(std::isnan(logBeta(nan, 5.0)));
  const auto as = veltro::test::logUniform(1e-3, 1e6, 200, 21);
  const auto bs = veltro::test::logUniform(1e-3, 1e6, 200, 22);
  for (std::size_t i = 0; i < as.size(); ++i) EXPECT_EQ(logBeta(as[i], bs[i]), logBeta(bs[i], as[i]));
}

TEST(Beta, LogBetaOnReferenceRows) {
  // Every branch (both shapes >= 10, one, none, the edges at 10). Near ln B = 0 the three
  // log-gammas cancel: there the error is absolute, about 1e-15.
  const auto rows = referenceRows("logBeta.csv");
  std::map<std::string, UlpStats> st;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const double got = logBeta(rows.value(i, 0), rows.value(i, 1));
    const double ref = rows.value(i, 2);
    if (rows.regions[i] == "near_zero") {
      EXPECT_LE(std::abs(got - ref), 4e-15) << rows.value(i, 0) << " " << rows.value(i, 1);
    } else {
      st[rows.regions[i]].add(rows.value(i, 0), got, ref);
    }
  }
  for (const auto& [region, s] : st) {
    std::printf("%s\n", s.summary("logBeta " + region).c_str());
    EXPECT_LE(s.max(), 64u) << region;
  }
}

TEST(Beta, IncompleteBetaFailures) {
  const auto fails = [](double p, double q, double x, const char* text) {  // both entry points
    EXPECT_THAT([=] { incompleteBeta(p, q, x); }, ThrowsMessage<std::domain_error>(StrEq(text)));
    EXPECT_THAT([=] { incompleteBeta_(0.0, p, q, x); }, ThrowsMessage<std::domain_error>(StrEq(text)));
  };
  fails(2, 3, 1.5, "Numeric.SpecFunctions.incompleteBeta_: x out of [0,1] range. p=2 q=3 x=1.5");
  fails(2, 3, -0.25, "Numeric.SpecFunctions.incompleteBeta_: x out of [0,1] range. p=2 q=3 x=-0.25");
  fails(2, 3, nan, "Numeric.SpecFunctions.incompleteBeta_: x out of [0,1] range. p=2 q=3 x=nan");
  fails(0, 3, 0.5, "Numeric.SpecFunctions.incompleteBeta_: p <= 0 || q <= 0. p=0 q=3 x=0.5");
  fails(1e-300, -2.5e10, 7, "Numeric.SpecFunctions.incompleteBeta_: p <= 0 || q <= 0. p=1e-300 q=-2.5e+10 x=7");
}

TEST(Beta, IncompleteBetaExactValues) {
  for (const double pq : {1e-300, 0.5, 3.0, 1e300}) {
    EXPECT_EQ(incompleteBeta(pq, 2.0, 0.0), 0.0);
    EXPECT_EQ(incompleteBeta(pq, 2.0, 1.0), 1.0);
    EXPECT_EQ(incompleteBeta_(nan, pq, 2.0, 1.0), 1.0);  // ln B is not used at the end points
  }
  for (const double x : {1e-300, 0.125, 0.3, 0.5, 0.7, 0.999}) EXPECT_EQ(incompleteBeta(1.0, 1.0, x), x);
  // 4000 and 5000 both exceed 3000: the quadrature.
  EXPECT_EQ(incompleteBeta(4000, 5000, 0.44), Internal::incompleteBetaApprox(logBeta(4000, 5000), 4000, 5000, 0.44));
  EXPECT_EQ(incompleteBeta(5, 2, 0.3), Internal::incompleteBetaWorker(logBeta(5, 2), 5, 2, 0.3));
  EXPECT_EQ(incompleteBeta(2, 5, 0.7), 1.0 - Internal::incompleteBetaWorker(logBeta(5, 2), 5, 2, 1.0 - 0.7));
}

TEST(Beta, IncompleteBetaSymmetryIsExactAcrossTheSwap) {
  // incompleteBeta(p, q, x) computes 1 − I_{1−x}(q, p) by the same worker call when x lies above
  // p/(p + q), so the identity holds bit for bit there.
  const auto ps = veltro::test::logUniform(0.05, 2000, 300, 41);
  const auto qs = veltro::test::logUniform(0.05, 2000, 300, 42);
  const auto us = veltro::test::uniform(0.0, 1.0, 300, 43);
  int checked = 0;
  for (std::size_t i = 0; i < ps.size(); ++i) {
    const double p = ps[i], q = qs[i];
    const double x = 1.0 - us[i] * (q / (p + q));  // above the mean of I(p, q)
    const double y = 1.0 - x;
    if (1.0 - y != x || p >= (p + q) * x || !(q >= (p + q) * y)) continue;
    ++checked;
    EXPECT_EQ(incompleteBeta(p, q, x), 1.0 - incompleteBeta(q, p, y)) << p << " " << q << " " << x;
  }
  EXPECT_GT(checked, 200);
}

TEST(Beta, IncompleteBetaLoopsEndOnEveryInput) {
  EXPECT_TRUE(std::isnan(incompleteBeta(nan, 2.0, 0.5)));
  EXPECT_TRUE(std::isnan(incompleteBeta(2.0, nan, 0.5)));
  EXPECT_TRUE(std::isnan(incompleteBeta_(nan, 2.0, 3.0, 0.5)));
  EXPECT_TRUE(std::isnan(Internal::incompleteBetaWorker(0.0, nan, nan, 0.5)));
  // q + (1 − x)(p + q) beyond the 64-bit range: the term count saturates instead of being undefined.
  // (Only roughly right: 1 − x rounds to 1 and the factor (1 − x)^(q−1) = e^-0.1 is lost.)
  EXPECT_NEAR(incompleteBeta(2.0, 1e25, 1e-26), 0.0046788401604444707, 6e-4);
  for (const double q : {1e19, 1e300, inf}) {
    const double w = Internal::incompleteBetaWorker(logBeta(2.0, q), 2.0, q, 1e-30);
    EXPECT_TRUE(std::isnan(w) || (w >= 0.0 && w <= 1.0)) << q;
  }
}

TEST(Beta, IncompleteBetaHugeFirstShapeNearTheMean) {
  // Soper's terms shrink by about 1 − 8.5e-9 per step here (it had not stopped after 10^6 steps):
  // the continued fraction answers instead, to about 2^-52/(1 − x) relative (its odd terms are
  // close to −1). References from 40-digit evaluations.
  struct Case { double p, q, x, ref; };
  for (const Case c : {Case{8.45e8, 1.3, 1.0 - 1e-8, 0.00046704278114583678298},
                       Case{100000.0, 0.5, 0x1.ffff583a8a908p-1, 0.31731171478600173},
                       Case{10000.0, 0x1.1bb4be69a0182p-6, 0x1.fffc750bb4baep-1, 0.01707066923013632}}) {
    const double tol = 4.0 * 0x1p-52 / (1.0 - c.x);
    EXPECT_NEAR(incompleteBeta(c.p, c.q, c.x), c.ref, tol * c.ref) << c.p;
    EXPECT_NEAR(incompleteBeta(c.q, c.p, 1.0 - c.x), 1.0 - c.ref, tol) << c.p;
  }
}

TEST(Beta, IncompleteBetaOnReferenceRows) {
  // Bounds are what the algorithms reach: the prefactor exp(... − ln B) carries about |ln B|·2^-52
  // of relative error with large shapes, and the quadrature about 1e-9 deep in the tails.
  const std::map<std::string, std::uint64_t> maxUlp{
      {"bulk", 200000},       {"lopsided", 40000}, {"low_tail", 3000},   {"quadrature", 100000},
      {"small_shapes", 300}, {"swap_edge", 100000}, {"up_tail", 100000000}};
  const auto rows = referenceRows("incompleteBeta.csv");
  std::map<std::string, UlpStats> st;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    st[rows.regions[i]].add(rows.value(i, 2), incompleteBeta(rows.value(i, 0), rows.value(i, 1), rows.value(i, 2)),
                            rows.value(i, 3));
  }
  for (const auto& [region, s] : st) {
    std::printf("%s\n", s.summary("incompleteBeta " + region).c_str());
    ASSERT_TRUE(maxUlp.count(region)) << region;
    EXPECT_LE(s.max(), maxUlp.at(region)) << region;
    EXPECT_LE(s.median(), 1000.0) << region;
  }
}

}  // namespace
