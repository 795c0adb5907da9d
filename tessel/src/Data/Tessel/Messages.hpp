// SPDX-License-Identifier: MIT
// Data/Tessel/Messages.hpp: the fixed failure texts of the tessel library.
#pragma once

#include <string_view>

namespace Data::Tessel::msg {
inline constexpr std::string_view invalidOffset = "invalid offset";
inline constexpr std::string_view invalidLength = "invalid length";
inline constexpr std::string_view headEmpty = "head: empty Tessel";
inline constexpr std::string_view lastEmpty = "last: empty Tessel";
inline constexpr std::string_view tailEmpty = "tail: empty Tessel";
inline constexpr std::string_view initEmpty = "init: empty Tessel";
inline constexpr std::string_view indexOutside = "index: not within Tessel";
inline constexpr std::string_view foldl1Empty = "foldl1: empty Tessel";
inline constexpr std::string_view foldr1Empty = "foldr1: empty Tessel";
inline constexpr std::string_view invalidStream = "Binary.get(Tessel): Invalid UTF-8 stream";
inline constexpr std::string_view notEnoughBytes = "Binary.get: not enough bytes";
inline constexpr std::string_view negativeCount = "Binary.get: negative count";
}  // namespace Data::Tessel::msg
