// SPDX-License-Identifier: MIT
// indexed/Foldable.hpp: the folds with index: ifoldMap, ifoldMapStrict, ifoldr, ifoldl,
// ifoldrStrict, ifoldlStrict. Every fold is a loop; none recurses, whatever the container's size.
//   indexed::ifoldl([](std::int64_t i, std::int64_t acc, int x) { return acc + i * x; }, 0, v)
#pragma once
#include <wayfare/export.hpp>

#include <concepts>
#include <cstddef>
#include <functional>
#include <ranges>
#include <type_traits>
#include <utility>
#include <vector>

#include "indexed/IndexTraits.hpp"
#include "indexed/Monoid.hpp"

namespace indexed {

namespace detail {

// The result of f(i, x) for an element of C, and the accumulators of the right and left folds
// (the type f returns when given the initial value, as the standard's left fold has it).
template <class F, class C>
using MapResult = std::decay_t<std::invoke_result_t<F&, IndexReference<C>, const ElementOf<C>&>>;
template <class F, class C, class Z>
using FoldrAcc = std::decay_t<std::invoke_result_t<F&, IndexReference<C>, const ElementOf<C>&, std::decay_t<Z>>>;
template <class F, class C, class Z>
using FoldlAcc = std::decay_t<std::invoke_result_t<F&, IndexReference<C>, std::decay_t<Z>, const ElementOf<C>&>>;

// How a recorded index is kept: a pointer when forEach passes a reference into the container,
// the value itself otherwise.
template <class C>
using IndexStore = std::conditional_t<std::is_reference_v<IndexReference<C>>,
                                      std::add_pointer_t<std::remove_reference_t<IndexReference<C>>>,
                                      IndexReference<C>>;

// Visits the elements of c from the last to the first: with the container's own reverse walk when
// it has one; otherwise forward once, recording where each element is, then back along the record.
template <class C, class V>
constexpr bool forEachReverse(const C& c, V&& visit) {
  using I = IndexReference<C>;
  using X = const ElementOf<C>;
  if constexpr (requires { IndexTraits<C>::forEachReverse(c, visit); }) {
    return IndexTraits<C>::forEachReverse(c, visit);
  } else {
    std::vector<std::pair<IndexStore<C>, X*>> seen;
    if constexpr (std::ranges::sized_range<const C>) seen.reserve(std::ranges::size(c));
    IndexTraits<C>::forEach(c, [&](I i, X& x) {
      if constexpr (std::is_reference_v<I>) seen.emplace_back(&i, &x);
      else seen.emplace_back(i, &x);
      return true;
    });
    for (std::size_t k = seen.size(); k-- > 0;) {
      const auto& [i, x] = seen[k];
      if constexpr (std::is_reference_v<I>) {
        if (!visit(*i, *x)) return false;
      } else {
        if (!visit(i, *x)) return false;
      }
    }
    return true;
  }
}

template <class F, class Z, class C>
constexpr auto foldRight(F& f, Z&& z, const C& c) {
  FoldrAcc<F, C, Z> acc(std::forward<Z>(z));
  forEachReverse(c, [&](IndexReference<C> i, const ElementOf<C>& x) {
    acc = std::invoke(f, i, x, std::move(acc));
    return true;
  });
  return acc;
}

template <class F, class Z, class C>
constexpr auto foldLeft(F& f, Z&& z, const C& c) {
  FoldlAcc<F, C, Z> acc(std::forward<Z>(z));
  IndexTraits<C>::forEach(c, [&](IndexReference<C> i, const ElementOf<C>& x) {
    acc = std::invoke(f, i, std::move(acc), x);
    return true;
  });
  return acc;
}

// neutral, then each f(i, x) combined on the right: ((e <> f0) <> f1) <> ...
template <class F, class C>
constexpr auto foldMapLeft(F& f, const C& c) {
  using M = MapResult<F, C>;
  M acc = MonoidTraits<M>::neutral();
  IndexTraits<C>::forEach(c, [&](IndexReference<C> i, const ElementOf<C>& x) {
    acc = MonoidTraits<M>::combine(std::move(acc), std::invoke(f, i, x));
    return true;
  });
  return acc;
}

// f0 <> (f1 <> (... (f_{n-1} <> e))), built from the last element; for a monoid whose combination
// is exactly associative the same value comes from the left, which keeps f's calls in order and
// appends instead of prepending.
template <class F, class C>
constexpr auto foldMapRight(F& f, const C& c) {
  using M = MapResult<F, C>;
  if constexpr (MonoidTraits<M>::associative) {
    return foldMapLeft(f, c);
  } else {
    M acc = MonoidTraits<M>::neutral();
    forEachReverse(c, [&](IndexReference<C> i, const ElementOf<C>& x) {
      acc = MonoidTraits<M>::combine(std::invoke(f, i, x), std::move(acc));
      return true;
    });
    return acc;
  }
}

template <class F, class C>
constexpr void checkMonoid() {
  static_assert(Monoid<MapResult<F, C>>,
                "ifoldMap: f must return a monoid (a type with MonoidTraits, see indexed/Monoid.hpp)");
}

struct IfoldMapFn {
  template <class F, FoldableWithIndex C>
    requires std::invocable<F&, IndexReference<C>, const ElementOf<C>&>
  constexpr auto operator()(F&& f, const C& c) const {
    checkMonoid<F, C>();
    if constexpr (requires { IndexTraits<C>::ifoldMap(f, c); }) return IndexTraits<C>::ifoldMap(f, c);
    else return foldMapRight(f, c);
  }
};
struct IfoldMapStrictFn {
  template <class F, FoldableWithIndex C>
    requires std::invocable<F&, IndexReference<C>, const ElementOf<C>&>
  constexpr auto operator()(F&& f, const C& c) const {
    checkMonoid<F, C>();
    if constexpr (requires { IndexTraits<C>::ifoldMapStrict(f, c); }) return IndexTraits<C>::ifoldMapStrict(f, c);
    else return foldMapLeft(f, c);
  }
};
struct IfoldrFn {
  template <class F, class Z, FoldableWithIndex C>
    requires std::invocable<F&, IndexReference<C>, const ElementOf<C>&, std::decay_t<Z>>
  constexpr auto operator()(F&& f, Z&& z, const C& c) const {
    if constexpr (requires { IndexTraits<C>::ifoldr(f, std::forward<Z>(z), c); })
      return IndexTraits<C>::ifoldr(f, std::forward<Z>(z), c);
    else return foldRight(f, std::forward<Z>(z), c);
  }
};
struct IfoldlFn {
  template <class F, class Z, FoldableWithIndex C>
    requires std::invocable<F&, IndexReference<C>, std::decay_t<Z>, const ElementOf<C>&>
  constexpr auto operator()(F&& f, Z&& z, const C& c) const {
    if constexpr (requires { IndexTraits<C>::ifoldl(f, std::forward<Z>(z), c); })
      return IndexTraits<C>::ifoldl(f, std::forward<Z>(z), c);
    else return foldLeft(f, std::forward<Z>(z), c);
  }
};

}  // namespace detail

/// ifoldMap(f, c): f(i, x) of every element combined in the container's order, nested to the
/// right and ending with the neutral element, f0 <> (f1 <> (... (f_{n-1} <> e))); the neutral
/// element for an empty container. For a monoid that is not exactly associative (floating-point
/// Sum and Product, Min and Max of floating point, user monoids by default) f is called from the
/// last element to the first; otherwise from the first, and the value is the same by associativity.
inline constexpr detail::IfoldMapFn ifoldMap{};

/// ifoldMapStrict(f, c): from the neutral element, combined from the left element by element,
/// ((e <> f0) <> f1) <> ...; f is called in the container's order.
inline constexpr detail::IfoldMapStrictFn ifoldMapStrict{};

/// ifoldr(f, z, c): f(i0, x0, f(i1, x1, ... f(i_{n-1}, x_{n-1}, z))); z for an empty container.
/// f is called from the last element to the first (the inner calls first), from a loop.
inline constexpr detail::IfoldrFn ifoldr{};

/// ifoldl(f, z, c): f(i_{n-1}, ... f(i1, f(i0, z, x0), x1) ..., x_{n-1}); z for an empty container.
inline constexpr detail::IfoldlFn ifoldl{};

/// ifoldrStrict(f, z, c): the value of ifoldr, computed from the last element to the first. C++
/// evaluates every accumulator when it is made, so it is ifoldr itself (and a container's own
/// ifoldr serves both).
inline constexpr detail::IfoldrFn ifoldrStrict{};

/// ifoldlStrict(f, z, c): the value of ifoldl, from the first element; ifoldl itself in C++ (a
/// container's own ifoldl serves both).
inline constexpr detail::IfoldlFn ifoldlStrict{};

}  // namespace indexed
