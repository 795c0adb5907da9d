// SPDX-License-Identifier: MIT
// indexed/Wrappers.hpp: the single-value wrappers Tagged (a value with a phantom tag) and Solo (a
// one-element tuple, built by MkSolo). Each holds exactly one element, whose index is Unit.
//   indexed::imap([](indexed::Unit, int x) { return x + 1; }, indexed::MkSolo(41))  // MkSolo(42)
#pragma once
#include <wayfare/export.hpp>

#include <compare>
#include <type_traits>
#include <utility>

#include "indexed/IndexTraits.hpp"
#include "indexed/Unit.hpp"

namespace indexed {

/// A value of type T carrying the tag type Tag, which holds no data. imap and itraverse keep the tag.
template <class T, class Tag>
struct Tagged {
  T value;

  friend constexpr bool operator==(const Tagged&, const Tagged&) = default;
  friend constexpr auto operator<=>(const Tagged&, const Tagged&) = default;
};

/// A one-element tuple.
template <class T>
struct Solo {
  T value;

  friend constexpr bool operator==(const Solo&, const Solo&) = default;
  friend constexpr auto operator<=>(const Solo&, const Solo&) = default;
};

/// The Solo holding x.
template <class T>
constexpr Solo<std::decay_t<T>> MkSolo(T&& x) {
  return Solo<std::decay_t<T>>{std::forward<T>(x)};
}

namespace detail {

// One element, index Unit. ifoldMap is f(unit, x) itself, without combining it with the neutral
// element (for a floating-point sum, -0.0 + 0.0 would turn -0.0 into +0.0).
template <class W, template <class> class Rebind>
struct SingleTraits {
  using index_type = Unit;
  using index_reference = Unit;
  using element_type = std::remove_cvref_t<decltype(std::declval<const W&>().value)>;

  template <class B>
  using rebind = Rebind<B>;

  template <class V>
  static constexpr bool forEach(const W& w, V&& visit) {
    return visit(Unit{}, w.value);
  }
  template <class V>
  static constexpr bool forEachReverse(const W& w, V&& visit) {
    return visit(Unit{}, w.value);
  }
  template <class G>
  static constexpr auto mapWithIndex(const W& w, G&& g) {
    return Rebind<std::decay_t<std::invoke_result_t<G&, Unit, const element_type&>>>{g(Unit{}, w.value)};
  }
  template <class F>
  static constexpr auto ifoldMap(F&& f, const W& w) {
    return std::decay_t<std::invoke_result_t<F&, Unit, const element_type&>>(f(Unit{}, w.value));
  }
};

template <class Tag>
struct TaggedWith {
  template <class B>
  using type = Tagged<B, Tag>;
};

}  // namespace detail

template <class T, class Tag>
struct IndexTraits<Tagged<T, Tag>> : detail::SingleTraits<Tagged<T, Tag>, detail::TaggedWith<Tag>::template type> {};

template <class T>
struct IndexTraits<Solo<T>> : detail::SingleTraits<Solo<T>, Solo> {};

}  // namespace indexed
