// SPDX-License-Identifier: MIT
// indexed/Traversable.hpp: itraverse, running an effectful f(i, x) for every element in the
// container's order and rebuilding a container of the same shape from the results.
//   auto r = indexed::itraverse(parseAt, lines);   // std::optional<std::vector<int>>
#pragma once
#include <wayfare/export.hpp>

#include <cstddef>
#include <cstdint>
#include <concepts>
#include <functional>
#include <optional>
#include <ranges>
#include <type_traits>
#include <utility>
#include <vector>

#include "indexed/Effect.hpp"
#include "indexed/Foldable.hpp"
#include "indexed/Functor.hpp"
#include "indexed/IndexTraits.hpp"
#include "indexed/Unit.hpp"

namespace indexed {

namespace detail {

template <class T>
constexpr bool isOptional = false;
template <class T>
constexpr bool isOptional<std::optional<T>> = true;
template <class T>
constexpr bool isVector = false;
template <class T, class A>
constexpr bool isVector<std::vector<T, A>> = true;

// c's shape holding the results, in c's order (moved out of results).
template <class C, class B>
auto rebuild(const C& c, std::vector<B>& results) {
  std::size_t k = 0;
  return IndexTraits<C>::mapWithIndex(c, [&](IndexReference<C>, const ElementOf<C>&) -> B {
    return std::move(results[k++]);
  });
}

template <class F, class C>
auto traverseOptional(F& f, const C& c) {
  using B = typename MapResult<F, C>::value_type;
  using Out = typename IndexTraits<C>::template rebind<B>;
  if constexpr (isVector<C> && isVector<Out>) {
    // A vector is built in place, as a hand-written loop would.
    Out out{typename Out::allocator_type(c.get_allocator())};
    out.reserve(c.size());
    std::int64_t i = 0;
    for (const auto& x : c) {
      auto r = std::invoke(f, i++, x);
      if (!r) return std::optional<Out>();
      out.push_back(std::move(*r));
    }
    return std::optional<Out>(std::move(out));
  } else {
    std::vector<B> results;
    if constexpr (std::ranges::sized_range<const C>) results.reserve(std::ranges::size(c));
    const bool complete = IndexTraits<C>::forEach(c, [&](IndexReference<C> i, const ElementOf<C>& x) {
      auto r = std::invoke(f, i, x);
      if (!r) return false;
      results.push_back(std::move(*r));
      return true;
    });
    if (!complete) return std::optional<Out>();
    return std::optional<Out>(rebuild(c, results));
  }
}

// Any effect through its adapter: the results gathered so far travel inside the effect, one
// combine per element, then one more rebuilds the container.
template <class F, class C>
auto traverseEffect(F& f, const C& c) {
  using Adapter = EffectAdapter<MapResult<F, C>>;
  using B = typename Adapter::value_type;
  using Results = std::vector<B>;
  auto acc = Adapter::pure(Results{});
  IndexTraits<C>::forEach(c, [&](IndexReference<C> i, const ElementOf<C>& x) {
    acc = Adapter::combine(
        std::move(acc), [&] { return std::invoke(f, i, x); },
        [](Results rs, B b) {
          rs.push_back(std::move(b));
          return rs;
        });
    return true;
  });
  return Adapter::combine(
      std::move(acc), [] { return Adapter::pure(Unit{}); }, [&](Results rs, Unit) { return rebuild(c, rs); });
}

struct ItraverseFn {
  template <class F, TraversableWithIndex C>
    requires std::invocable<F&, IndexReference<C>, const ElementOf<C>&>
  constexpr auto operator()(F&& f, const C& c) const {
    using R = MapResult<F, C>;
    if constexpr (requires { IndexTraits<C>::itraverse(f, c); }) return IndexTraits<C>::itraverse(f, c);
    else if constexpr (isOptional<R>) return traverseOptional(f, c);
    else if constexpr (Effect<R>) return traverseEffect(f, c);
    else return ImapFn{}(f, c);
  }
};

}  // namespace detail

/// itraverse(f, c): runs f(i, x) for every element in the container's order and rebuilds c's
/// shape from the results, inside the effect f returns:
/// - a plain value (the identity effect): the rebuilt container; equal to imap(f, c);
/// - std::optional<B>: the container of B, or empty at the first empty result, after which f is
///   not called again;
/// - any type with an EffectAdapter: that effect holding the container.
inline constexpr detail::ItraverseFn itraverse{};

}  // namespace indexed
