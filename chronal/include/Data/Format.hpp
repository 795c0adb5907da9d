// SPDX-License-Identifier: MIT
// Data/Format.hpp: bidirectional text formats; one value both prints and parses.
//   auto date = isoMap(toDate, fromDate,
//       apSeq(apSeqLeft(integerFormat<int>(NoSign, 4), literalFormat("-")),
//             apSeq(apSeqLeft(integerFormat<int>(NoSign, 2), literalFormat("-")),
//                   integerFormat<int>(NoSign, 2))));
//   formatShow(date, d) == "2024-12-08";  formatParseM(date, "2024-12-08").value() == d
//
// A format is any record with the two fields `formatShowM` (a printer: append(out, v) -> bool, and
// v -> optional string) and `formatReadP` (a parser, Data/Format/Parser.hpp). The combinators return
// static records (MkFormat) so that a composed format runs without indirect calls; Format<T> holds
// any of them behind shared handles when the type must be named.
#pragma once
#include <chronal/export.hpp>

#include <Data/Format/Parser.hpp>
#include <Data/Number/Fixed.hpp>
#include <Data/Number/Integer.hpp>

#include <charconv>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace Data::Format {

namespace P = Parser;

// ---- value types of the interfaces --------------------------------------------------------------

/// The unit value: what a literal reads and what pUnit prints.
struct Unit {
  friend bool operator==(Unit, Unit) = default;
  friend auto operator<=>(Unit, Unit) = default;
};

/// The empty type: no value exists, so a format of it never prints and never parses.
struct Void {
  Void() = delete;
  friend bool operator==(const Void&, const Void&) = default;
};

/// The two tags of a sum: a value read by the left or by the right format.
template <class A>
struct Left {
  A value;
  friend bool operator==(const Left&, const Left&) = default;
};
template <class B>
struct Right {
  B value;
  friend bool operator==(const Right&, const Right&) = default;
};
template <class A, class B>
using Either = std::variant<Left<A>, Right<B>>;

/// How a number format treats the sign.
enum class SignOption {
  NoSign,     ///< nothing printed or read; negative values cannot be shown
  NegSign,    ///< "-" for negative values only
  PosNegSign  ///< always a sign: "+" or "-"
};
using enum SignOption;

// ---- printers -----------------------------------------------------------------------------------

/// A printer from a callable fn(out, v) -> bool that appends v's text to out, or returns false when
/// v cannot be shown (out then holds unspecified extra text, which the callers discard).
template <class T, class Fn>
struct ShowFn {
  using value_type = T;
  Fn fn;
  bool append(std::string& out, const T& v) const { return fn(out, v); }
  std::optional<std::string> operator()(const T& v) const {
    std::string s;
    if (!fn(s, v)) return std::nullopt;
    return s;
  }
};

template <class S, class T>
concept IsPrinter = requires(const S& s, std::string& out, const T& v) {
  { s.append(out, v) } -> std::same_as<bool>;
};

/// Any printer of T behind a shared immutable handle.
template <class T>
class ShowM {
public:
  using value_type = T;
  template <class S>
    requires(!std::same_as<S, ShowM> && IsPrinter<S, T>)
  ShowM(S s)  // NOLINT: implicit by design
      : impl_(std::make_shared<const Model<S>>(std::move(s))) {}
  bool append(std::string& out, const T& v) const { return impl_->append(out, v); }
  std::optional<std::string> operator()(const T& v) const {
    std::string s;
    if (!impl_->append(s, v)) return std::nullopt;
    return s;
  }

private:
  struct Concept {
    virtual ~Concept() = default;
    virtual bool append(std::string& out, const T& v) const = 0;
  };
  template <class S>
  struct Model final : Concept {
    explicit Model(S s) : printer(std::move(s)) {}
    bool append(std::string& out, const T& v) const override { return printer.append(out, v); }
    S printer;
  };
  std::shared_ptr<const Concept> impl_;
};

// ---- formats ------------------------------------------------------------------------------------

/// A format record: `formatShowM` prints (absent when the value cannot be shown), `formatReadP`
/// parses with every reading.
template <class S, P::IsParser R>
struct MkFormat {
  using value_type = P::ValueOf<R>;
  S formatShowM;
  R formatReadP;
};

template <class F>
concept FormatLike = requires { typename F::value_type; } &&
                     IsPrinter<decltype(F::formatShowM), typename F::value_type> &&
                     P::IsParser<decltype(F::formatReadP)> &&
                     std::same_as<P::ValueOf<decltype(F::formatReadP)>, typename F::value_type>;

template <FormatLike F>
using FormatValue = typename F::value_type;

/// A format of T of any construction, behind shared handles: the type to store or pass formats by.
template <class T>
struct Format {
  using value_type = T;
  ShowM<T> formatShowM;
  P::ReadP<T> formatReadP;

  Format(ShowM<T> show, P::ReadP<T> read) : formatShowM(std::move(show)), formatReadP(std::move(read)) {}
  template <FormatLike F>
    requires(!std::same_as<F, Format> && std::same_as<FormatValue<F>, T>)
  Format(const F& f)  // NOLINT: implicit by design
      : formatShowM(f.formatShowM), formatReadP(f.formatReadP) {}
};

/// The format with printer fn(out, v) -> bool and parser r.
template <class T, class Fn, P::IsParser R>
MkFormat<ShowFn<T, Fn>, R> mkFormat(Fn fn, R r) {
  return {ShowFn<T, Fn>{std::move(fn)}, std::move(r)};
}

// ---- results ------------------------------------------------------------------------------------

/// Renders s as a double-quoted literal: \" and \\ escaped, \a \b \t \n \v \f \r by name, other
/// characters below 0x20 or above 0x7E as \uXXXX (\UXXXXXXXX above U+FFFF, upper-case hex); each
/// byte that does not begin a well-formed UTF-8 sequence as \uFFFD.
CHRONAL_API std::string showStringLiteral(std::string_view s);

namespace Internal {
/// "no parse of " (readings 0) or "multiple parses of " (2 or more) and the quoted input.
CHRONAL_API std::string parseFailureMessage(int readings, std::string_view input);
/// Throws std::invalid_argument "formatShow: bad value".
[[noreturn]] CHRONAL_API void failBadValue();
/// Throws std::invalid_argument with the message.
[[noreturn]] CHRONAL_API void failParse(const std::string& message);
/// Steps 2 to 4 of showNumber on a number's standard rendering; false when it cannot be shown.
CHRONAL_API bool showNumberText(std::string& out, SignOption sign, std::optional<int> digits,
                                std::string_view rendering);
}  // namespace Internal

/// Either the value of a whole-input parse or the failure message.
template <class T>
class ParseResult {
public:
  static ParseResult success(T v) { return ParseResult(std::in_place_index<0>, std::move(v)); }
  static ParseResult failure(std::string message) {
    return ParseResult(std::in_place_index<1>, std::move(message));
  }
  bool ok() const noexcept { return v_.index() == 0; }
  explicit operator bool() const noexcept { return ok(); }
  /// The value; throws std::invalid_argument with the failure message when there is none.
  const T& value() const& {
    if (!ok()) Internal::failParse(std::get<1>(v_));
    return std::get<0>(v_);
  }
  T&& value() && {
    if (!ok()) Internal::failParse(std::get<1>(v_));
    return std::get<0>(std::move(v_));
  }
  const T& operator*() const& { return std::get<0>(v_); }
  const T* operator->() const { return &std::get<0>(v_); }
  /// The message ("no parse of ..." / "multiple parses of ..."); empty after a success.
  std::string error() const { return ok() ? std::string() : std::get<1>(v_); }

private:
  template <std::size_t I, class X>
  ParseResult(std::in_place_index_t<I> i, X&& x) : v_(i, std::forward<X>(x)) {}
  std::variant<T, std::string> v_;
};

/// Whole-input parse with exactly one reading; otherwise "no parse of " or "multiple parses of "
/// followed by the quoted input (two equal readings are still two). Never throws on bad input.
template <P::IsParser R>
ParseResult<P::ValueOf<R>> parseReader(const R& r, std::string_view s) {
  auto w = P::parseWhole(r, s);
  if (w.count == 1) return ParseResult<P::ValueOf<R>>::success(std::move(*w.value));
  return ParseResult<P::ValueOf<R>>::failure(Internal::parseFailureMessage(w.count, s));
}

/// parseReader with the format's parser.
template <FormatLike F>
ParseResult<FormatValue<F>> formatParseM(const F& f, std::string_view s) {
  return parseReader(f.formatReadP, s);
}

/// The value, or throws std::invalid_argument with parseReader's message.
template <FormatLike F>
FormatValue<F> formatParse(const F& f, std::string_view s) {
  return formatParseM(f, s).value();
}

/// The text of v; throws std::invalid_argument "formatShow: bad value" when f cannot show v.
template <FormatLike F>
std::string formatShow(const F& f, const FormatValue<F>& v) {
  std::string s;
  if (!f.formatShowM.append(s, v)) Internal::failBadValue();
  return s;
}

// ---- mapping ------------------------------------------------------------------------------------

/// Prints from(b) with f; parses with f and applies to.
template <class To, class From, FormatLike F>
auto isoMap(To to, From from, F f) {
  using B = std::decay_t<std::invoke_result_t<const To&, FormatValue<F>>>;
  auto show = [s = std::move(f.formatShowM), from = std::move(from)](std::string& out, const B& b) {
    return s.append(out, from(b));
  };
  return mkFormat<B>(std::move(show), P::map(std::move(f.formatReadP), std::move(to)));
}

/// Prints fromM(b) with f when present; parses with f and keeps the readings toM maps to a value.
template <class ToM, class FromM, FormatLike F>
auto mapMFormat(ToM toM, FromM fromM, F f) {
  using B = typename std::invoke_result_t<const ToM&, FormatValue<F>>::value_type;
  auto show = [s = std::move(f.formatShowM), fromM = std::move(fromM)](std::string& out, const B& b) {
    const auto a = fromM(b);
    return a.has_value() && s.append(out, *a);
  };
  return mkFormat<B>(std::move(show), P::mapMaybe(std::move(f.formatReadP), std::move(toM)));
}

/// Prints and reads only the values passing test.
template <class Test, FormatLike F>
auto filterFormat(Test test, F f) {
  using T = FormatValue<F>;
  auto show = [s = std::move(f.formatShowM), test](std::string& out, const T& v) {
    return test(v) && s.append(out, v);
  };
  return mkFormat<T>(std::move(show), P::filter(std::move(f.formatReadP), test));
}

/// filterFormat with lo <= v <= hi (both inclusive).
template <FormatLike F>
auto clipFormat(const std::pair<FormatValue<F>, FormatValue<F>>& range, F f) {
  return filterFormat([range](const FormatValue<F>& v) { return !(v < range.first) && !(range.second < v); },
                      std::move(f));
}

template <class E>
concept ScopedEnum = std::is_enum_v<E> && !std::is_convertible_v<E, std::underlying_type_t<E>>;

/// An enumeration printed and read as its ordinal through an integer format. Every ordinal the
/// integer format reads becomes a value of E (a scoped enumeration, so any value of its underlying
/// type is valid); restrict the range with clipFormat.
template <ScopedEnum E, FormatLike F>
auto enumMap(F f) {
  using I = FormatValue<F>;
  return isoMap([](const I& i) { return static_cast<E>(i); },
                [](const E& e) { return static_cast<I>(e); }, std::move(f));
}

// ---- literals and special cases -----------------------------------------------------------------

namespace Internal {
struct ToUnit {
  Unit operator()(const std::string&) const { return {}; }
};
template <class T>
struct Const {
  T value;
  T operator()(const std::string&) const { return value; }
};
template <class T>
using CasePairs = std::vector<std::pair<T, std::string>>;

template <class T>
bool showCase(const CasePairs<T>& pairs, std::string& out, const T& v) {
  for (const auto& [value, text] : pairs) {
    if (value == v) {
      out += text;
      return true;
    }
  }
  return false;
}

/// Tries the pairs' texts in order at the position; the first that matches gives the reading.
template <class T>
struct CasesP {
  using value_type = T;
  std::shared_ptr<const CasePairs<T>> pairs;
  template <class K>
  bool run(const char* at, const char* end, K&& k) const {
    for (const auto& [value, text] : *pairs) {
      const auto n = static_cast<std::ptrdiff_t>(text.size());
      if (end - at >= n && std::memcmp(at, text.data(), text.size()) == 0) {
        return k(at + n, [&v = value]() -> T { return v; });
      }
    }
    return false;
  }
};
}  // namespace Internal

/// Always prints s; reads exactly s, giving the unit value.
inline auto literalFormat(std::string s) {
  auto show = [s](std::string& out, const Unit&) {
    out += s;
    return true;
  };
  return mkFormat<Unit>(std::move(show), P::map(P::string(std::move(s)), Internal::ToUnit{}));
}

/// `val` prints as `str`, other values with f; reading is f's.
template <FormatLike F>
auto specialCaseShowFormat(std::pair<FormatValue<F>, std::string> special, F f) {
  using T = FormatValue<F>;
  auto show = [special, s = std::move(f.formatShowM)](std::string& out, const T& v) {
    if (v == special.first) {
      out += special.second;
      return true;
    }
    return s.append(out, v);
  };
  return mkFormat<T>(std::move(show), std::move(f.formatReadP));
}

/// As specialCaseShowFormat, and the reading is the symmetric choice of exactly `str` (giving `val`)
/// and f.
template <FormatLike F>
auto specialCaseFormat(std::pair<FormatValue<F>, std::string> special, F f) {
  using T = FormatValue<F>;
  auto r = P::choice(P::map(P::string(special.second), Internal::Const<T>{special.first}), f.formatReadP);
  auto shown = specialCaseShowFormat(std::move(special), std::move(f));
  return MkFormat<decltype(shown.formatShowM), decltype(r)>{std::move(shown.formatShowM), std::move(r)};
}

/// specialCaseFormat with the empty string: `val` prints as nothing, and nothing reads as `val`.
template <FormatLike F>
auto optionalFormat(FormatValue<F> val, F f) {
  return specialCaseFormat({std::move(val), std::string()}, std::move(f));
}

/// Prints the text of the first pair whose value equals v (absent if none); reads the pairs' texts in
/// order, the first that matches at the position winning.
template <class T>
auto casesFormat(std::vector<std::pair<T, std::string>> pairs) {
  auto shared = std::make_shared<const Internal::CasePairs<T>>(std::move(pairs));
  auto show = [shared](std::string& out, const T& v) { return Internal::showCase(*shared, out, v); };
  return mkFormat<T>(std::move(show), Internal::CasesP<T>{shared});
}

/// A sign multiplier: 1 and 0 print as nothing, -1 as "-". Reads "-" as -1, "+" as 1 and nothing as
/// 1, in that order of preference, so that every printed sign reads back.
template <class T = int>
auto optionalSignFormat() {
  auto printed = casesFormat<T>({{T(1), ""}, {T(1), "+"}, {T(0), ""}, {T(-1), "-"}});
  auto read = std::make_shared<const Internal::CasePairs<T>>(
      Internal::CasePairs<T>{{T(-1), "-"}, {T(1), "+"}, {T(1), ""}});
  return MkFormat<decltype(printed.formatShowM), Internal::CasesP<T>>{std::move(printed.formatShowM),
                                                                      Internal::CasesP<T>{read}};
}

/// A sign multiplier that is always printed: 1 and 0 as "+", -1 as "-"; "+" reads as 1.
template <class T = int>
auto mandatorySignFormat() {
  return casesFormat<T>({{T(1), "+"}, {T(0), "+"}, {T(-1), "-"}});
}

// ---- products and sums --------------------------------------------------------------------------

/// The unit value: prints nothing, reads nothing.
inline auto pUnit() {
  return mkFormat<Unit>([](std::string&, const Unit&) { return true; }, P::pure(Unit{}));
}

/// a then b: prints both (absent if either is), reads a then b into a pair.
template <FormatLike A, FormatLike B>
auto apSeq(A a, B b) {
  using T = std::pair<FormatValue<A>, FormatValue<B>>;
  auto show = [sa = std::move(a.formatShowM), sb = std::move(b.formatShowM)](std::string& out, const T& v) {
    return sa.append(out, v.first) && sb.append(out, v.second);
  };
  return mkFormat<T>(std::move(show), P::seq(std::move(a.formatReadP), std::move(b.formatReadP)));
}

/// A unit format, then a: the unit's text, then a's; reads both and keeps a.
template <FormatLike U, FormatLike A>
  requires std::same_as<FormatValue<U>, Unit>
auto apSeqRight(U u, A a) {
  using T = FormatValue<A>;
  auto show = [su = std::move(u.formatShowM), sa = std::move(a.formatShowM)](std::string& out, const T& v) {
    return su.append(out, Unit{}) && sa.append(out, v);
  };
  return mkFormat<T>(std::move(show), P::seqRight(std::move(u.formatReadP), std::move(a.formatReadP)));
}

/// a, then a unit format: a's text, then the unit's; reads both and keeps a.
template <FormatLike A, FormatLike U>
  requires std::same_as<FormatValue<U>, Unit>
auto apSeqLeft(A a, U u) {
  using T = FormatValue<A>;
  auto show = [sa = std::move(a.formatShowM), su = std::move(u.formatShowM)](std::string& out, const T& v) {
    return sa.append(out, v) && su.append(out, Unit{});
  };
  return mkFormat<T>(std::move(show), P::seqLeft(std::move(a.formatReadP), std::move(u.formatReadP)));
}

/// The format of the empty type: nothing to print, never reads.
inline auto pVoid() {
  return mkFormat<Void>([](std::string&, const Void&) { return false; }, P::fail<Void>());
}

/// Left values print with a, right values with b; reads the symmetric choice of a (tagged Left) and b
/// (tagged Right).
template <FormatLike A, FormatLike B>
auto apSum(A a, B b) {
  using L = FormatValue<A>;
  using R = FormatValue<B>;
  using T = Either<L, R>;
  auto show = [sa = std::move(a.formatShowM), sb = std::move(b.formatShowM)](std::string& out, const T& v) {
    if (const auto* l = std::get_if<0>(&v)) return sa.append(out, l->value);
    return sb.append(out, std::get<1>(v).value);
  };
  auto r = P::choice(P::map(std::move(a.formatReadP), [](L l) -> T { return Left<L>{std::move(l)}; }),
                     P::map(std::move(b.formatReadP), [](R r) -> T { return Right<R>{std::move(r)}; }));
  return mkFormat<T>(std::move(show), std::move(r));
}

/// Operator forms: a * b is apSeq(a, b), a + b is apSum(a, b).
template <FormatLike A, FormatLike B>
auto operator*(A a, B b) {
  return apSeq(std::move(a), std::move(b));
}
template <FormatLike A, FormatLike B>
auto operator+(A a, B b) {
  return apSum(std::move(a), std::move(b));
}

// ---- the interfaces -----------------------------------------------------------------------------

/// Mapping: isoMap(to, from, f) gives a format of to's result.
template <class F>
concept IsoVariant = FormatLike<F> && requires(const F& f) {
  { isoMap(std::identity{}, std::identity{}, f) } -> FormatLike;
};

/// Product: pUnit, apSeq (<**>), apSeqRight (**>), apSeqLeft (<**).
template <class F>
concept Productish = FormatLike<F> && requires(const F& f) {
  { pUnit() } -> FormatLike;
  { apSeq(f, f) } -> FormatLike;
  { apSeqRight(pUnit(), f) } -> FormatLike;
  { apSeqLeft(f, pUnit()) } -> FormatLike;
};

/// Sum: pVoid and apSum (<++>).
template <class F>
concept Summish = FormatLike<F> && requires(const F& f) {
  { pVoid() } -> FormatLike;
  { apSum(f, f) } -> FormatLike;
};

// ---- numbers ------------------------------------------------------------------------------------

/// What the number formats need of a number type: its standard rendering, and which readings of a
/// sign, digits and fraction give a value (checked as the digits are read, in constant time per
/// digit) and that value (built only when asked for).
template <class T>
struct NumberTraits;

/// The state of a digit run read so far.
struct DigitsState {
  std::uint64_t magnitude = 0;  // the digits' value while it fits 64 bits
  unsigned length = 0;
  bool overflow = false;
  void push(char c) noexcept {
    const auto digit = static_cast<unsigned>(c - '0');
    // Nineteen digits always fit 64 bits; only longer runs need the checked steps.
    if (++length <= 19) {
      magnitude = magnitude * 10 + digit;
    } else {
      overflow = overflow || __builtin_mul_overflow(magnitude, 10u, &magnitude) ||
                 __builtin_add_overflow(magnitude, digit, &magnitude);
    }
  }
};
/// The state of a fraction run read so far.
struct FractionState {
  std::size_t length = 0;
  std::size_t lastNonZero = 0;  // 1-based position of the last non-zero digit; 0 when all zeros
  void push(char c) noexcept {
    ++length;
    if (c != '0') lastNonZero = length;
  }
};

template <Number::StandardInteger T>
struct NumberTraits<T> {
  template <class F>
  static decltype(auto) withRendering(const T& v, F&& f) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return f(std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
  }
  static bool exists(const DigitsState& d, const FractionState& f, bool negative) noexcept {
    using U = std::make_unsigned_t<T>;
    if (d.overflow || f.lastNonZero != 0) return false;
    if (negative) {
      if constexpr (std::is_unsigned_v<T>) {
        return d.magnitude == 0;
      } else {
        return d.magnitude <= static_cast<std::uint64_t>(U(std::numeric_limits<T>::max()) + 1u);
      }
    }
    return d.magnitude <= static_cast<std::uint64_t>(std::numeric_limits<T>::max());
  }
  static T make(std::string_view, std::string_view, bool negative, const DigitsState& d) noexcept {
    using U = std::make_unsigned_t<T>;
    const U u = static_cast<U>(d.magnitude);
    return static_cast<T>(negative ? static_cast<U>(U(0) - u) : u);
  }
};

template <>
struct NumberTraits<Number::Integer> {
  template <class F>
  static decltype(auto) withRendering(const Number::Integer& v, F&& f) {
    if (v.fitsInt64()) return NumberTraits<std::int64_t>::withRendering(v.small(), f);
    return f(std::string_view(show(v)));
  }
  static bool exists(const DigitsState&, const FractionState& f, bool) noexcept {
    return f.lastNonZero == 0;
  }
  static Number::Integer make(std::string_view whole, std::string_view, bool negative,
                              const DigitsState& d) {
    if (!d.overflow && d.magnitude <= std::uint64_t(std::numeric_limits<std::int64_t>::max())) {
      const auto m = static_cast<std::int64_t>(d.magnitude);
      return Number::Integer(negative ? -m : m);
    }
    return Number::Integer::fromDigits(whole, negative);
  }
};

template <int N>
struct NumberTraits<Number::Fixed<N>> {
  template <class F>
  static decltype(auto) withRendering(const Number::Fixed<N>& v, F&& f) {
    std::string s;
    Number::FixedInternal::showUnitsTo(s, v.units(), N);
    return f(std::string_view(s));
  }
  static bool exists(const DigitsState&, const FractionState& f, bool) noexcept {
    return f.lastNonZero <= static_cast<std::size_t>(N);
  }
  static Number::Fixed<N> make(std::string_view whole, std::string_view fraction, bool negative,
                               const DigitsState&) {
    return Number::Fixed<N>::fromUnits(*Number::FixedInternal::unitsOf(whole, fraction, negative, N));
  }
};

template <class T>
concept FormatNumber = requires { sizeof(NumberTraits<T>); };

namespace Internal {

/// The number reader: sign, digits (a fixed count or every length), and when allowed an optional
/// fraction (one separator "." or ",", then every length of one or more digits). The readings are
/// those of that sequence of parsers; this is its fused form, which checks each reading in constant
/// time and builds a value only when asked for.
template <FormatNumber T>
struct NumberP {
  using value_type = T;
  using Traits = NumberTraits<T>;
  SignOption sign;
  std::optional<int> count;
  bool fraction;

  template <class K>
  bool run(const char* at, const char* end, K&& k) const {
    switch (sign) {
      case NoSign:
        return digitsFrom(at, end, false, k);
      case NegSign:
        if (at != end && *at == '-' && digitsFrom(at + 1, end, true, k)) return true;
        return digitsFrom(at, end, false, k);
      case PosNegSign:
        if (at == end || (*at != '+' && *at != '-')) return false;
        return digitsFrom(at + 1, end, *at == '-', k);
    }
    return false;
  }

private:
  static bool isDigit(char c) noexcept { return c >= '0' && c <= '9'; }

  template <class K>
  bool digitsFrom(const char* at, const char* end, bool negative, K& k) const {
    DigitsState d;
    if (count) {
      const int n = *count;
      if (n < 1 || end - at < n) return false;
      if (n <= 19) {
        // Nineteen digits always fit 64 bits: no overflow checks.
        std::uint64_t m = 0;
        for (int i = 0; i < n; ++i) {
          const auto digit = static_cast<unsigned>(static_cast<unsigned char>(at[i])) - unsigned('0');
          if (digit > 9) return false;
          m = m * 10 + digit;
        }
        d.magnitude = m;
        d.length = static_cast<unsigned>(n);
      } else {
        for (const char* p = at; p != at + n; ++p) {
          if (!isDigit(*p)) return false;
          d.push(*p);
        }
      }
      return fractionFrom(at, at + n, end, negative, d, k);
    }
    for (const char* p = at; p != end && isDigit(*p);) {
      d.push(*p);
      ++p;
      if (fractionFrom(at, p, end, negative, d, k)) return true;
    }
    return false;
  }

  template <class K>
  bool emit(const char* whole, const char* wholeEnd, const char* frac, const char* fracEnd,
            bool negative, const DigitsState& d, const FractionState& f, K& k) const {
    if (!Traits::exists(d, f, negative)) return false;
    if constexpr (Number::StandardInteger<T>) {
      // A fixed-width value costs nothing to build: hand it over by value.
      const T v = Traits::make({}, {}, negative, d);
      return k(fracEnd, [v]() -> T { return v; });
    } else {
      return k(fracEnd, [&]() -> T {
        return Traits::make(std::string_view(whole, static_cast<std::size_t>(wholeEnd - whole)),
                            std::string_view(frac, static_cast<std::size_t>(fracEnd - frac)), negative, d);
      });
    }
  }

  template <class K>
  bool fractionFrom(const char* whole, const char* wholeEnd, const char* end, bool negative,
                    const DigitsState& d, K& k) const {
    FractionState f;
    if (emit(whole, wholeEnd, wholeEnd, wholeEnd, negative, d, f, k)) return true;
    if (!fraction || wholeEnd == end || (*wholeEnd != '.' && *wholeEnd != ',')) return false;
    const char* frac = wholeEnd + 1;
    for (const char* p = frac; p != end && isDigit(*p);) {
      f.push(*p);
      ++p;
      if (emit(whole, wholeEnd, frac, p, negative, d, f, k)) return true;
    }
    return false;
  }
};

template <FormatNumber T>
struct NumberShow {
  SignOption sign;
  std::optional<int> count;
  bool operator()(std::string& out, const T& v) const {
    if constexpr (Number::StandardInteger<T>) {
      // The same steps as showNumberText for a rendering without a fraction, kept inline.
      char buf[24];
      const auto r = std::to_chars(buf, buf + sizeof buf, v);
      const char* digits = buf;
      if (v < 0) {
        if (sign == NoSign) return false;
        out.push_back('-');
        ++digits;
      } else if (sign == PosNegSign) {
        out.push_back('+');
      }
      const auto length = r.ptr - digits;
      if (count && *count > length) out.append(static_cast<std::size_t>(*count - length), '0');
      out.append(digits, static_cast<std::size_t>(length));
      return true;
    }
    return NumberTraits<T>::withRendering(
        v, [&](std::string_view r) { return showNumberText(out, sign, count, r); });
  }
};

}  // namespace Internal

/// trimTrailing: "" and "." become empty; a trailing "0" is dropped and the rest examined again.
inline std::string_view trimTrailing(std::string_view s) {
  while (!s.empty() && s.back() == '0') s.remove_suffix(1);
  if (s == ".") return {};
  return s;
}

/// The printing side of the number formats: the standard rendering of v with the sign option applied,
/// the integer part left-padded with "0" to `digits`, and the fraction without trailing zeros.
/// Absent for a negative value under NoSign.
template <FormatNumber T>
std::optional<std::string> showNumber(SignOption sign, std::optional<int> digits, const T& v) {
  std::string s;
  if (!Internal::NumberShow<T>{sign, digits}(s, v)) return std::nullopt;
  return s;
}

/// Integers with the sign option and an optional digit count (absent: free width, every length of
/// the digits a reading). A reading that does not fit T gives no value (never a wrapped one).
template <FormatNumber T>
auto integerFormat(SignOption sign, std::optional<int> digits = std::nullopt) {
  return mkFormat<T>(Internal::NumberShow<T>{sign, digits}, Internal::NumberP<T>{sign, digits, false});
}

/// As integerFormat, with an optional fraction after "." or ",". A reading whose value T cannot hold
/// exactly (a non-zero fraction for an integer type, more fraction digits than a Fixed<N> has) gives
/// no value: nothing is truncated.
template <FormatNumber T>
auto decimalFormat(SignOption sign, std::optional<int> digits = std::nullopt) {
  return mkFormat<T>(Internal::NumberShow<T>{sign, digits}, Internal::NumberP<T>{sign, digits, true});
}

}  // namespace Data::Format
