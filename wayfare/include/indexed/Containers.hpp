// SPDX-License-Identifier: MIT
// indexed/Containers.hpp: the standard containers as index-aware containers. Sequences
// (std::vector, std::array, std::deque; std::span for the folds) are indexed by position, a
// std::int64_t from 0; std::unordered_map and std::map by key, in their own iteration order.
//   indexed::imap([](std::int64_t i, int x) { return x * i; }, std::vector{1, 2, 3})  // {0, 2, 6}
#pragma once
#include <wayfare/export.hpp>

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <iterator>
#include <map>
#include <memory>
#include <span>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "indexed/IndexTraits.hpp"

namespace indexed {

namespace detail {

template <class A, class B>
using RebindAlloc = typename std::allocator_traits<A>::template rebind_alloc<B>;

template <class G, class I, class X>
using ResultOf = std::decay_t<std::invoke_result_t<G&, I, const X&>>;

// Sequences: position i (a std::int64_t from 0) of every element, front to back.
template <class S>
struct SequenceTraits {
  using index_type = std::int64_t;
  using index_reference = std::int64_t;
  using element_type = std::remove_reference_t<decltype(*std::begin(std::declval<const S&>()))>;

  template <class V>
  static constexpr bool forEach(const S& s, V&& visit) {
    std::int64_t i = 0;
    for (auto it = std::begin(s), end = std::end(s); it != end; ++it, ++i)
      if (!visit(i, *it)) return false;
    return true;
  }
  template <class V>
  static constexpr bool forEachReverse(const S& s, V&& visit) {
    auto i = static_cast<std::int64_t>(std::size(s));
    for (auto it = std::end(s), begin = std::begin(s); it != begin;) {
      --it;
      --i;
      if (!visit(i, *it)) return false;
    }
    return true;
  }
};

// Maps: the key of every entry, in the map's iteration order.
template <class M>
struct MapTraits {
  using index_type = typename M::key_type;
  using index_reference = const typename M::key_type&;
  using element_type = typename M::mapped_type;

  template <class Visit>
  static bool forEach(const M& m, Visit&& visit) {
    for (const auto& [k, v] : m)
      if (!visit(k, v)) return false;
    return true;
  }
};

// Appends g(i, x_i) for every element of s to the empty sequence out, in position order.
template <class S, class Out, class G>
constexpr void pushMapped(const S& s, Out& out, G& g) {
  std::int64_t i = 0;
  for (const auto& x : s) out.push_back(g(i++, x));
}

}  // namespace detail

template <class T, class A>
struct IndexTraits<std::vector<T, A>> : detail::SequenceTraits<std::vector<T, A>> {
  template <class B>
  using rebind = std::vector<B, detail::RebindAlloc<A, B>>;

  template <class G>
  static constexpr auto mapWithIndex(const std::vector<T, A>& v, G&& g) {
    using B = detail::ResultOf<G, std::int64_t, T>;
    rebind<B> out{detail::RebindAlloc<A, B>(v.get_allocator())};
    if constexpr (std::is_trivially_default_constructible_v<B> && std::is_trivially_copy_assignable_v<B> &&
                  std::contiguous_iterator<typename std::vector<T, A>::const_iterator>) {
      // Plain values: size the result once and store by position, as a hand-written loop would.
      const std::size_t n = v.size();
      out.resize(n);
      const T* x = v.data();
      B* y = out.data();
      for (std::size_t i = 0; i < n; ++i) y[i] = g(static_cast<std::int64_t>(i), x[i]);
    } else {
      out.reserve(v.size());
      detail::pushMapped(v, out, g);
    }
    return out;
  }
};

template <class T, std::size_t N>
struct IndexTraits<std::array<T, N>> : detail::SequenceTraits<std::array<T, N>> {
  template <class B>
  using rebind = std::array<B, N>;

  template <class G>
  static constexpr auto mapWithIndex(const std::array<T, N>& a, G&& g) {
    using B = detail::ResultOf<G, std::int64_t, T>;
    if constexpr (std::is_default_constructible_v<B> && std::is_move_assignable_v<B>) {
      std::array<B, N> out{};
      for (std::size_t i = 0; i < N; ++i) out[i] = g(static_cast<std::int64_t>(i), a[i]);
      return out;
    } else {
      // The elements of a braced list are initialised in order, so g still runs front to back.
      return [&]<std::size_t... I>(std::index_sequence<I...>) {
        return std::array<B, N>{g(static_cast<std::int64_t>(I), a[I])...};
      }(std::make_index_sequence<N>{});
    }
  }
};

template <class T, class A>
struct IndexTraits<std::deque<T, A>> : detail::SequenceTraits<std::deque<T, A>> {
  template <class B>
  using rebind = std::deque<B, detail::RebindAlloc<A, B>>;

  template <class G>
  static auto mapWithIndex(const std::deque<T, A>& d, G&& g) {
    using B = detail::ResultOf<G, std::int64_t, T>;
    rebind<B> out{detail::RebindAlloc<A, B>(d.get_allocator())};
    detail::pushMapped(d, out, g);
    return out;
  }
};

/// A span is a view: it folds, but has no shape of its own to rebuild (no imap or itraverse).
template <class T, std::size_t E>
struct IndexTraits<std::span<T, E>> : detail::SequenceTraits<std::span<T, E>> {};

/// Hash maps: the index is the key; every operation walks the entries in the map's own iteration
/// order. The map has forward iterators only, so right folds record the entries first.
template <class K, class V, class H, class Eq, class A>
struct IndexTraits<std::unordered_map<K, V, H, Eq, A>> : detail::MapTraits<std::unordered_map<K, V, H, Eq, A>> {
  using Map = std::unordered_map<K, V, H, Eq, A>;

  template <class B>
  using rebind = std::unordered_map<K, B, H, Eq, detail::RebindAlloc<A, std::pair<const K, B>>>;

  /// The result has the keys of m in the same iteration order: the values are computed in that
  /// order, then the entries are inserted last to first into a map with m's bucket count, hash,
  /// equality and load factor. An insertion puts an entry at the front of its bucket, or at the
  /// front of the whole list when its bucket is empty, so the last-to-first insertions rebuild
  /// m's order (checked by the tests).
  template <class G>
  static auto mapWithIndex(const Map& m, G&& g) {
    using B = detail::ResultOf<G, const K&, V>;
    std::vector<std::pair<const K*, B>> values;
    values.reserve(m.size());
    for (const auto& [k, v] : m) values.emplace_back(&k, g(k, v));
    using Out = rebind<B>;
    Out out(m.bucket_count(), m.hash_function(), m.key_eq(),
            typename Out::allocator_type(m.get_allocator()));
    out.max_load_factor(m.max_load_factor());
    for (auto it = values.rbegin(); it != values.rend(); ++it) out.emplace(*it->first, std::move(it->second));
    return out;
  }
};

/// Ordered maps: the index is the key, in ascending key order.
template <class K, class V, class Cmp, class A>
struct IndexTraits<std::map<K, V, Cmp, A>> : detail::MapTraits<std::map<K, V, Cmp, A>> {
  using Map = std::map<K, V, Cmp, A>;

  template <class B>
  using rebind = std::map<K, B, Cmp, detail::RebindAlloc<A, std::pair<const K, B>>>;
  template <class Visit>
  static bool forEachReverse(const Map& m, Visit&& visit) {
    for (auto it = m.rbegin(); it != m.rend(); ++it)
      if (!visit(it->first, it->second)) return false;
    return true;
  }

  template <class G>
  static auto mapWithIndex(const Map& m, G&& g) {
    using B = detail::ResultOf<G, const K&, V>;
    using Out = rebind<B>;
    Out out(m.key_comp(), typename Out::allocator_type(m.get_allocator()));
    // Keys arrive in ascending order, so each one goes in at the end in constant time.
    for (const auto& [k, v] : m) out.emplace_hint(out.end(), k, g(k, v));
    return out;
  }
};

}  // namespace indexed
