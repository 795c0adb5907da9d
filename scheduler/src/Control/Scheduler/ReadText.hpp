// SPDX-License-Identifier: MIT
// ReadText.hpp (private): a small reader for the constructor-form texts the scheduler renders.
#pragma once

#include <cctype>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Control::Scheduler::detail {

/// s in parentheses (built in place: GCC 12 warns falsely on "(" + s + ")" at -O3).
inline std::string parenthesise(std::string s) {
  s.insert(s.begin(), '(');
  s.push_back(')');
  return s;
}

class Reader {
 public:
  explicit Reader(std::string_view s) : s_(s) {}

  void skipSpace() {
    while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_]))) ++i_;
  }
  /// Consumes t (after white space) if it comes next.
  bool lit(std::string_view t) {
    skipSpace();
    if (s_.substr(i_, t.size()) != t) return false;
    i_ += t.size();
    return true;
  }
  /// An identifier (letters, digits, underscore, prime), possibly empty.
  std::string_view word() {
    skipSpace();
    std::size_t j = i_;
    while (j < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[j])) || s_[j] == '_' ||
                             s_[j] == '\''))
      ++j;
    auto w = s_.substr(i_, j - i_);
    i_ = j;
    return w;
  }
  /// A decimal 64-bit integer with optional minus sign; "(-3)" is accepted as well.
  std::optional<std::int64_t> integer() {
    skipSpace();
    const std::size_t save = i_;
    if (lit("(")) {
      auto v = integer();
      if (v && lit(")")) return v;
      i_ = save;
      return std::nullopt;
    }
    std::int64_t v = 0;
    auto [p, ec] = std::from_chars(s_.data() + i_, s_.data() + s_.size(), v);
    if (ec != std::errc{}) return std::nullopt;
    i_ = static_cast<std::size_t>(p - s_.data());
    return v;
  }
  std::optional<double> real() {
    skipSpace();
    const std::size_t save = i_;
    if (lit("(")) {
      auto v = real();
      if (v && lit(")")) return v;
      i_ = save;
      return std::nullopt;
    }
    double v = 0;
    auto [p, ec] = std::from_chars(s_.data() + i_, s_.data() + s_.size(), v);
    if (ec != std::errc{}) return std::nullopt;
    i_ = static_cast<std::size_t>(p - s_.data());
    return v;
  }
  /// "[a,b,...]" of integers, white space allowed between tokens.
  std::optional<std::vector<std::int64_t>> intList() {
    std::vector<std::int64_t> v;
    if (!lit("[")) return std::nullopt;
    if (lit("]")) return v;
    for (;;) {
      auto x = integer();
      if (!x) return std::nullopt;
      v.push_back(*x);
      if (lit("]")) return v;
      if (!lit(",")) return std::nullopt;
    }
  }
  bool atEnd() {
    skipSpace();
    return i_ == s_.size();
  }
  std::size_t pos() const { return i_; }
  void seek(std::size_t p) { i_ = p; }

 private:
  std::string_view s_;
  std::size_t i_ = 0;
};

/// Reads `Name {field = n}`, optionally parenthesised, as a whole text.
inline std::optional<std::int64_t> readRecord(std::string_view text, std::string_view name,
                                              std::string_view field) {
  Reader r(text);
  int parens = 0;
  while (r.lit("(")) ++parens;
  if (r.word() != name || !r.lit("{") || r.word() != field || !r.lit("=")) return std::nullopt;
  auto v = r.integer();
  if (!v || !r.lit("}")) return std::nullopt;
  while (parens-- > 0)
    if (!r.lit(")")) return std::nullopt;
  if (!r.atEnd()) return std::nullopt;
  return v;
}

}  // namespace Control::Scheduler::detail
