// SPDX-License-Identifier: MIT
#include <Data/Number/Fixed.hpp>
#include <Data/Number/Gmp.hpp>
#include <Data/Number/Integer.hpp>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <sstream>
#include <unordered_set>

using Data::Number::Fixed;
using Data::Number::Integer;
using Data::Number::Pico;
namespace Gmp = Data::Number::Gmp;
using testing::StrEq;
using testing::ThrowsMessage;

namespace {

constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

Integer big(const char* s) { return *Integer::fromDecimal(s); }

// Operands around the 64-bit boundary and well beyond it, so that every fast path meets the slow one.
std::vector<Integer> operands() {
  std::vector<Integer> v = {Integer(0),    Integer(1),    Integer(-1),       Integer(7),
                            Integer(-7),   Integer(kMax), Integer(kMin),     Integer(kMax - 1),
                            Integer(kMin + 1), Integer(std::numeric_limits<std::uint64_t>::max()),
                            big("9223372036854775808"), big("-9223372036854775809"),
                            big("123456789012345678901234567890"), big("-98765432109876543210987")};
  std::mt19937_64 rng(42);
  for (int i = 0; i < 40; ++i) v.emplace_back(static_cast<std::int64_t>(rng()) >> (rng() % 63));
  return v;
}

}  // namespace

TEST(Integer, ArithmeticMatchesGmpAcrossTheBoundary) {
  const auto xs = operands();
  for (const auto& a : xs) {
    const mpz_class za = Gmp::toMpz(a);
    EXPECT_EQ(Gmp::toMpz(-a), mpz_class(-za));
    for (const auto& b : xs) {
      const mpz_class zb = Gmp::toMpz(b);
      EXPECT_EQ(Gmp::toMpz(a + b), mpz_class(za + zb));
      EXPECT_EQ(Gmp::toMpz(a - b), mpz_class(za - zb));
      EXPECT_EQ(Gmp::toMpz(a * b), mpz_class(za * zb));
      EXPECT_EQ(a < b, za < zb);
      EXPECT_EQ(a == b, za == zb);
      if (zb == 0) continue;
      mpz_class q, r;
      mpz_tdiv_qr(q.get_mpz_t(), r.get_mpz_t(), za.get_mpz_t(), zb.get_mpz_t());
      const auto [tq, tr] = quotRem(a, b);
      EXPECT_EQ(Gmp::toMpz(tq), q);
      EXPECT_EQ(Gmp::toMpz(tr), r);
      mpz_fdiv_qr(q.get_mpz_t(), r.get_mpz_t(), za.get_mpz_t(), zb.get_mpz_t());
      const auto [fq, fr] = divMod(a, b);
      EXPECT_EQ(Gmp::toMpz(fq), q);
      EXPECT_EQ(Gmp::toMpz(fr), r);
    }
  }
}

TEST(Integer, RepresentationIsCanonical) {
  // A big intermediate that comes back into range is held inline and hashes like the literal.
  const Integer up = Integer(kMax) + Integer(10);
  EXPECT_FALSE(up.fitsInt64());
  const Integer back = up - Integer(10);
  EXPECT_TRUE(back.fitsInt64());
  EXPECT_EQ(back.toInt64(), kMax);
  EXPECT_EQ(std::hash<Integer>{}(back), std::hash<Integer>{}(Integer(kMax)));
  EXPECT_TRUE((-Integer(kMin)).fitsInt64() == false);
  EXPECT_EQ(-(-Integer(kMin)), Integer(kMin));
  EXPECT_TRUE((-(-Integer(kMin))).fitsInt64());
  EXPECT_EQ(quot(Integer(kMin), Integer(-1)), big("9223372036854775808"));
  // Sign and limbs: 2^64 + 5 has limbs (5, 1); -2^63 has one limb 2^63.
  const Integer two64p5 = Integer(std::numeric_limits<std::uint64_t>::max()) + Integer(6);
  EXPECT_EQ(two64p5.signum(), 1);
  ASSERT_EQ(two64p5.magnitudeLimbCount(), 2u);
  EXPECT_EQ(two64p5.magnitudeLimb(0), 5u);
  EXPECT_EQ(two64p5.magnitudeLimb(1), 1u);
  EXPECT_EQ(Integer(kMin).magnitudeLimbCount(), 1u);
  EXPECT_EQ(Integer(kMin).magnitudeLimb(0), std::uint64_t(1) << 63);
  EXPECT_EQ(Integer(0).magnitudeLimbCount(), 0u);
  std::unordered_set<Integer> set = {Integer(1), big("-1"), Integer(-1), up, back};
  EXPECT_EQ(set.size(), 4u);
}

TEST(Integer, DivisionByZeroThrows) {
  EXPECT_THAT([] { (void)quot(Integer(1), Integer(0)); },
              ThrowsMessage<std::domain_error>(StrEq("divide by zero")));
  EXPECT_THAT([] { (void)divMod(big("123456789012345678901234567890"), Integer(0)); },
              ThrowsMessage<std::domain_error>(StrEq("divide by zero")));
  EXPECT_THAT([] { (void)big("123456789012345678901234567890").toInt64(); },
              ThrowsMessage<std::out_of_range>(StrEq("Integer.toInt64: value out of range")));
}

TEST(Integer, ShowReadRoundTrip) {
  for (const auto& a : operands()) {
    const std::string s = show(a);
    EXPECT_EQ(Integer::read(" " + s + "\n"), a) << s;
    std::ostringstream os;
    os << a;
    EXPECT_EQ(os.str(), s);
  }
  EXPECT_EQ(show(Integer(kMin)), "-9223372036854775808");
  EXPECT_EQ(show(Integer(std::numeric_limits<std::uint64_t>::max())), "18446744073709551615");
  for (const char* bad : {"", "-", "+1", "1a", "1 2", "--1", "0x10"}) {
    EXPECT_EQ(Integer::read(bad), std::nullopt) << bad;
  }
  EXPECT_EQ(Integer(std::uint64_t(1) << 63).to<std::uint64_t>(), std::uint64_t(1) << 63);
  EXPECT_EQ(Integer(300).to<std::uint8_t>(), std::nullopt);
  EXPECT_EQ(Integer(-3).to<short>(), short(-3));
}

TEST(Fixed, ShowAndReadAllFractionDigits) {
  using Milli = Fixed<3>;
  const struct {
    const char* text;
    std::int64_t units;
    const char* shown;
  } rows[] = {{"1.5", 1500, "1.500"},     {"2", 2000, "2.000"},        {"-0.001", -1, "-0.001"},
              {"0.0", 0, "0.000"},        {"-12.3400", -12340, "-12.340"}, {" 7.25 ", 7250, "7.250"}};
  for (const auto& r : rows) {
    const auto x = Milli::read(r.text);
    ASSERT_TRUE(x) << r.text;
    EXPECT_EQ(x->units(), Integer(r.units));
    EXPECT_EQ(show(*x), r.shown);
    EXPECT_EQ(Milli::read(show(*x)), x);
  }
  // A fraction finer than the unit is refused rather than truncated; malformed texts too.
  for (const char* bad : {"1.2345", "1.", ".5", "", "-", "1,5", "+1"}) {
    EXPECT_EQ(Milli::read(bad), std::nullopt) << bad;
  }
  EXPECT_EQ(show(Fixed<0>::fromInteger(-4)), "-4");
  EXPECT_EQ(show(Pico::fromUnits(big("-123456789012345678901234"))), "-123456789012.345678901234");
}

TEST(Fixed, ArithmeticRoundsTowardNegativeInfinity) {
  using Deci = Fixed<1>;
  const Deci a = *Deci::read("1.5"), b = *Deci::read("-0.7");
  EXPECT_EQ(show(a + b), "0.8");
  EXPECT_EQ(show(a * b), "-1.1");  // -1.05 rounded down
  EXPECT_EQ(show(a / b), "-2.2");  // -2.142... rounded down
  EXPECT_LT(b, a);
  EXPECT_EQ(std::hash<Deci>{}(a), std::hash<Deci>{}(Deci::fromUnits(Integer(15))));
  EXPECT_THAT([&] { (void)(a / Deci()); }, ThrowsMessage<std::domain_error>(StrEq("divide by zero")));
  std::mt19937_64 rng(7);
  for (int i = 0; i < 200; ++i) {
    const Pico x = Pico::fromUnits(Integer(static_cast<std::int64_t>(rng())) * Integer(1000));
    EXPECT_EQ(Pico::read(show(x)), x);
  }
}
