// SPDX-License-Identifier: MIT
// Small text helpers shared by chronal's readers.
#pragma once
#include <string_view>

namespace Data::Text {

inline bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

/// s without leading and trailing ASCII white space.
inline std::string_view trimSpace(std::string_view s) {
  while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace Data::Text
