// SPDX-License-Identifier: MIT
// indexed/Monoid.hpp: monoids (a neutral element and an associative combination) for ifoldMap and
// ifoldMapStrict, and the common ones: Sum, Product, Min, Max, First, Last, All, Any, and
// std::basic_string and std::vector under concatenation.
//   indexed::ifoldMap([](std::int64_t i, int x) { return indexed::Sum<std::int64_t>{i * x}; }, v).value
#pragma once
#include <wayfare/export.hpp>

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace indexed {

/// How M forms a monoid. The primary template takes what M declares itself:
///   static M neutral();                  the neutral element
///   static M combine(M a, M b);          a combined with b (a on the left)
///   static constexpr bool associative;   optional, default false: true when combine is exactly
///                                        associative, so that any grouping gives the same bits
/// A type that cannot carry these (a standard or third-party type) gets them by specialising
/// MonoidTraits with the same three members.
template <class M>
struct MonoidTraits {
  static constexpr M neutral()
    requires requires { { M::neutral() } -> std::convertible_to<M>; }
  {
    return M::neutral();
  }
  static constexpr M combine(M a, M b)
    requires requires { { M::combine(std::move(a), std::move(b)) } -> std::convertible_to<M>; }
  {
    return M::combine(std::move(a), std::move(b));
  }
  static constexpr bool associative = [] {
    if constexpr (requires { M::associative; }) return static_cast<bool>(M::associative);
    else return false;
  }();
};

/// A type with a neutral element and a combination, as MonoidTraits gives them.
template <class M>
concept Monoid = std::movable<M> && requires(M a, M b) {
  { MonoidTraits<M>::neutral() } -> std::same_as<M>;
  { MonoidTraits<M>::combine(std::move(a), std::move(b)) } -> std::same_as<M>;
};

namespace detail {

// Integer arithmetic that wraps modulo 2^N instead of overflowing (which would be undefined).
template <class T>
using Wide = std::make_unsigned_t<decltype(T() + 0u)>;
template <class T>
constexpr T wrappingAdd(T a, T b) {
  return static_cast<T>(static_cast<Wide<T>>(a) + static_cast<Wide<T>>(b));
}
template <class T>
constexpr T wrappingMul(T a, T b) {
  return static_cast<T>(static_cast<Wide<T>>(a) * static_cast<Wide<T>>(b));
}

// A floating-point value the compiler must treat as unknown: it cannot fuse the multiplication
// that produced it with the addition that consumes it, nor regroup a chain of sums, whatever
// flags the caller compiles with. Each combination then rounds once, in the documented grouping.
template <class T>
inline T opaque(T v) noexcept {
#if defined(__GNUC__) && defined(__SSE2__)
  if constexpr (std::is_same_v<T, float> || std::is_same_v<T, double>) {
    asm("" : "+x"(v));
    return v;
  }
#elif defined(__GNUC__) && defined(__aarch64__)
  if constexpr (std::is_same_v<T, float> || std::is_same_v<T, double>) {
    asm("" : "+w"(v));
    return v;
  }
#endif
#if defined(__GNUC__)
  asm("" : "+m"(v));
#endif
  return v;
}

template <class T>
constexpr bool exactArithmetic = std::is_integral_v<T> && !std::is_same_v<T, bool>;

}  // namespace detail

/// Addition; neutral 0. Integers wrap modulo 2^N (associative); floating-point sums are rounded
/// after each addition, so their grouping shows in the last bits (associative is false).
template <class T>
struct Sum {
  T value{};

  static constexpr bool associative = detail::exactArithmetic<T>;
  static constexpr Sum neutral() { return Sum{T(0)}; }
  static constexpr Sum combine(Sum a, Sum b) {
    if constexpr (detail::exactArithmetic<T>) return Sum{detail::wrappingAdd(a.value, b.value)};
    else if constexpr (std::is_floating_point_v<T>) return Sum{detail::opaque(detail::opaque(a.value) + detail::opaque(b.value))};
    else return Sum{std::move(a.value) + std::move(b.value)};
  }
  friend constexpr bool operator==(const Sum&, const Sum&) = default;
};

/// Multiplication; neutral 1. Integers wrap modulo 2^N; floating-point products as for Sum.
template <class T>
struct Product {
  T value{T(1)};

  static constexpr bool associative = detail::exactArithmetic<T>;
  static constexpr Product neutral() { return Product{T(1)}; }
  static constexpr Product combine(Product a, Product b) {
    if constexpr (detail::exactArithmetic<T>) return Product{detail::wrappingMul(a.value, b.value)};
    else if constexpr (std::is_floating_point_v<T>) return Product{detail::opaque(detail::opaque(a.value) * detail::opaque(b.value))};
    else return Product{std::move(a.value) * std::move(b.value)};
  }
  friend constexpr bool operator==(const Product&, const Product&) = default;
};

/// The smaller value; neutral: +infinity, or the largest value of T. On ties and when b is NaN,
/// a is kept; so with NaNs the grouping matters (associative only for integers).
template <class T>
  requires std::numeric_limits<T>::is_specialized
struct Min {
  T value{neutral().value};

  static constexpr bool associative = std::numeric_limits<T>::is_integer;
  static constexpr Min neutral() {
    if constexpr (std::numeric_limits<T>::has_infinity) return Min{std::numeric_limits<T>::infinity()};
    else return Min{std::numeric_limits<T>::max()};
  }
  static constexpr Min combine(Min a, Min b) { return b.value < a.value ? b : a; }
  friend constexpr bool operator==(const Min&, const Min&) = default;
};

/// The larger value; neutral: -infinity, or the lowest value of T. On ties and when b is NaN, a is kept.
template <class T>
  requires std::numeric_limits<T>::is_specialized
struct Max {
  T value{neutral().value};

  static constexpr bool associative = std::numeric_limits<T>::is_integer;
  static constexpr Max neutral() {
    if constexpr (std::numeric_limits<T>::has_infinity) return Max{-std::numeric_limits<T>::infinity()};
    else return Max{std::numeric_limits<T>::lowest()};
  }
  static constexpr Max combine(Max a, Max b) { return a.value < b.value ? b : a; }
  friend constexpr bool operator==(const Max&, const Max&) = default;
};

/// The leftmost present value; neutral: absent.
template <class T>
struct First {
  std::optional<T> value;

  static constexpr bool associative = true;
  static constexpr First neutral() { return First{}; }
  static constexpr First combine(First a, First b) { return a.value ? std::move(a) : std::move(b); }
  friend constexpr bool operator==(const First&, const First&) = default;
};

/// The rightmost present value; neutral: absent.
template <class T>
struct Last {
  std::optional<T> value;

  static constexpr bool associative = true;
  static constexpr Last neutral() { return Last{}; }
  static constexpr Last combine(Last a, Last b) { return b.value ? std::move(b) : std::move(a); }
  friend constexpr bool operator==(const Last&, const Last&) = default;
};

/// Conjunction; neutral true.
struct All {
  bool value = true;

  static constexpr bool associative = true;
  static constexpr All neutral() { return All{true}; }
  static constexpr All combine(All a, All b) { return All{a.value && b.value}; }
  friend constexpr bool operator==(const All&, const All&) = default;
};

/// Disjunction; neutral false.
struct Any {
  bool value = false;

  static constexpr bool associative = true;
  static constexpr Any neutral() { return Any{false}; }
  static constexpr Any combine(Any a, Any b) { return Any{a.value || b.value}; }
  friend constexpr bool operator==(const Any&, const Any&) = default;
};

// Deduction from the value: Sum{2.5} is a Sum<double>.
template <class T>
Sum(T) -> Sum<T>;
template <class T>
Product(T) -> Product<T>;
template <class T>
Min(T) -> Min<T>;
template <class T>
Max(T) -> Max<T>;

/// Strings under concatenation; neutral: the empty string.
template <class Ch, class Tr, class A>
struct MonoidTraits<std::basic_string<Ch, Tr, A>> {
  using S = std::basic_string<Ch, Tr, A>;
  static constexpr bool associative = true;
  static S neutral() { return S(); }
  static S combine(S a, S b) {
    a += b;
    return a;
  }
};

/// Vectors under concatenation; neutral: the empty vector.
template <class T, class A>
struct MonoidTraits<std::vector<T, A>> {
  using V = std::vector<T, A>;
  static constexpr bool associative = true;
  static V neutral() { return V(); }
  static V combine(V a, V b) {
    a.insert(a.end(), std::make_move_iterator(b.begin()), std::make_move_iterator(b.end()));
    return a;
  }
};

}  // namespace indexed
