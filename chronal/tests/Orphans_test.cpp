// SPDX-License-Identifier: MIT
#include <Data/Number/Gmp.hpp>
#include <Data/Time/Orphans.hpp>

#include <gtest/gtest.h>

#include <random>
#include <unordered_set>

using namespace Data::Time::Orphans;
using Data::Number::Integer;
using Data::Number::Pico;
using Data::Time::Calendar::DayOfWeek;
using Data::Time::Calendar::fromGregorian;
using Data::Time::Calendar::QuarterOfYear;
using Data::Time::Clock::DiffTime;
using Data::Time::Clock::NominalDiffTime;
using Data::Time::Clock::UTCTime;
using Data::Time::LocalTime::TimeOfDay;
using Data::Time::LocalTime::TimeZone;

namespace {
std::uint64_t u(std::int64_t h) { return static_cast<std::uint64_t>(h); }
}  // namespace

TEST(Orphans, MixingStepMatchesTheReferenceVectors) {
  constexpr std::uint64_t expected[] = {0xd4497e6a56ebbba9, 0x8f48b386717fdcca, 0xa9819cfaf6b838cd,
                                        0x406c0e957c92fe07, 0x73807921bcca8c70, 0x192f664b1f6371a7,
                                        0xa45b6850a8b99d3c};
  for (int n = 1; n <= 7; ++n) {
    EXPECT_EQ(u(hash(static_cast<DayOfWeek>(n))), expected[n - 1]) << n;
    EXPECT_EQ(u(mix(defaultSalt, n)), expected[n - 1]);
  }
  for (int n = 1; n <= 4; ++n) {
    EXPECT_EQ(hash(static_cast<QuarterOfYear>(n)), hash(static_cast<DayOfWeek>(n)));
  }
  static_assert(mix(defaultSalt, 1) == static_cast<std::int64_t>(0xd4497e6a56ebbba9));
}

TEST(Orphans, CompoundHashesFollowTheFieldOrder) {
  const std::int64_t s = 12345;
  const TimeOfDay t{13, 45, *Pico::read("10.5")};
  EXPECT_EQ(hashWithSalt(s, t), hashInteger(mix(mix(s, 13), 45), Integer(10'500'000'000'000)));
  const TimeZone z{-300, true, "Zé"};
  EXPECT_EQ(hashWithSalt(s, z), mix(mix(mix(mix(mix(s, -300), 1), 'Z'), 0xE9), 2));
  EXPECT_EQ(hashWithSalt(s, TimeZone{60, false, ""}), mix(mix(mix(s, 60), 0), 0));
  const UTCTime ut{fromGregorian(2024, 12, 8), DiffTime(Integer(49'510'250'000'000'000))};
  // 49510.25 s is 198041/4.
  EXPECT_EQ(hashWithSalt(s, ut), mix(mix(mix(s, 60652), 198041), 4));
  EXPECT_EQ(hash(Data::Time::LocalTime::LocalTime{fromGregorian(2024, 12, 8), t}),
            hashWithSalt(hash(fromGregorian(2024, 12, 8)), t));
}

TEST(Orphans, EqualValuesHashEquallyWhateverTheirRepresentation) {
  // A DiffTime of 1.5 s hashes as the fraction 3/2.
  const DiffTime d(Integer(1'500'000'000'000));
  EXPECT_EQ(hash(d), mix(mix(defaultSalt, 3), 2));
  EXPECT_EQ(hash(NominalDiffTime(Integer(1'500'000'000'000))), hash(d));
  EXPECT_EQ(hash(DiffTime()), mix(mix(defaultSalt, 0), 1));
  // The fast reduction agrees with the exact one on values of every shape.
  std::mt19937_64 rng(3);
  for (int i = 0; i < 2000; ++i) {
    const auto ps = static_cast<std::int64_t>(rng()) >> (rng() % 64);
    const std::int64_t scaled = ps / 1'000'000 * static_cast<std::int64_t>(rng() % 2 ? 1'000'000 : 1);
    const Data::Number::Rational exact(Integer(scaled), Pico::scale());
    const auto [num, den] = reducedSeconds(Integer(scaled));
    EXPECT_EQ(num, exact.numerator());
    EXPECT_EQ(den, exact.denominator());
  }
  // Every count of factors of five, past the twelve that 10^12 holds, and both signs.
  std::int64_t five = 1;
  for (int k = 0; k <= 15; ++k, five *= 5) {
    for (const std::int64_t m : {1, -3, 7 * 4096, -2048 * 3}) {
      const Data::Number::Rational exact(Integer(m * five), Pico::scale());
      EXPECT_EQ(reducedSeconds(Integer(m * five)), std::make_pair(exact.numerator(), exact.denominator()))
          << m << " * 5^" << k;
    }
  }
  // An Integer past 64 bits is hashed by value: limbs, then the signed limb count.
  const Integer big = *Integer::fromDecimal("-18446744073709551621");  // -(2^64 + 5)
  EXPECT_EQ(hashInteger(7, big), mix(mix(mix(7, 5), 1), -2));
  const Integer fromGmp = Data::Number::Gmp::fromMpz(mpz_class("-18446744073709551621"));
  EXPECT_EQ(hashInteger(7, fromGmp), hashInteger(7, big));
  EXPECT_EQ(hashInteger(7, Integer(-5)), mix(7, -5));

  std::unordered_set<UTCTime> set;
  set.insert(UTCTime{fromGregorian(2024, 12, 8), DiffTime()});
  set.insert(UTCTime{fromGregorian(2024, 12, 8), DiffTime()});
  EXPECT_EQ(set.size(), 1u);
  EXPECT_EQ(std::hash<DayOfWeek>{}(DayOfWeek::Monday), 0xd4497e6a56ebbba9u);
}

TEST(Orphans, LocaleHashCoversEveryField) {
  const auto& l = Data::Time::Format::defaultTimeLocale();
  auto other = l;
  EXPECT_EQ(hash(other), hash(l));
  other.knownTimeZones.pop_back();
  EXPECT_NE(hash(other), hash(l));
  other = l;
  other.time12Fmt = "%r";
  EXPECT_NE(hash(other), hash(l));
  // The empty locale: two empty lists, the empty am/pm pair and formats, no zones.
  const Data::Time::Format::TimeLocale empty{};
  std::int64_t s = mix(mix(defaultSalt, 0), 0);
  for (int i = 0; i < 6; ++i) s = mix(s, 0);
  EXPECT_EQ(hash(empty), mix(s, 0));
}
