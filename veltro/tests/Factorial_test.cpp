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

TEST(Factorial, TableAndFactorial) {
  for (unsigned long n = 0; n <= 170; ++n) {  // n! rounded toward zero
    Mpfr f(0.0, 2048);
    mpfr_fac_ui(f.get(), n, MPFR_RNDN);
    EXPECT_EQ(factorialTable[n], mpfr_get_d(f.get(), MPFR_RNDZ)) << n;
  }
  EXPECT_EQ(factorialTable[23], 2.5852016738884974e+22);
  EXPECT_EQ(factorialTable[78], 1.1324281178206297e+115);
  EXPECT_EQ(factorial(0), 1.0);
  EXPECT_EQ(factorial(170), factorialTable[170]);
  EXPECT_EQ(factorial(171), inf);
  EXPECT_THAT([] { factorial(-1); }, ThrowsMessage<std::domain_error>(
                                         StrEq("Numeric.SpecFunctions.factorial: negative input")));
}

TEST(Factorial, LogFactorialBranchesAndIntegerTypes) {
  EXPECT_EQ(logFactorial(170), std::log(factorialTable[170]));
  const double x = 172.0, rx = 1.0 / x;  // 171: the three-term series
  const double stirling = (x - 0.5) * std::log(x) - x + 0.91893853320467278;
  EXPECT_EQ(logFactorial(171), stirling + rx * (0.083333333333333329 - 0.0027777777777777779 * rx * rx));
  const double y = 1501.0;  // 1500: the two-term series
  EXPECT_EQ(logFactorial(1500), (y - 0.5) * std::log(y) - y + 0.91893853320467278 + 0.083333333333333329 / y);
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
  EXPECT_LE(st.max(), 2u) << st.summary("logFactorial");
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

}  // namespace
