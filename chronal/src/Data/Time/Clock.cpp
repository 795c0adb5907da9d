// SPDX-License-Identifier: MIT
// Time differences, UTC and universal times: arithmetic, std::chrono counts and renderings.
#include <Data/Time/Clock.hpp>
#include <Data/Time/Format.hpp>
#include <Data/Time/LocalTime.hpp>

#include <ostream>
#include <stdexcept>

#include "Data/Time/Messages.hpp"
#include "Data/Time/Text.hpp"

namespace Data::Time::Clock {

namespace {
constexpr std::int64_t kUnixEpochMjd = 40587;
constexpr std::int64_t kPicosPerDay = 86'400'000'000'000'000;
}  // namespace

NominalDiffTime nominalDay() { return NominalDiffTime(Integer(kPicosPerDay)); }

NominalDiffTime utcTimeToPOSIXSeconds(const UTCTime& t) {
  const Integer days = t.utctDay.toModifiedJulianDay() - Integer(kUnixEpochMjd);
  return NominalDiffTime(days * Integer(kPicosPerDay) + t.utctDayTime.picoseconds());
}

UTCTime posixSecondsToUTCTime(const NominalDiffTime& s) {
  auto [days, ps] = divMod(s.picoseconds(), Integer(kPicosPerDay));
  return UTCTime{Day(days + Integer(kUnixEpochMjd)), DiffTime(std::move(ps))};
}

UTCTime addUTCTime(const NominalDiffTime& d, const UTCTime& t) {
  return posixSecondsToUTCTime(utcTimeToPOSIXSeconds(t) + d);
}

NominalDiffTime diffUTCTime(const UTCTime& a, const UTCTime& b) {
  return utcTimeToPOSIXSeconds(a) - utcTimeToPOSIXSeconds(b);
}

namespace detail {
Integer utcToCount(const UTCTime& t, std::intmax_t num, std::intmax_t den) {
  const Integer ps = utcTimeToPOSIXSeconds(t).picoseconds();
  return div(ps * Integer(den), Integer(num) * Pico::scale());
}

UTCTime utcFromCount(const Integer& count, std::intmax_t num, std::intmax_t den) {
  const Integer ps = div(count * Integer(num) * Pico::scale(), Integer(den));
  return posixSecondsToUTCTime(NominalDiffTime(ps));
}

void utcOutOfChrono() { throw std::out_of_range(std::string(Data::Time::msg::utcOutOfChrono)); }
}  // namespace detail

std::string show(const DiffTime& t) {
  std::string out;
  text::appendTrimmed(out, Pico::fromUnits(t.picoseconds()));
  out += 's';
  return out;
}

std::string show(const NominalDiffTime& t) {
  std::string out;
  text::appendTrimmed(out, Pico::fromUnits(t.picoseconds()));
  out += 's';
  return out;
}

std::string show(const UTCTime& t) {
  return show(LocalTime::utcToLocalTime(LocalTime::utc(), t)) + " UTC";
}

std::string show(const UniversalTime& t) {
  return show(LocalTime::ut1ToLocalTime(Rational(0), t));
}

namespace {
std::optional<Integer> readSeconds(std::string_view s) {
  s = text::trim(s);
  if (s.empty() || s.back() != 's') return std::nullopt;
  s.remove_suffix(1);
  if (s.empty() || text::isSpace(s.back()) || text::isSpace(s.front())) return std::nullopt;
  auto p = Pico::read(s);
  if (!p) return std::nullopt;
  return p->units();
}
}  // namespace

std::optional<DiffTime> readDiffTime(std::string_view text) {
  auto ps = readSeconds(text);
  if (!ps) return std::nullopt;
  return DiffTime(std::move(*ps));
}

std::optional<NominalDiffTime> readNominalDiffTime(std::string_view text) {
  auto ps = readSeconds(text);
  if (!ps) return std::nullopt;
  return NominalDiffTime(std::move(*ps));
}

std::optional<UTCTime> UTCTime::read(std::string_view text) {
  return Format::parseTimeM<UTCTime>(true, Format::defaultTimeLocale(), "%Y-%m-%d %H:%M:%S%Q %Z",
                                     text);
}

std::optional<UniversalTime> UniversalTime::read(std::string_view text) {
  auto lt = LocalTime::LocalTime::read(text);
  if (!lt) return std::nullopt;
  return LocalTime::localTimeToUT1(Rational(0), *lt);
}

std::ostream& operator<<(std::ostream& os, const DiffTime& t) { return os << show(t); }
std::ostream& operator<<(std::ostream& os, const NominalDiffTime& t) { return os << show(t); }
std::ostream& operator<<(std::ostream& os, const UTCTime& t) { return os << show(t); }
std::ostream& operator<<(std::ostream& os, const UniversalTime& t) { return os << show(t); }

}  // namespace Data::Time::Clock
