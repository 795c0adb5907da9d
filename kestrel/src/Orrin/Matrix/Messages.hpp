// SPDX-License-Identifier: MIT
// Messages.hpp (private): kestrel's fixed failure texts and the one function that throws them.
//   msg::fail<std::out_of_range>(msg::rowOutOfBounds);
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace Orrin::Matrix::msg {

inline constexpr std::string_view inputSizeMismatch = "input size mismatch";
inline constexpr std::string_view emptyRows = "Orrin.Matrix.fromRows: empty list of rows!";
inline constexpr std::string_view rowSizes = "Orrin.Matrix.fromRows: row sizes do not match";
inline constexpr std::string_view zeroColumns = "Orrin.Matrix.fromRows: zero columns in matrix";
inline constexpr std::string_view rowOutOfBounds = "row out of bounds";
inline constexpr std::string_view columnOutOfBounds = "column out of bounds";
/// Followed by "(cols,n)".
inline constexpr std::string_view unconformable = "matrix/vector unconformable ";
inline constexpr std::string_view negativeRows = "Orrin.Matrix.Mutable.unsafeNew: negative number of rows";
inline constexpr std::string_view negativeColumns = "Orrin.Matrix.Mutable.unsafeNew: negative number of columns";
inline constexpr std::string_view powerExponent = "Orrin.Matrix.power: exponent must be at least 1";
// The vector container's own failures.
inline constexpr std::string_view allocation = "vector allocation: negative or too large element count";
inline constexpr std::string_view sliceRange = "vector slice out of range";
inline constexpr std::string_view indexRange = "vector index out of range";

/// Throws an exception of type E whose what() is text, unchanged.
template <class E = std::invalid_argument>
[[noreturn]] inline void fail(std::string_view text)
{
    throw E(std::string(text));
}

}  // namespace Orrin::Matrix::msg
