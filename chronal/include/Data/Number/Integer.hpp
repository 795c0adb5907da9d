// SPDX-License-Identifier: MIT
// Data/Number/Integer.hpp: arbitrary-precision integers that cost a 64-bit integer while they fit one.
//   Integer n = *Integer::fromDecimal("123456789012345678901234567890") * 7;
//   auto [q, r] = divMod(Integer(-7), Integer(2));  // (-4, 1)
#pragma once
#include <chronal/export.hpp>

#include <compare>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace Data::Number {

/// A standard integer type (the character and bool types excluded).
template <class I>
concept StandardInteger =
    std::integral<I> && !std::same_as<std::remove_cv_t<I>, bool> &&
    !std::same_as<std::remove_cv_t<I>, char> && !std::same_as<std::remove_cv_t<I>, char8_t> &&
    !std::same_as<std::remove_cv_t<I>, char16_t> && !std::same_as<std::remove_cv_t<I>, char32_t> &&
    !std::same_as<std::remove_cv_t<I>, wchar_t>;

/// An integer of any size. A value in the 64-bit signed range is held inline and never allocates;
/// a larger one is held by GMP. The representation is canonical (a value that fits 64 bits is always
/// held inline), so ordering, rendering and hashing depend on the value only.
class Integer {
public:
  struct Big;  // the GMP value, defined inside the library

  constexpr Integer() noexcept = default;
  template <StandardInteger I>
  constexpr Integer(I v) noexcept(sizeof(I) < 8 || std::is_signed_v<I>) {  // NOLINT: implicit
    if constexpr (std::is_signed_v<I> || sizeof(I) < 8) {
      small_ = static_cast<std::int64_t>(v);
    } else if (v <= static_cast<I>(std::numeric_limits<std::int64_t>::max())) {
      small_ = static_cast<std::int64_t>(v);
    } else {
      big_ = fromUnsigned(static_cast<std::uint64_t>(v));
    }
  }
  Integer(const Integer& o) : small_(o.small_), big_(o.big_ ? copyBig(o.big_) : nullptr) {}
  Integer(Integer&& o) noexcept : small_(o.small_), big_(std::exchange(o.big_, nullptr)) {}
  Integer& operator=(const Integer& o) {
    if (this != &o) *this = Integer(o);
    return *this;
  }
  Integer& operator=(Integer&& o) noexcept {
    std::swap(small_, o.small_);
    std::swap(big_, o.big_);
    return *this;
  }
  ~Integer() {
    if (big_) freeBig(big_);
  }

  /// The value of a decimal text: an optional "-" then one or more digits, nothing else.
  /// Absent otherwise. Linear in the length below 19 digits, GMP's conversion above.
  CHRONAL_API static std::optional<Integer> fromDecimal(std::string_view text);
  /// The value of a run of ASCII digits (all of `digits` must be digits; empty gives 0), negated
  /// when `negative`.
  CHRONAL_API static Integer fromDigits(std::string_view digits, bool negative = false);
  /// What show produces, with surrounding white space; absent otherwise.
  CHRONAL_API static std::optional<Integer> read(std::string_view text);

  bool fitsInt64() const noexcept { return big_ == nullptr; }
  /// The value as a 64-bit integer; throws std::out_of_range "Integer.toInt64: value out of range"
  /// when it does not fit.
  std::int64_t toInt64() const {
    if (big_) outOfRange();
    return small_;
  }
  /// The value converted to `I` when it fits, absent otherwise.
  template <StandardInteger I>
  std::optional<I> to() const noexcept {
    if (big_) {
      if constexpr (std::is_unsigned_v<I> && sizeof(I) == 8) {
        if (signum() > 0 && magnitudeLimbCount() == 1) return static_cast<I>(magnitudeLimb(0));
      }
      return std::nullopt;
    }
    if (!std::in_range<I>(small_)) return std::nullopt;
    return static_cast<I>(small_);
  }
  /// The nearest double (ties to even below 2^53, GMP's truncation above).
  CHRONAL_API double toDouble() const noexcept;

  /// -1, 0 or 1.
  int signum() const noexcept { return big_ ? bigSign(big_) : (small_ > 0) - (small_ < 0); }
  /// Number of 64-bit limbs of |value| (0 for zero), and limb i (least significant first). The
  /// same for every representation: hashing can rely on them.
  std::size_t magnitudeLimbCount() const noexcept {
    return big_ ? bigLimbCount(big_) : (small_ != 0 ? 1 : 0);
  }
  std::uint64_t magnitudeLimb(std::size_t i) const noexcept {
    if (big_) return bigLimb(big_, i);
    return i == 0 ? magnitude64(small_) : 0;
  }
  /// The GMP value when the integer is held by GMP, else null (for the library's own code).
  const Big* big() const noexcept { return big_; }
  std::int64_t small() const noexcept { return small_; }

  /// A hash of the value only.
  std::size_t hash() const noexcept {
    if (!big_) {
      // The same formula as bigHash over one limb: sign, then each limb mixed in.
      return mixLimb(static_cast<std::size_t>(signum() + 2), magnitude64(small_));
    }
    return bigHash(big_);
  }

  friend Integer operator+(const Integer& a, const Integer& b) {
    std::int64_t r;
    if (!a.big_ && !b.big_ && !__builtin_add_overflow(a.small_, b.small_, &r)) return Integer(r);
    return addSlow(a, b);
  }
  friend Integer operator-(const Integer& a, const Integer& b) {
    std::int64_t r;
    if (!a.big_ && !b.big_ && !__builtin_sub_overflow(a.small_, b.small_, &r)) return Integer(r);
    return subSlow(a, b);
  }
  friend Integer operator*(const Integer& a, const Integer& b) {
    std::int64_t r;
    if (!a.big_ && !b.big_ && !__builtin_mul_overflow(a.small_, b.small_, &r)) return Integer(r);
    return mulSlow(a, b);
  }
  friend Integer operator-(const Integer& a) {
    if (!a.big_ && a.small_ != std::numeric_limits<std::int64_t>::min()) return Integer(-a.small_);
    return negSlow(a);
  }
  Integer& operator+=(const Integer& b) { return *this = *this + b; }
  Integer& operator-=(const Integer& b) { return *this = *this - b; }
  Integer& operator*=(const Integer& b) { return *this = *this * b; }

  friend bool operator==(const Integer& a, const Integer& b) noexcept {
    if (!a.big_ && !b.big_) return a.small_ == b.small_;
    return compareSlow(a, b) == 0;
  }
  friend std::strong_ordering operator<=>(const Integer& a, const Integer& b) noexcept {
    if (!a.big_ && !b.big_) return a.small_ <=> b.small_;
    return compareSlow(a, b) <=> 0;
  }

  // Division. Every function throws std::domain_error "divide by zero" when d is 0.
  /// Quotient truncated toward zero and its remainder (the sign of n).
  friend Integer quot(const Integer& n, const Integer& d) { return quotRem(n, d).first; }
  friend Integer rem(const Integer& n, const Integer& d) { return quotRem(n, d).second; }
  friend std::pair<Integer, Integer> quotRem(const Integer& n, const Integer& d) {
    if (!n.big_ && !d.big_ && d.small_ != 0 &&
        !(d.small_ == -1 && n.small_ == std::numeric_limits<std::int64_t>::min())) {
      return {Integer(n.small_ / d.small_), Integer(n.small_ % d.small_)};
    }
    return quotRemSlow(n, d);
  }
  /// Quotient rounded toward negative infinity and its remainder (the sign of d).
  friend Integer div(const Integer& n, const Integer& d) { return divMod(n, d).first; }
  friend Integer mod(const Integer& n, const Integer& d) { return divMod(n, d).second; }
  friend std::pair<Integer, Integer> divMod(const Integer& n, const Integer& d) {
    if (!n.big_ && !d.big_ && d.small_ != 0 &&
        !(d.small_ == -1 && n.small_ == std::numeric_limits<std::int64_t>::min())) {
      std::int64_t q = n.small_ / d.small_;
      std::int64_t r = n.small_ % d.small_;
      if (r != 0 && ((r < 0) != (d.small_ < 0))) {
        q -= 1;
        r += d.small_;
      }
      return {Integer(q), Integer(r)};
    }
    return divModSlow(n, d);
  }
  friend Integer abs(const Integer& a) { return a.signum() < 0 ? -a : a; }

private:
  static constexpr std::uint64_t magnitude64(std::int64_t v) noexcept {
    return v < 0 ? std::uint64_t(0) - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
  }
  static constexpr std::size_t mixLimb(std::size_t h, std::uint64_t limb) noexcept {
    // 64-bit multiply-xorshift step (the finaliser of a well-known 64-bit mixer).
    std::uint64_t z = (h ^ limb) * 0x9e3779b97f4a7c15ULL;
    z ^= z >> 32;
    z *= 0xd6e8feb86659fd93ULL;
    z ^= z >> 32;
    return static_cast<std::size_t>(z);
  }

  CHRONAL_API static Big* fromUnsigned(std::uint64_t v);
  CHRONAL_API static Big* copyBig(const Big* b);
  CHRONAL_API static void freeBig(Big* b) noexcept;
  CHRONAL_API static int bigSign(const Big* b) noexcept;
  CHRONAL_API static std::size_t bigLimbCount(const Big* b) noexcept;
  CHRONAL_API static std::uint64_t bigLimb(const Big* b, std::size_t i) noexcept;
  CHRONAL_API static std::size_t bigHash(const Big* b) noexcept;
  [[noreturn]] CHRONAL_API static void outOfRange();
  CHRONAL_API static Integer addSlow(const Integer& a, const Integer& b);
  CHRONAL_API static Integer subSlow(const Integer& a, const Integer& b);
  CHRONAL_API static Integer mulSlow(const Integer& a, const Integer& b);
  CHRONAL_API static Integer negSlow(const Integer& a);
  CHRONAL_API static int compareSlow(const Integer& a, const Integer& b) noexcept;
  CHRONAL_API static std::pair<Integer, Integer> quotRemSlow(const Integer& n, const Integer& d);
  CHRONAL_API static std::pair<Integer, Integer> divModSlow(const Integer& n, const Integer& d);

  friend struct IntegerAccess;

  std::int64_t small_ = 0;  // the value when big_ is null
  Big* big_ = nullptr;      // owned; non-null only for values outside the 64-bit range
};

/// Plain decimal digits with a leading "-" for negative values.
CHRONAL_API std::string show(const Integer& n);
/// Appends show(n) to out.
CHRONAL_API void showTo(std::string& out, const Integer& n);
CHRONAL_API std::ostream& operator<<(std::ostream& os, const Integer& n);

}  // namespace Data::Number

template <>
struct std::hash<Data::Number::Integer> {
  std::size_t operator()(const Data::Number::Integer& n) const noexcept { return n.hash(); }
};
