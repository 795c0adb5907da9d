// SPDX-License-Identifier: MIT
// indexed/Effect.hpp: the effects itraverse can run. A function returning a plain value is the
// identity effect (its side effects happen in index order); std::optional stops at the first empty
// result; any other effect type plugs in through the adapter EffectAdapter.
//   indexed::itraverse([](std::int64_t, int x) -> std::optional<int> { ... }, v)  // optional<vector<int>>
#pragma once
#include <wayfare/export.hpp>

#include <optional>
#include <type_traits>
#include <utility>

namespace indexed {

/// The adapter that lets itraverse run an effect type E holding a value. Undefined for types that
/// are not effects: such results are plain values (the identity effect). A specialisation for an
/// effect template Eff (partial, for every Eff<T>) provides:
///
///   using value_type = T;                          the value an Eff<T> yields
///   template <class U> using rebind = Eff<U>;
///   template <class U> static Eff<U> pure(U u);    u, with no effect
///   template <class A, class Next, class G> static Eff<R> combine(Eff<A> ea, Next&& next, G&& g);
///       the effect of ea, then the effect of next() (an Eff<B>), yielding g(a, b) of type R. An
///       effect that stops (like an empty optional) returns without calling next(), so no later
///       effect runs.
///
/// itraverse calls combine once per element in index order (plus once at the end) from a loop,
/// never recursively. An effect that stores work in closures to run later may still nest them.
template <class E>
struct EffectAdapter;

/// Whether R is an effect type (EffectAdapter<R> is specialised).
template <class R>
concept Effect = requires { typename EffectAdapter<R>::value_type; };

/// std::optional: the first empty result ends the traversal with an empty result; no later
/// function call is made.
template <class T>
struct EffectAdapter<std::optional<T>> {
  using value_type = T;
  template <class U>
  using rebind = std::optional<U>;

  template <class U>
  static constexpr std::optional<std::decay_t<U>> pure(U&& u) {
    return std::optional<std::decay_t<U>>(std::forward<U>(u));
  }
  template <class A, class Next, class G>
  static constexpr auto combine(std::optional<A> ea, Next&& next, G&& g) {
    using B = typename std::invoke_result_t<Next&>::value_type;
    using R = std::decay_t<std::invoke_result_t<G&, A, B>>;
    if (!ea) return std::optional<R>();
    auto eb = next();
    if (!eb) return std::optional<R>();
    return std::optional<R>(g(std::move(*ea), std::move(*eb)));
  }
};

}  // namespace indexed
