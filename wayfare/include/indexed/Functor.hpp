// SPDX-License-Identifier: MIT
// indexed/Functor.hpp: imap, mapping every element with its index into a container of the same shape.
//   indexed::imap([](const std::string& k, int v) { return k.size() + v; }, m)  // same keys
#pragma once
#include <wayfare/export.hpp>

#include <concepts>
#include <functional>
#include <utility>

#include "indexed/IndexTraits.hpp"

namespace indexed {

namespace detail {
struct ImapFn {
  template <class F, FunctorWithIndex C>
    requires std::invocable<F&, IndexReference<C>, const ElementOf<C>&>
  constexpr auto operator()(F&& f, const C& c) const {
    if constexpr (requires { IndexTraits<C>::imap(f, c); }) {
      return IndexTraits<C>::imap(f, c);
    } else {
      return IndexTraits<C>::mapWithIndex(
          c, [&](IndexReference<C> i, const ElementOf<C>& x) -> decltype(auto) { return std::invoke(f, i, x); });
    }
  }
};
}  // namespace detail

/// imap(f, c): the container of c's shape whose element at index i is f(i, x). f is called once
/// per element, in the container's order: positions 0 .. n-1, a map's iteration order. A hash map's
/// result has c's keys in c's iteration order; a Tagged keeps its tag.
inline constexpr detail::ImapFn imap{};

}  // namespace indexed
