// SPDX-License-Identifier: MIT
// Data/Time/Orphans.hpp: salted hashes of the calendar types, built field by field from a 64-bit
// mixing step, and the std::hash specialisations that make them keys of the standard containers.
//   std::int64_t h = hash(fromGregorian(2024, 12, 8));
//   std::unordered_set<UTCTime> seen;
#pragma once
#include <chronal/export.hpp>

#include <Data/Number/Integer.hpp>
#include <Data/Time/Calendar.hpp>
#include <Data/Time/Clock.hpp>
#include <Data/Time/Format.hpp>
#include <Data/Time/LocalTime.hpp>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string_view>
#include <utility>

namespace Data::Time::Orphans {

using Data::Number::Integer;

/// The salt of the unsalted hash.
inline constexpr std::int64_t defaultSalt = static_cast<std::int64_t>(0xcbf29ce484222325ULL);

/// The mixing step of state s and a 64-bit integer x (arithmetic modulo 2^64): the high and low
/// halves of the 128-bit product s·x xor-ed, added to s and byte-swapped x, then finalised with
/// two multiply-xorshift rounds.
constexpr std::int64_t mix(std::int64_t s, std::int64_t x) noexcept {
  __extension__ using U128 = unsigned __int128;
  const auto us = static_cast<std::uint64_t>(s);
  const auto ux = static_cast<std::uint64_t>(x);
  const U128 p = static_cast<U128>(us) * ux;
  const std::uint64_t f = static_cast<std::uint64_t>(p >> 64) ^ static_cast<std::uint64_t>(p);
  std::uint64_t z = us + __builtin_bswap64(ux) + f;
  z ^= z >> 33;
  z *= 0xff51afd7ed558ccdULL;
  z ^= z >> 33;
  z *= 0xc4ceb9fe1a85ec53ULL;
  z ^= z >> 33;
  return static_cast<std::int64_t>(z);
}

namespace detail {
CHRONAL_API std::int64_t hashBigInteger(std::int64_t s, const Integer& n) noexcept;
CHRONAL_API std::pair<Integer, Integer> reducedSecondsBig(const Integer& picoseconds);
}  // namespace detail

/// The salted hash of an integer, H(s, n): mix(s, n) for a value in the 64-bit range; otherwise
/// each 64-bit limb of |n| mixed in, least significant first, then mix(state, ±limb count) with
/// the sign of n. It depends on the value only.
inline std::int64_t hashInteger(std::int64_t s, const Integer& n) noexcept {
  if (n.fitsInt64()) return mix(s, n.small());
  return detail::hashBigInteger(s, n);
}

namespace detail {
/// The inverse of an odd a modulo 2^64 (Newton's iteration doubles the correct bits each step).
constexpr std::uint64_t inverse64(std::uint64_t a) noexcept {
  std::uint64_t x = a;  // correct to 3 bits for odd a
  for (int i = 0; i < 5; ++i) x *= 2 - a * x;
  return x;
}
struct FiveStep {
  std::uint64_t inverse;  // of 5^k
  std::uint64_t limit;    // (2^64 − 1) / 5^k: m is a multiple of 5^k iff m·inverse ≤ limit
  int k;
};
inline constexpr FiveStep fiveSteps[] = {
    {inverse64(390625), ~std::uint64_t{0} / 390625, 8},
    {inverse64(625), ~std::uint64_t{0} / 625, 4},
    {inverse64(25), ~std::uint64_t{0} / 25, 2},
    {inverse64(5), ~std::uint64_t{0} / 5, 1}};
inline constexpr std::int64_t powersOfFive[13] = {1,        5,         25,         125,
                                                  625,      3125,      15625,      78125,
                                                  390625,   1953125,   9765625,    48828125,
                                                  244140625};
/// ps / 10^12 in lowest terms for a 64-bit count other than the most negative one.
constexpr std::pair<std::int64_t, std::int64_t> reduceSmall(std::int64_t ps) noexcept {
  if (ps == 0) return {0, 1};
  // 10^12 = 2^12 · 5^12: cancel the common factors of 2, then those of 5 (at most 8+4 tests, each
  // an exact division by multiplication with the inverse).
  std::uint64_t m = ps < 0 ? std::uint64_t(0) - static_cast<std::uint64_t>(ps)
                           : static_cast<std::uint64_t>(ps);
  const int twos = std::min(__builtin_ctzll(m), 12);
  m >>= twos;
  int fives = 0;
  for (const FiveStep& st : fiveSteps) {
    // Selected rather than branched on: whether a count divides is as good as random.
    const std::uint64_t q = m * st.inverse;
    const bool divides = fives + st.k <= 12 && q <= st.limit;
    m = divides ? q : m;
    fives += divides ? st.k : 0;
  }
  const auto num = static_cast<std::int64_t>(m);
  return {ps < 0 ? -num : num, (std::int64_t{1} << (12 - twos)) * powersOfFive[12 - fives]};
}
}  // namespace detail

/// The picosecond count as seconds in lowest terms: (numerator, denominator) of ps / 10^12.
inline std::pair<Integer, Integer> reducedSeconds(const Integer& ps) {
  if (!ps.fitsInt64() || ps.small() == std::numeric_limits<std::int64_t>::min()) {
    return detail::reducedSecondsBig(ps);
  }
  const auto [num, den] = detail::reduceSmall(ps.small());
  return {Integer(num), Integer(den)};
}

// Field by field, each step salting the next, in the order the comments give.
/// The modified Julian day number.
inline std::int64_t hashWithSalt(std::int64_t s, const Calendar::Day& d) noexcept {
  return hashInteger(s, d.toModifiedJulianDay());
}
/// The month count.
inline std::int64_t hashWithSalt(std::int64_t s, const Calendar::Month& m) noexcept {
  return hashInteger(s, m.count());
}
/// The quarter count.
inline std::int64_t hashWithSalt(std::int64_t s, const Calendar::Quarter& q) noexcept {
  return hashInteger(s, q.count());
}
/// Monday 1 to Sunday 7.
inline std::int64_t hashWithSalt(std::int64_t s, Calendar::DayOfWeek d) noexcept {
  return mix(s, static_cast<std::int64_t>(d));
}
/// Q1 1 to Q4 4.
inline std::int64_t hashWithSalt(std::int64_t s, Calendar::QuarterOfYear q) noexcept {
  return mix(s, static_cast<std::int64_t>(q));
}
/// The length in seconds as a fraction in lowest terms: numerator, then denominator.
template <class Tag>
std::int64_t hashWithSalt(std::int64_t s, const Clock::Picoseconds<Tag>& t) {
  const Integer& ps = t.picoseconds();
  if (ps.fitsInt64() && ps.small() != std::numeric_limits<std::int64_t>::min()) {
    const auto [num, den] = detail::reduceSmall(ps.small());
    return mix(mix(s, num), den);  // both in the 64-bit range: H is one mixing step
  }
  const auto [num, den] = reducedSeconds(ps);
  return hashInteger(hashInteger(s, num), den);
}
/// The modified Julian date as a fraction: numerator, then denominator.
inline std::int64_t hashWithSalt(std::int64_t s, const Clock::UniversalTime& t) noexcept {
  return hashInteger(hashInteger(s, t.getModJulianDate.numerator()), t.getModJulianDate.denominator());
}
/// The day, then the day time as a DiffTime.
inline std::int64_t hashWithSalt(std::int64_t s, const Clock::UTCTime& t) {
  return hashWithSalt(hashWithSalt(s, t.utctDay), t.utctDayTime);
}
/// Hour, minute, then the picosecond count of the seconds.
inline std::int64_t hashWithSalt(std::int64_t s, const LocalTime::TimeOfDay& t) noexcept {
  return hashInteger(mix(mix(s, t.todHour), t.todMin), t.todSec.units());
}
/// The day, then the time of day.
inline std::int64_t hashWithSalt(std::int64_t s, const LocalTime::LocalTime& t) noexcept {
  return hashWithSalt(hashWithSalt(s, t.localDay), t.localTimeOfDay);
}
/// A character sequence: each code point of the UTF-8 text, then the number of code points.
CHRONAL_API std::int64_t hashText(std::int64_t s, std::string_view utf8) noexcept;
/// Minutes, the summer-only flag (0 or 1), then the name.
inline std::int64_t hashWithSalt(std::int64_t s, const LocalTime::TimeZone& z) noexcept {
  return hashText(mix(mix(s, z.timeZoneMinutes), z.timeZoneSummerOnly ? 1 : 0), z.timeZoneName);
}
/// Week-day names, month names, the am/pm pair, the four formats, then the known zones; lists end
/// with their element count.
CHRONAL_API std::int64_t hashWithSalt(std::int64_t s, const Format::TimeLocale& l) noexcept;

/// hashWithSalt with the default salt.
template <class T>
std::int64_t hash(const T& v) {
  return hashWithSalt(defaultSalt, v);
}

}  // namespace Data::Time::Orphans

#define CHRONAL_STD_HASH(T)                                                      \
  template <>                                                                    \
  struct std::hash<T> {                                                          \
    std::size_t operator()(const T& v) const {                                   \
      return static_cast<std::size_t>(Data::Time::Orphans::hash(v));             \
    }                                                                            \
  };
CHRONAL_STD_HASH(Data::Time::Calendar::Day)
CHRONAL_STD_HASH(Data::Time::Calendar::Month)
CHRONAL_STD_HASH(Data::Time::Calendar::Quarter)
CHRONAL_STD_HASH(Data::Time::Calendar::DayOfWeek)
CHRONAL_STD_HASH(Data::Time::Calendar::QuarterOfYear)
CHRONAL_STD_HASH(Data::Time::Clock::UniversalTime)
CHRONAL_STD_HASH(Data::Time::Clock::UTCTime)
CHRONAL_STD_HASH(Data::Time::LocalTime::TimeOfDay)
CHRONAL_STD_HASH(Data::Time::LocalTime::LocalTime)
CHRONAL_STD_HASH(Data::Time::LocalTime::TimeZone)
CHRONAL_STD_HASH(Data::Time::Format::TimeLocale)
#undef CHRONAL_STD_HASH

template <class Tag>
struct std::hash<Data::Time::Clock::Picoseconds<Tag>> {
  std::size_t operator()(const Data::Time::Clock::Picoseconds<Tag>& v) const {
    return static_cast<std::size_t>(Data::Time::Orphans::hash(v));
  }
};
