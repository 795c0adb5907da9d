// SPDX-License-Identifier: MIT
// indexed/Unit.hpp: the unit value, the index of the single-value wrappers Tagged and Solo.
//   indexed::show(indexed::Unit{}) == "()"
#pragma once
#include <wayfare/export.hpp>

#include <compare>
#include <cstddef>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace indexed {

/// The one value of a type with one value: every Unit equals every other.
struct Unit {
  friend constexpr bool operator==(Unit, Unit) noexcept { return true; }
  friend constexpr std::strong_ordering operator<=>(Unit, Unit) noexcept { return std::strong_ordering::equal; }

  /// Accepts "()" with surrounding white space (what show produces); anything else is absent.
  WAYFARE_API static std::optional<Unit> read(std::string_view text);
};

/// "()".
WAYFARE_API std::string show(Unit);
/// Writes show(u).
WAYFARE_API std::ostream& operator<<(std::ostream& out, Unit u);

}  // namespace indexed

template <>
struct std::hash<indexed::Unit> {
  std::size_t operator()(indexed::Unit) const noexcept { return 0; }
};
