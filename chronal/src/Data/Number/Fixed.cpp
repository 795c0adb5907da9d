// SPDX-License-Identifier: MIT
// Fixed: decimal rendering and reading of unit counts.
#include <Data/Number/Fixed.hpp>

#include "Data/Text.hpp"

namespace Data::Number::FixedInternal {

namespace {
bool allDigits(std::string_view s) {
  for (const char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}
}  // namespace

Integer pow10(int n) {
  Integer r(1);
  const Integer ten(10);
  for (int i = 0; i < n; ++i) r = r * ten;
  return r;
}

std::optional<Integer> unitsOf(std::string_view whole, std::string_view fraction, bool negative,
                               int digits) {
  const auto n = static_cast<std::size_t>(digits);
  if (fraction.size() > n) {
    if (fraction.find_first_not_of('0', n) != std::string_view::npos) return std::nullopt;
    fraction = fraction.substr(0, n);
  }
  // One digit run: the whole part, the fraction, then zeros up to the unit.
  char local[64];
  std::string heap;
  const std::size_t len = whole.size() + n;
  char* buf = local;
  if (len > sizeof local) {
    heap.resize(len);
    buf = heap.data();
  }
  std::size_t at = 0;
  for (const char c : whole) buf[at++] = c;
  for (const char c : fraction) buf[at++] = c;
  while (at < len) buf[at++] = '0';
  return Integer::fromDigits(std::string_view(buf, len), negative);
}

void showUnitsTo(std::string& out, const Integer& units, int digits) {
  const auto n = static_cast<std::size_t>(digits);
  const std::size_t start = out.size();
  showTo(out, abs(units));
  // Left-pad the digits so that there is at least one integer digit.
  const std::size_t have = out.size() - start;
  if (have < n + 1) out.insert(start, n + 1 - have, '0');
  if (n > 0) out.insert(out.size() - n, 1, '.');
  if (units.signum() < 0) out.insert(start, 1, '-');
}

std::optional<Integer> readUnits(std::string_view text, int digits) {
  text = Text::trimSpace(text);
  bool negative = false;
  if (!text.empty() && text.front() == '-') {
    negative = true;
    text.remove_prefix(1);
  }
  std::string_view whole = text, fraction;
  if (const auto dot = text.find('.'); dot != std::string_view::npos) {
    whole = text.substr(0, dot);
    fraction = text.substr(dot + 1);
    if (fraction.empty()) return std::nullopt;
  }
  if (whole.empty() || !allDigits(whole) || !allDigits(fraction)) return std::nullopt;
  return unitsOf(whole, fraction, negative, digits);
}

}  // namespace Data::Number::FixedInternal
