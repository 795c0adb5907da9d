// SPDX-License-Identifier: MIT
// Data.Format: the compiled parts of the format combinators (messages, quoting, number printing).
#include <Data/Format.hpp>

#include "Data/Messages.hpp"

namespace Data::Format {

std::string showStringLiteral(std::string_view s) {
  static constexpr char hex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(s.size() + 2);
  out.push_back('"');
  const char* p = s.data();
  const char* end = p + s.size();
  while (p != end) {
    char32_t c;
    int len = P::decodeUtf8(p, end, c);
    if (len == 0) {
      c = 0xFFFD;  // a byte that does not begin a well-formed sequence
      len = 1;
    }
    p += len;
    switch (c) {
      case '"': out += "\\\""; continue;
      case '\\': out += "\\\\"; continue;
      case '\a': out += "\\a"; continue;
      case '\b': out += "\\b"; continue;
      case '\t': out += "\\t"; continue;
      case '\n': out += "\\n"; continue;
      case '\v': out += "\\v"; continue;
      case '\f': out += "\\f"; continue;
      case '\r': out += "\\r"; continue;
      default: break;
    }
    if (c >= 0x20 && c <= 0x7E) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    const int digits = c > 0xFFFF ? 8 : 4;
    out += digits == 8 ? "\\U" : "\\u";
    for (int k = digits - 1; k >= 0; --k) out.push_back(hex[(c >> (4 * k)) & 0xF]);
  }
  out.push_back('"');
  return out;
}

namespace Internal {

std::string parseFailureMessage(int readings, std::string_view input) {
  std::string m(readings == 0 ? msg::noParse : msg::multipleParses);
  m += showStringLiteral(input);
  return m;
}

void failBadValue() { throw std::invalid_argument(std::string(msg::badValue)); }

void failParse(const std::string& message) { throw std::invalid_argument(message); }

namespace {
// Step 4: the integer part padded to the digit count, then the trimmed fraction.
void padAndTrim(std::string& out, std::optional<int> digits, std::string_view r) {
  const auto dot = r.find('.');
  const std::string_view whole = r.substr(0, dot);
  const std::string_view fraction = dot == std::string_view::npos ? std::string_view() : r.substr(dot);
  if (digits && *digits > 0 && whole.size() < static_cast<std::size_t>(*digits)) {
    out.append(static_cast<std::size_t>(*digits) - whole.size(), '0');
  }
  out += whole;
  out += trimTrailing(fraction);
}
}  // namespace

bool showNumberText(std::string& out, SignOption sign, std::optional<int> digits, std::string_view r) {
  if (!r.empty() && r.front() == '-') {
    if (sign == NoSign) return false;
    out.push_back('-');
    padAndTrim(out, digits, r.substr(1));
    return true;
  }
  if (sign == PosNegSign) out.push_back('+');
  padAndTrim(out, digits, r);
  return true;
}

}  // namespace Internal
}  // namespace Data::Format
