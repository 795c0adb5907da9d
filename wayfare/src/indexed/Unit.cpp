// SPDX-License-Identifier: MIT
// The rendering and reading of Unit: the only code of wayfare that is not a template.
#include "indexed/Unit.hpp"

#include <ostream>

namespace indexed {

namespace {
constexpr std::string_view rendering = "()";
constexpr std::string_view space = " \t\n\r\f\v";
}  // namespace

std::optional<Unit> Unit::read(std::string_view text) {
  const auto first = text.find_first_not_of(space);
  if (first == std::string_view::npos) return std::nullopt;
  const auto last = text.find_last_not_of(space);
  if (text.substr(first, last - first + 1) != rendering) return std::nullopt;
  return Unit{};
}

std::string show(Unit) { return std::string(rendering); }

std::ostream& operator<<(std::ostream& out, Unit u) { return out << show(u); }

}  // namespace indexed
