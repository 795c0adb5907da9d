// Factorials, log-factorials and binomial coefficients: the table, the branches, the failures, and
// accuracy against MPFR.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include <Numeric/SpecFunctions.hpp>
#include <Numeric/SpecFunctions/Internal.hpp>

#include "Mpfr.hpp"

namespace {

using namespace Numeric::SpecFunctions;
using Internal::chooseExact;
using Internal::factorialTable;
using Internal::logChooseFast;
using testing::StrEq;
using testing::ThrowsMessage;
using veltro::test::Mpfr;
constexpr double inf = std::numeric_limits<double>::infinity();

TEST(Factorial, TableHoldsFactorialsRoundedTowardZero) {
  for (unsigned long n = 0; n <= 170; ++n) {
    Mpfr f(0.0, 2048);
    mpfr_fac_ui(f.get(), n, MPFR_RNDN);
    EXPECT_EQ(factorialTable[n], mpfr_get_d(f.get(), MPFR_RNDZ)) << n;
  }
  EXPECT_EQ(factorialTable[23], 2.5852016738884974e+22);
  EXPECT_EQ(factorialTable[24], 6.2044840173323941e+23);
  EXPECT_EQ(factorialTable[78], 1.1324281178206297e+115);
}

TEST(Factorial, FactorialRangeAndFailure) {
  EXPECT_EQ(factorial(0), 1.0);
  EXPECT_EQ(factorial(10), 3628800.0);
  EXPECT_EQ(factorial(170), factorialTable[170]);
  EXPECT_TRUE(std::isfinite(factorial(170)));
  EXPECT_EQ(factorial(171), inf);
  EXPECT_EQ(factorial(std::numeric_limits<std::int64_t>::max()), inf);
  EXPECT_THAT([] { factorial(-1); }, ThrowsMessage<std::domain_error>(
                                         StrEq("Numeric.SpecFunctions.factorial: negative input")));
}

TEST(Factorial, LogFactorialBranchesForEveryIntegerType) {
  EXPECT_EQ(logFactorial(0), 0.0);
  EXPECT_EQ(logFactorial(170), std::log(factorialTable[170]));
  const double x171 = 172.0;
  const double st171 = (x171 - 0.5) * std::log(x171) - x171 + 0.91893853320467278;
  EXPECT_EQ(logFactorial(171), st171 + (1.0 / x171) * (0.083333333333333329 -
                                                        0.0027777777777777779 * (1.0 / x171) * (1.0 / x171)));
  const double x1500 = 1501.0;
  EXPECT_EQ(logFactorial(1500), (x1500 - 0.5) * std::log(x1500) - x1500 + 0.91893853320467278 +
                                    0.083333333333333329 * (1.0 / x1500));
  for (const std::int64_t n : {0L, 5L, 100L, 127L}) {
    EXPECT_EQ(logFactorial(static_cast<signed char>(n)), logFactorial(n));
    EXPECT_EQ(logFactorial(static_cast<unsigned short>(n)), logFactorial(n));
    EXPECT_EQ(logFactorial(static_cast<std::uint64_t>(n)), logFactorial(n));
  }
  EXPECT_EQ(logFactorial(std::uint64_t{1} << 62), logFactorial(std::int64_t{1} << 62));
  for (const auto call : {+[] { logFactorial(-1); }, +[] { logFactorial(static_cast<short>(-7)); },
                          +[] { logFactorial(std::numeric_limits<std::int64_t>::min()); }}) {
    EXPECT_THAT(call, ThrowsMessage<std::domain_error>(
                          StrEq("Numeric.SpecFunctions.logFactorial: negative input")));
  }
}

TEST(Factorial, LogFactorialAgreesWithMpfr) {
  veltro::test::UlpStats table, stirling;
  for (std::int64_t n = 2; n <= 170; ++n) {
    table.add(static_cast<double>(n), logFactorial(n), veltro::test::lngamma(static_cast<double>(n) + 1.0));
  }
  for (const double x : veltro::test::logUniform(171.0, 1e15, 400, 3)) {
    const auto n = static_cast<std::int64_t>(x);
    stirling.add(x, logFactorial(n), veltro::test::lngamma(static_cast<double>(n) + 1.0));
  }
  std::printf("%s\n%s\n", table.summary("logFactorial table").c_str(),
              stirling.summary("logFactorial Stirling").c_str());
  EXPECT_LE(table.max(), 1u);
  EXPECT_LE(stirling.max(), 2u);
}

TEST(Factorial, ChooseAndLogChooseBranches) {
  EXPECT_EQ(choose(5, 6), 0.0);
  EXPECT_EQ(logChoose(5, 6), -inf);
  for (const std::int64_t n : {0L, 1L, 7L, 60L, 1000L, 123456789L}) {
    EXPECT_EQ(choose(n, 0), 1.0);
    EXPECT_EQ(choose(n, n), 1.0);
    EXPECT_EQ(choose(n, 1), static_cast<double>(n));
  }
  EXPECT_EQ(choose(10, 3), 120.0);
  EXPECT_EQ(choose(60, 50), 75394027566.0);          // k' = 10: product formula
  // Through logBeta (k' >= 50 means C(n, k) >= C(100, 50) > 2^63): returned without rounding.
  EXPECT_EQ(choose(100, 50), std::exp(-std::log(101.0) - logBeta(51.0, 51.0)));
  EXPECT_GT(choose(100, 50), 0x1p63);
  EXPECT_EQ(choose(7, -3), 1.0);   // k' negative: the product formula's k <= 1 case
  EXPECT_EQ(chooseExact(7, 1), 7.0);
  EXPECT_EQ(chooseExact(7, 0), 1.0);
  EXPECT_EQ(chooseExact(7, -2), 1.0);
  EXPECT_EQ(logChoose(30000000, 3), logChooseFast(30000000.0, 3.0));
  EXPECT_EQ(logChoose(1000, 3), std::log(chooseExact(1000, 3)));
  EXPECT_EQ(logChoose(1000, 997), std::log(chooseExact(1000, 3)));
  EXPECT_EQ(logChoose(1000, 500), logChooseFast(1000.0, 500.0));
}

double logChooseRef(double n, double k) {
  const Mpfr one(1.0, 1024), nm(n, 1024), km(k, 1024);
  const Mpfr r = map(mpfr_lngamma, nm + one) - map(mpfr_lngamma, km + one) -
                 map(mpfr_lngamma, nm - km + one);
  return r.toDouble();
}

TEST(Factorial, ChooseAndLogChooseAgreeWithMpfr) {
  veltro::test::UlpStats exact, rounded, logSmall, logLarge;
  for (const double x : veltro::test::logUniform(2.0, 1e6, 300, 9)) {
    const auto n = static_cast<std::int64_t>(x);
    for (const std::int64_t k : {n / 3, n / 2, std::min<std::int64_t>(n, 7), std::min<std::int64_t>(n, 49)}) {
      const double ref = std::exp(logChooseRef(static_cast<double>(n), static_cast<double>(k)));
      const double got = choose(n, k);
      if (std::isfinite(ref) && ref < 1e300) {
        const std::int64_t kk = std::min(k, n - k);
        (kk < 50 ? exact : rounded).add(x, got, ref);
      }
      const double lref = logChooseRef(static_cast<double>(n), static_cast<double>(k));
      if (lref > 1.0) (std::min(k, n - k) < 50 ? logSmall : logLarge).add(x, logChoose(n, k), lref);
    }
  }
  std::printf("%s\n%s\n%s\n%s\n", exact.summary("choose product").c_str(),
              rounded.summary("choose via logBeta").c_str(), logSmall.summary("logChoose product").c_str(),
              logLarge.summary("logChoose via logBeta").c_str());
  // Only the logBeta route (an exponential of a large logarithm) loses digits, by design.
  EXPECT_LE(exact.max(), 1024u);  // up to 2·49 roundings in the product
  EXPECT_LE(exact.median(), 16.0);
  EXPECT_LE(logSmall.max(), 4u);
  EXPECT_LE(logLarge.max(), 4u);
  EXPECT_LE(rounded.max(), 4096u);
}

}  // namespace
