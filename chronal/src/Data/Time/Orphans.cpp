// SPDX-License-Identifier: MIT
// The out-of-line parts of the time hashes: integers past 64 bits, text and locales.
#include <Data/Number/Rational.hpp>
#include <Data/Time/Orphans.hpp>

namespace Data::Time::Orphans {

namespace detail {
std::int64_t hashBigInteger(std::int64_t s, const Integer& n) noexcept {
  const std::size_t limbs = n.magnitudeLimbCount();
  for (std::size_t i = 0; i < limbs; ++i) s = mix(s, static_cast<std::int64_t>(n.magnitudeLimb(i)));
  const auto count = static_cast<std::int64_t>(limbs);
  return mix(s, n.signum() < 0 ? -count : count);
}

std::pair<Integer, Integer> reducedSecondsBig(const Integer& picoseconds) {
  const Data::Number::Rational r(picoseconds, Data::Number::Pico::scale());
  return {r.numerator(), r.denominator()};
}
}  // namespace detail

std::int64_t hashText(std::int64_t s, std::string_view utf8) noexcept {
  std::int64_t count = 0;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    int len = 1;
    std::uint32_t c = b;
    if (b >= 0xF0) {
      len = 4;
      c = b & 0x07;
    } else if (b >= 0xE0) {
      len = 3;
      c = b & 0x0F;
    } else if (b >= 0xC0) {
      len = 2;
      c = b & 0x1F;
    }
    for (int k = 1; k < len && i + static_cast<std::size_t>(k) < utf8.size(); ++k) {
      c = (c << 6) | (static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]) & 0x3F);
    }
    i += static_cast<std::size_t>(len);
    s = mix(s, static_cast<std::int64_t>(c));
    ++count;
  }
  return mix(s, count);
}

namespace {
std::int64_t hashNamePairs(std::int64_t s,
                           const std::vector<std::pair<std::string, std::string>>& names) noexcept {
  for (const auto& [full, abbreviated] : names) s = hashText(hashText(s, full), abbreviated);
  return mix(s, static_cast<std::int64_t>(names.size()));
}
}  // namespace

std::int64_t hashWithSalt(std::int64_t s, const Format::TimeLocale& l) noexcept {
  s = hashNamePairs(s, l.wDays);
  s = hashNamePairs(s, l.months);
  s = hashText(hashText(s, l.amPm.first), l.amPm.second);
  s = hashText(s, l.dateTimeFmt);
  s = hashText(s, l.dateFmt);
  s = hashText(s, l.timeFmt);
  s = hashText(s, l.time12Fmt);
  for (const auto& z : l.knownTimeZones) s = hashWithSalt(s, z);
  return mix(s, static_cast<std::int64_t>(l.knownTimeZones.size()));
}

}  // namespace Data::Time::Orphans
