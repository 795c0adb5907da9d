// SPDX-License-Identifier: MIT
// Integer: the GMP side (values beyond 64 bits), decimal conversion and rendering.
#include <Data/Number/Gmp.hpp>
#include <Data/Number/Integer.hpp>

#include <charconv>
#include <ostream>
#include <stdexcept>

#include "Data/Messages.hpp"
#include "Data/Text.hpp"

static_assert(GMP_LIMB_BITS == 64 && GMP_NAIL_BITS == 0, "limbs are read as 64-bit words");

namespace Data::Number {

struct Integer::Big {
  mpz_class v;
};

// Construction and inspection of the canonical form, shared by every slow path.
struct IntegerAccess {
  // The canonical Integer of z: inline when z fits 64 bits.
  static Integer make(const mpz_class& z) {
    Integer r;
    if (mpz_fits_slong_p(z.get_mpz_t())) {
      r.small_ = mpz_get_si(z.get_mpz_t());
    } else {
      r.big_ = new Integer::Big{z};
    }
    return r;
  }
  static Integer make(mpz_class&& z) {
    Integer r;
    if (mpz_fits_slong_p(z.get_mpz_t())) {
      r.small_ = mpz_get_si(z.get_mpz_t());
    } else {
      r.big_ = new Integer::Big{std::move(z)};
    }
    return r;
  }
  static mpz_class toMpz(const Integer& n) {
    if (n.big_) return n.big_->v;
    return mpz_class(static_cast<long>(n.small_));
  }
};

static_assert(sizeof(long) == 8, "mpz's signed long conversions carry the 64-bit inline value");

Integer::Big* Integer::fromUnsigned(std::uint64_t v) { return new Big{mpz_class(static_cast<unsigned long>(v))}; }
Integer::Big* Integer::copyBig(const Big* b) { return new Big{b->v}; }
void Integer::freeBig(Big* b) noexcept { delete b; }
int Integer::bigSign(const Big* b) noexcept { return mpz_sgn(b->v.get_mpz_t()); }
std::size_t Integer::bigLimbCount(const Big* b) noexcept { return mpz_size(b->v.get_mpz_t()); }
std::uint64_t Integer::bigLimb(const Big* b, std::size_t i) noexcept {
  return mpz_getlimbn(b->v.get_mpz_t(), static_cast<mp_size_t>(i));
}
std::size_t Integer::bigHash(const Big* b) noexcept {
  std::size_t h = static_cast<std::size_t>(bigSign(b) + 2);
  const std::size_t n = bigLimbCount(b);
  for (std::size_t i = 0; i < n; ++i) h = mixLimb(h, bigLimb(b, i));
  return h;
}
void Integer::outOfRange() { throw std::out_of_range(std::string(Data::msg::toInt64Range)); }

Integer Integer::addSlow(const Integer& a, const Integer& b) {
  return IntegerAccess::make(mpz_class(IntegerAccess::toMpz(a) + IntegerAccess::toMpz(b)));
}
Integer Integer::subSlow(const Integer& a, const Integer& b) {
  return IntegerAccess::make(mpz_class(IntegerAccess::toMpz(a) - IntegerAccess::toMpz(b)));
}
Integer Integer::mulSlow(const Integer& a, const Integer& b) {
  return IntegerAccess::make(mpz_class(IntegerAccess::toMpz(a) * IntegerAccess::toMpz(b)));
}
Integer Integer::negSlow(const Integer& a) {
  return IntegerAccess::make(mpz_class(-IntegerAccess::toMpz(a)));
}
int Integer::compareSlow(const Integer& a, const Integer& b) noexcept {
  // A big value lies outside the 64-bit range, so its sign orders it against any inline value.
  if (a.big_ && b.big_) return mpz_cmp(a.big_->v.get_mpz_t(), b.big_->v.get_mpz_t());
  if (a.big_) return a.signum();
  return -b.signum();
}

namespace {
void checkDivisor(const Integer& d) {
  if (d.signum() == 0) throw std::domain_error(std::string(Data::msg::divideByZero));
}
}  // namespace

std::pair<Integer, Integer> Integer::quotRemSlow(const Integer& n, const Integer& d) {
  checkDivisor(d);
  mpz_class q, r;
  const mpz_class zn = IntegerAccess::toMpz(n), zd = IntegerAccess::toMpz(d);
  mpz_tdiv_qr(q.get_mpz_t(), r.get_mpz_t(), zn.get_mpz_t(), zd.get_mpz_t());
  return {IntegerAccess::make(std::move(q)), IntegerAccess::make(std::move(r))};
}
std::pair<Integer, Integer> Integer::divModSlow(const Integer& n, const Integer& d) {
  checkDivisor(d);
  mpz_class q, r;
  const mpz_class zn = IntegerAccess::toMpz(n), zd = IntegerAccess::toMpz(d);
  mpz_fdiv_qr(q.get_mpz_t(), r.get_mpz_t(), zn.get_mpz_t(), zd.get_mpz_t());
  return {IntegerAccess::make(std::move(q)), IntegerAccess::make(std::move(r))};
}

double Integer::toDouble() const noexcept {
  if (!big_) return static_cast<double>(small_);
  return mpz_get_d(big_->v.get_mpz_t());
}

Integer Integer::fromDigits(std::string_view digits, bool negative) {
  // Up to 18 digits fit an int64 without an overflow check.
  if (digits.size() <= 18) {
    std::int64_t v = 0;
    for (const char c : digits) v = v * 10 + (c - '0');
    return Integer(negative ? -v : v);
  }
  std::string text;
  text.reserve(digits.size() + 1);
  if (negative) text.push_back('-');
  text.append(digits);
  mpz_class z;
  z.set_str(text, 10);
  return IntegerAccess::make(std::move(z));
}

std::optional<Integer> Integer::fromDecimal(std::string_view text) {
  bool negative = false;
  if (!text.empty() && text.front() == '-') {
    negative = true;
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  return fromDigits(text, negative);
}

std::optional<Integer> Integer::read(std::string_view text) { return fromDecimal(Text::trimSpace(text)); }

void showTo(std::string& out, const Integer& n) {
  if (const auto* b = n.big()) {
    const std::size_t at = out.size();
    out.resize(at + mpz_sizeinbase(b->v.get_mpz_t(), 10) + 2);
    mpz_get_str(out.data() + at, 10, b->v.get_mpz_t());
    out.resize(at + std::char_traits<char>::length(out.data() + at));
    return;
  }
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, n.small());
  out.append(buf, res.ptr);
}

std::string show(const Integer& n) {
  std::string s;
  showTo(s, n);
  return s;
}

std::ostream& operator<<(std::ostream& os, const Integer& n) { return os << show(n); }

namespace Gmp {
mpz_class toMpz(const Integer& n) { return IntegerAccess::toMpz(n); }
Integer fromMpz(const mpz_class& z) { return IntegerAccess::make(z); }
Integer fromMpz(mpz_srcptr z) { return IntegerAccess::make(mpz_class(z)); }
}  // namespace Gmp

}  // namespace Data::Number
