// SPDX-License-Identifier: MIT
// The log-gamma family (logGamma, its pieces, corrections, AS 245, bd0), factorials and binomial
// coefficients: exact values the rules fix, branch selection, edges, failures, and accuracy against
// MPFR where no exact value exists.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <vector>

#include <Numeric/SpecFunctions.hpp>
#include <Numeric/SpecFunctions/Extra.hpp>
#include <Numeric/SpecFunctions/Internal.hpp>

#include "Mpfr.hpp"

namespace {

using namespace Numeric::SpecFunctions;
using namespace Numeric::SpecFunctions::Internal;
using namespace Numeric::SpecFunctions::Extra;
using testing::StrEq;
using testing::ThrowsMessage;
using veltro::test::Mpfr;
constexpr double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();
std::uint64_t bits(double x) { return std::bit_cast<std::uint64_t>(x); }

TEST(LogGamma, ExactValuesAndEdges)
{
    EXPECT_EQ(bits(logGamma(1.0)), bits(-0.0)); // r = 0 * -1
    EXPECT_EQ(bits(logGamma(2.0)), bits(0.0));
    for (const double x : {0.0, -0.0, -2.5, -1.0, -inf, -1e-300, inf}) EXPECT_EQ(logGamma(x), inf) << x;
    EXPECT_TRUE(std::isnan(logGamma(nan)));
    for (const double x : {0.5, 1.5, 2.5, 3.0, 7.25, 14.5, 15.0, 1e5, 1e300}) {
        EXPECT_EQ(bits(logGammaL(x)), bits(logGamma(x))) << x;
    }
}

TEST(LogGamma, BranchSelection)
{
    // Each x goes to its piece: the pieces differ in the last bits, so a wrong boundary shows.
    const auto below = [](double x) { return std::nextafter(x, 0.0); };
    const auto tiny = [](double x) { return std::log(1.0 / x - 0.57721566490153287); };
    const auto small1 = [](double x) { return lgamma1_15(x, x - 1.0) - std::log(x); };
    const auto small2 = [](double x) { return lgamma15_2(x, x - 1.0) - std::log(x); };
    const auto mid1 = [](double x) { return lgamma1_15(x - 1.0, x - 2.0); };
    const auto mid2 = [](double x) { return lgamma15_2(x - 1.0, x - 2.0); };
    struct Row { std::vector<double> xs; double (*piece)(double); };
    const Row rows[] = {{{below(0x1p-26), 1e-10, 4.9406564584124654e-324}, +tiny},
                        {{0x1p-26, 0.1, below(0.5)}, +small1},
                        {{0.5, 0.75, below(1.0)}, +small2},
                        {{1.0, 1.25, 1.5}, +mid1},
                        {{std::nextafter(1.5, 2.0), 1.75, below(2.0)}, +mid2},
                        {{2.0, 2.5, below(3.0)}, lgamma2_3},
                        {{3.0, 9.5, 14.5, below(15.0)}, lgammaSmall},
                        {{15.0, 170.5, 1e300}, lanczosApprox}};
    for (const Row& r : rows)
        for (const double x : r.xs) EXPECT_EQ(logGamma(x), r.piece(x)) << x;
    // lgammaSmall(14.5): twelve logarithms added in turn, then lgamma2_3(2.5).
    double acc = 0.0;
    for (double z = 13.5; z >= 2.5; z -= 1.0) acc = acc + std::log(z);
    EXPECT_EQ(lgammaSmall(14.5), lgamma2_3(2.5) + acc);
}

TEST(LogGamma, LanczosFollowsItsFormulaForEveryMagnitude)
{
    // The Lanczos sum as written, through the generic evalRatio.
    const auto formula = [](double z) {
        const double l = std::log((z + 6.024680040776729583740234375) - 0.5);
        return (l - 1.0) * (z - 0.5) + std::log(evalRatio(tableLanczos, z));
    };
    std::vector<double> zs{15.0, 1e5, 0x1p60, std::nextafter(0x1p62, 0.0), 0x1p62, 0x1p63, 1e300, 1.7e308};
    double z = 15.0;
    while (z < 1e308) {
        zs.push_back(z);
        z *= 1.37;
    }
    for (const double x : zs) ASSERT_EQ(bits(lanczosApprox(x)), bits(formula(x))) << x;
}

TEST(LogGamma, PiecesOutsideTheirRangeTerminate)
{
    EXPECT_EQ(lgammaSmall(inf), inf);
    EXPECT_TRUE(std::isnan(lgammaSmall(nan)));
    EXPECT_EQ(lgammaSmall(1e300), lanczosApprox(1e300));
    EXPECT_EQ(lgammaSmall(0x1p60), lanczosApprox(0x1p60));
    EXPECT_TRUE(std::isnan(lanczosApprox(nan)));
    EXPECT_EQ(lanczosApprox(inf), inf);
}

TEST(LogGamma, EvalRatioAndCorrections)
{
    for (const double x : {-2.0, 0.5, 1.0, 3.0, nan}) EXPECT_TRUE(std::isnan(evalRatio(CoefficientPairs{{}, {}}, x))) << x;
    // (1 + 2x + 3x^2) / (4 + 5x): above 1 folded in 1/x from the first pair, the same ratio here.
    const std::vector<double> a{1, 2, 3}, b{4, 5, 0};
    EXPECT_EQ(evalRatio(CoefficientPairs{a, b}, 0.5), 2.75 / 6.5);
    EXPECT_EQ(evalRatio(CoefficientPairs{a, b}, 2.0), 4.25 / 3.5);
    // The reciprocal form keeps large x finite.
    EXPECT_NEAR(evalRatio(tableLanczos, 1e200), 0.0060618423462489067, 1e-18);

    for (const double x : {9.99, nan, -inf}) EXPECT_TRUE(std::isnan(logGammaCorrection(x))) << x;
    EXPECT_EQ(logGammaCorrection(inf), 0.0);
    const double edge = 94906265.624251559;  // from here on 1/(12x)
    EXPECT_EQ(logGammaCorrection(edge), 1.0 / (edge * 12.0));
    EXPECT_EQ(stirlingError(0.0), 0.0);
    EXPECT_EQ(stirlingError(-0.0), 0.0);
    EXPECT_EQ(stirlingError(inf), 0.0);
    for (const double x : {nan, -inf, -1.25}) EXPECT_TRUE(std::isnan(stirlingError(x))) << x;
    // Negative half-integers have no table entry.
    for (const double bad : {-0.5, -1.0, -15.0, -1e300}) {
        EXPECT_THAT([bad] { stirlingError(bad); },
                    ThrowsMessage<std::out_of_range>(StrEq(
                        "Numeric.SpecFunctions.stirlingError: index out of bounds: no table entry for a "
                        "negative half-integer")))
            << bad;
    }
}

TEST(Extra, LogGammaAS245EndValues) {
  for (const double x : {0.0, -1.0, inf, 1.5e308}) EXPECT_EQ(logGammaAS245(x), inf) << x;
  EXPECT_EQ(logGammaAS245(1.0), 0.0);
  EXPECT_EQ(logGammaAS245(2.0), 0.0);
  EXPECT_TRUE(std::isnan(logGammaAS245(nan)));
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

TEST(Factorial, TableAndFactorial) {
  for (unsigned long n = 0; n <= 170; ++n) {  // n! rounded toward zero
    Mpfr f(0.0, 2048);
    mpfr_fac_ui(f.get(), n, MPFR_RNDN);
    EXPECT_EQ(factorialTable[n], mpfr_get_d(f.get(), MPFR_RNDZ)) << n;
  }
  EXPECT_EQ(factorial(0), 1.0);
  EXPECT_EQ(factorial(170), factorialTable[170]);
  EXPECT_EQ(factorial(171), inf);
  EXPECT_THAT([] { factorial(-1); }, ThrowsMessage<std::domain_error>(
                                         StrEq("Numeric.SpecFunctions.factorial: negative input")));
}

TEST(Factorial, LogFactorialBranchesAndIntegerTypes) {
  EXPECT_EQ(logFactorial(170), std::log(factorialTable[170]));
  for (const std::int64_t n : {0L, 5L, 127L}) {
    EXPECT_EQ(logFactorial(static_cast<signed char>(n)), logFactorial(n));
    EXPECT_EQ(logFactorial(static_cast<std::uint64_t>(n)), logFactorial(n));
  }
  EXPECT_THAT([] { logFactorial(static_cast<short>(-7)); },
              ThrowsMessage<std::domain_error>(StrEq("Numeric.SpecFunctions.logFactorial: negative input")));
  veltro::test::UlpStats st;
  for (const double v : veltro::test::logUniform(2.0, 1e15, 400, 3)) {
    const auto n = static_cast<std::int64_t>(v);
    st.add(v, logFactorial(n), veltro::test::lngamma(static_cast<double>(n) + 1.0));
  }
  EXPECT_LE(st.max(), 2u) << st.summary("logFactorial");  // both series branches (171.., 1500..)
}

TEST(Factorial, ChooseAndLogChooseBranches) {
  EXPECT_EQ(choose(5, 6), 0.0);
  EXPECT_EQ(logChoose(5, 6), -inf);
  for (const std::int64_t n : {0L, 7L, 1000L, 123456789L}) {
    EXPECT_EQ(choose(n, 0), 1.0);
    EXPECT_EQ(choose(n, n), 1.0);
    EXPECT_EQ(choose(n, 1), static_cast<double>(n));
  }
  EXPECT_EQ(choose(10, 3), 120.0);
  EXPECT_EQ(choose(60, 50), 75394027566.0);  // k' = 10: product formula
  // k' >= 50 goes through logBeta; C(n, k) >= C(100, 50) > 2^63 there, returned without rounding.
  EXPECT_EQ(choose(100, 50), std::exp(-std::log(101.0) - logBeta(51.0, 51.0)));
  EXPECT_EQ(choose(7, -3), 1.0);  // k' negative: the product formula's k <= 1 case
  EXPECT_EQ(chooseExact(7, -2), 1.0);
  EXPECT_EQ(logChoose(30000000, 3), logChooseFast(30000000.0, 3.0));  // n >= 2e7
  EXPECT_EQ(logChoose(1000, 997), std::log(chooseExact(1000, 3)));
  EXPECT_EQ(logChoose(1000, 500), logChooseFast(1000.0, 500.0));
}

TEST(Factorial, ChooseAndLogChooseAgreeWithMpfr) {
  const auto logChooseRef = [](double n, double k) {
    const Mpfr one(1.0, 1024), nm(n, 1024), km(k, 1024);
    return map(mpfr_lngamma, nm + one) - map(mpfr_lngamma, km + one) - map(mpfr_lngamma, nm - km + one);
  };
  veltro::test::UlpStats exact, viaBeta, logs;
  for (const double v : veltro::test::logUniform(2.0, 1e6, 300, 9)) {
    const auto n = static_cast<std::int64_t>(v);
    for (const std::int64_t k : {n / 3, n / 2, std::min<std::int64_t>(n, 7), std::min<std::int64_t>(n, 49)}) {
      const Mpfr ref = logChooseRef(static_cast<double>(n), static_cast<double>(k));
      const double lref = ref.toDouble();
      if (lref < 690.0) (std::min(k, n - k) < 50 ? exact : viaBeta).add(v, choose(n, k), map(mpfr_exp, ref).toDouble());
      if (lref > 1.0) logs.add(v, logChoose(n, k), lref);
    }
  }
  // The product formula rounds up to 2·49 times; exp of a large logarithm magnifies its error.
  EXPECT_LE(exact.max(), 1024u) << exact.summary("choose product");
  EXPECT_LE(exact.median(), 16.0);
  EXPECT_LE(viaBeta.max(), 4096u) << viaBeta.summary("choose via logBeta");
  EXPECT_LE(logs.max(), 4u) << logs.summary("logChoose");
}

} // namespace
