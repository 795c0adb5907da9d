// logGammaAS245 and bd0: the branch values, the end cases, and accuracy against MPFR.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include <Numeric/SpecFunctions/Extra.hpp>

#include "Mpfr.hpp"

namespace {

using namespace Numeric::SpecFunctions::Extra;
using veltro::test::Mpfr;
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

TEST(Extra, LogGammaAS245EndValues) {
  EXPECT_EQ(logGammaAS245(0.0), inf);
  EXPECT_EQ(logGammaAS245(-1.0), inf);
  EXPECT_EQ(logGammaAS245(inf), inf);
  EXPECT_EQ(logGammaAS245(1.5e308), inf);
  EXPECT_EQ(logGammaAS245(1.0), 0.0);
  EXPECT_EQ(logGammaAS245(2.0), 0.0);
  EXPECT_TRUE(std::isnan(logGammaAS245(nan)));
  // Above 3e6 the series term is dropped: Stirling's formula with the shortened ln √(2π).
  const double x = 3000001.0;
  EXPECT_EQ(logGammaAS245(x), x * (std::log(x) - 1.0) - 0.5 * std::log(x) + 0.918938533204673);
}

TEST(Extra, LogGammaAS245AgreesWithMpfrInEveryBranch) {
  // AS 245 is a 10-11 digit algorithm below 12 (its rational fits) and close to the rounding above.
  struct Region { double lo, hi, relTol; };
  for (const Region r : {Region{1e-300, 0.5, 1e-10}, Region{0.5, 1.5, 1e-9}, Region{1.5, 4.0, 1e-9},
                         Region{4.0, 12.0, 2e-9}, Region{12.0, 3e6, 1e-15},
                         Region{3e6, 1e300, 1e-15}}) {
    for (const double x : veltro::test::logUniform(r.lo, r.hi, 300, 17)) {
      const double ref = veltro::test::lngamma(x);
      // Near the zeros at 1 and 2 compare absolutely.
      EXPECT_LE(std::abs(logGammaAS245(x) - ref), r.relTol * std::max(1.0, std::abs(ref))) << x;
    }
  }
}

TEST(Extra, Bd0Branches) {
  EXPECT_EQ(bd0(5.0, 5.0), 0.0);
  EXPECT_EQ(bd0(10.0, 1.0), 10.0 * std::log(10.0) - 9.0);
  for (const auto& [x, np] : std::vector<std::pair<double, double>>{
           {1.0, 0.0}, {inf, 1.0}, {1.0, inf}, {-inf, 1.0}, {nan, 1.0}, {1.0, nan}, {nan, nan}}) {
    EXPECT_TRUE(std::isnan(bd0(x, np))) << x << " " << np;
  }
  // x + np (or 2x) overflows: the series would answer 0 or ∞; the direct formula does not.
  EXPECT_EQ(bd0(1e308, 1e308), 0.0);
  EXPECT_TRUE(std::isfinite(bd0(0.93e308, 0.86e308)));
  EXPECT_GT(bd0(0.93e308, 0.86e308), 0.0);
}

double bd0Ref(double x, double np) {
  const Mpfr xm(x, 2048), npm(np, 2048);
  return (xm * veltro::test::log(xm / npm) + npm - xm).toDouble();
}

TEST(Extra, Bd0AgreesWithMpfr) {
  veltro::test::UlpStats direct, series;
  const std::vector<double> xs = veltro::test::logUniform(1e-3, 1e12, 400, 5);
  const std::vector<double> rel = veltro::test::uniform(-1.0, 1.0, 400, 6);
  for (std::size_t i = 0; i < xs.size(); ++i) {
    const double x = xs[i];
    const double np = x * std::exp(rel[i] * rel[i] * rel[i] * 3.0);
    const double got = bd0(x, np);
    (std::abs(x - np) >= 0.1 * (x + np) ? direct : series).add(x, got, bd0Ref(x, np));
  }
  std::printf("%s\n%s\n", direct.summary("bd0 direct").c_str(), series.summary("bd0 series").c_str());
  EXPECT_LE(series.max(), 8u);
  EXPECT_LE(direct.max(), 64u);
  EXPECT_LE(series.median(), 1.0);
  EXPECT_GT(direct.count(), 20u);
  EXPECT_GT(series.count(), 100u);
}

}  // namespace
