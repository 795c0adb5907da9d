// SPDX-License-Identifier: MIT
// Data/Tessel/Fmt.hpp: formatting a Tessel with {fmt}. Optional: the library itself never includes
// it, so only a program that has {fmt} (and links it) includes this header.
//   fmt::print("{:>8}|\n", text);   // the text itself, padded like any UTF-8 string argument
#pragma once

#include <tessel/export.hpp>

#include "Data/Tessel/Internal.hpp"

#include <fmt/format.h>

/// {fmt} writes the text itself, with the width, fill and alignment options of a string.
template <>
struct fmt::formatter<Data::Tessel::Tessel> : fmt::formatter<fmt::string_view> {
  template <class FormatContext>
  auto format(const Data::Tessel::Tessel& t, FormatContext& ctx) const {
    const std::string_view v = t.view();
    return fmt::formatter<fmt::string_view>::format(fmt::string_view(v.data(), v.size()), ctx);
  }
};
