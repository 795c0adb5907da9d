// SPDX-License-Identifier: MIT
// indexed/IndexTraits.hpp: what makes a container index-aware. A container specialises the one
// traits template IndexTraits; the three interfaces are concepts over it.
//   static_assert(indexed::TraversableWithIndex<std::vector<int>>);
#pragma once
#include <wayfare/export.hpp>

#include <concepts>
#include <type_traits>

namespace indexed {

/// The index-aware view of a container C; left undefined for every other type. A container
/// becomes index-aware by specialising it with (docs/wayfare.md has a worked example):
///
///   using index_type = K;        the index passed to f (a key, a position, Unit)
///   using element_type = X;      the elements
///   using index_reference = R;   optional: the type forEach passes the index as (by default
///                                const K&, which must then refer into the container)
///   template <class V> static bool forEach(const C& c, V&& visit);
///       calls visit(i, x) for each element in the container's order while visit returns true;
///       returns true when it visited every element. x refers to the element inside c.
///   template <class V> static bool forEachReverse(const C& c, V&& visit);
///       optional: the same from the last element to the first. Without it, right folds record
///       one (index, element) pointer pair per element first (memory, never stack depth).
///   template <class B> using rebind = ...;
///       for imap and itraverse: the container of the same shape holding B.
///   template <class G> static rebind<B> mapWithIndex(const C& c, G&& g);
///       for imap and itraverse: calls g(i, x) once per element in forEach's order and returns a
///       container with the same indices, in the same order, holding the results.
///
/// A specialisation may also define any operation itself (imap, ifoldMap, ifoldMapStrict, ifoldr,
/// ifoldl, itraverse) as a static member with the parameters of the operation; the operation then
/// calls it instead of its generic code (ifoldrStrict and ifoldlStrict are ifoldr and ifoldl).
template <class C>
struct IndexTraits;

namespace detail {
// Stand-ins used only to check the shape of a specialisation.
struct AnyVisit {
  template <class I, class X>
  constexpr bool operator()(I&&, X&&) const noexcept {
    return true;
  }
};
struct Probe {};

template <class T>
struct IndexReferenceOf {
  using type = const typename T::index_type&;
};
template <class T>
  requires requires { typename T::index_reference; }
struct IndexReferenceOf<T> {
  using type = typename T::index_reference;
};
}  // namespace detail

/// Whether IndexTraits<C> is specialised with an index and an element type.
template <class C>
concept Indexed = requires {
  typename IndexTraits<C>::index_type;
  typename IndexTraits<C>::element_type;
};

/// The index type of C, the element type of C, and how the index is passed to f.
template <Indexed C>
using IndexOf = typename IndexTraits<C>::index_type;
template <Indexed C>
using ElementOf = typename IndexTraits<C>::element_type;
template <Indexed C>
using IndexReference = typename detail::IndexReferenceOf<IndexTraits<C>>::type;

/// C's shape holding B (for containers that imap and itraverse can rebuild).
template <class C, class B>
using Rebind = typename IndexTraits<C>::template rebind<B>;

/// Containers whose elements can be mapped with their indices, keeping the shape: imap.
template <class C>
concept FunctorWithIndex = Indexed<C> && requires { typename Rebind<C, detail::Probe>; };

/// Containers whose elements can be folded with their indices: ifoldMap, ifoldMapStrict,
/// ifoldr, ifoldl, ifoldrStrict, ifoldlStrict.
template <class C>
concept FoldableWithIndex = Indexed<C> && requires(const C& c) {
  { IndexTraits<C>::forEach(c, detail::AnyVisit{}) } -> std::same_as<bool>;
};

/// Containers that can be rebuilt from effectful results in index order: itraverse.
template <class C>
concept TraversableWithIndex = FunctorWithIndex<C> && FoldableWithIndex<C>;

}  // namespace indexed
