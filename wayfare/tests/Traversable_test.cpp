// SPDX-License-Identifier: MIT
#include <indexed.hpp>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

#include "Chain.hpp"

using namespace indexed;
using ::testing::ElementsAre;

namespace {

// A user effect that writes a log: the log of a combination is the left one's, then the right one's.
template <class T>
struct Logged {
  T value;
  std::vector<std::string> log;
};

// A user effect that can fail: a value or an error text; the first error wins and stops.
template <class T>
struct Checked {
  using value_type = T;
  std::variant<T, std::string> outcome;
};

template <class C>
std::vector<IndexOf<C>> iterationOrder(const C& m) {
  std::vector<IndexOf<C>> keys;
  for (const auto& [k, v] : m) keys.push_back(k);
  return keys;
}

}  // namespace

template <class T>
struct indexed::EffectAdapter<Logged<T>> {
  using value_type = T;
  template <class U>
  using rebind = Logged<U>;
  template <class U>
  static Logged<U> pure(U u) {
    return {std::move(u), {}};
  }
  template <class A, class Next, class G>
  static auto combine(Logged<A> ea, Next&& next, G&& g) {
    auto eb = next();
    ea.log.insert(ea.log.end(), eb.log.begin(), eb.log.end());
    return Logged<decltype(g(std::move(ea.value), std::move(eb.value)))>{g(std::move(ea.value), std::move(eb.value)),
                                                                         std::move(ea.log)};
  }
};

template <class T>
struct indexed::EffectAdapter<Checked<T>> {
  using value_type = T;
  template <class U>
  using rebind = Checked<U>;
  template <class U>
  static Checked<U> pure(U u) {
    return {std::move(u)};
  }
  template <class A, class Next, class G>
  static auto combine(Checked<A> ea, Next&& next, G&& g) {
    using B = typename std::invoke_result_t<Next&>::value_type;
    using R = decltype(g(std::declval<A>(), std::declval<B>()));
    if (auto* e = std::get_if<std::string>(&ea.outcome)) return Checked<R>{*e};
    auto eb = next();
    if (auto* e = std::get_if<std::string>(&eb.outcome)) return Checked<R>{*e};
    return Checked<R>{g(std::get<A>(std::move(ea.outcome)), std::get<B>(std::move(eb.outcome)))};
  }
};

TEST(Traversable, ImapKeepsTheShapeAndPassesTheIndex) {
  const auto f = [](std::int64_t i, int x) { return std::to_string(i) + ":" + std::to_string(x); };
  EXPECT_THAT(imap(f, std::vector<int>{5, 6, 7}), ElementsAre("0:5", "1:6", "2:7"));
  EXPECT_THAT(imap(f, std::deque<int>{5, 6}), ElementsAre("0:5", "1:6"));
  EXPECT_EQ(imap(f, std::array<int, 2>{5, 6}), (std::array<std::string, 2>{"0:5", "1:6"}));
  EXPECT_TRUE(imap(f, std::vector<int>{}).empty());
  const auto g = [](std::int64_t i, int x) { return i * x; };  // a plain result, stored by position
  EXPECT_THAT(imap(g, std::vector<int>{5, 6, 7}), ElementsAre(0, 6, 14));
  const std::map<std::string, int> m{{"b", 2}, {"a", 1}};
  EXPECT_EQ(imap([](const std::string& k, int v) { return k + std::to_string(v); }, m),
            (std::map<std::string, std::string>{{"a", "a1"}, {"b", "b2"}}));

  struct Meters {};
  const auto tagged = imap([](Unit, int x) { return x * 0.5; }, Tagged<int, Meters>{3});
  static_assert(std::is_same_v<decltype(tagged), const Tagged<double, Meters>>);
  EXPECT_EQ(tagged.value, 1.5);
  EXPECT_EQ(imap([](Unit u, int x) { return show(u) + std::to_string(x); }, MkSolo(3)), MkSolo(std::string("()3")));
}

TEST(Traversable, ImapOfAHashMapKeepsItsKeysInTheirOrder) {
  std::mt19937_64 rng(11);
  for (const std::size_t n : {0u, 1u, 2u, 13u, 100u, 2000u}) {
    std::unordered_map<std::int64_t, int> m;
    while (m.size() < n) m.emplace(static_cast<std::int64_t>(rng() % (5 * n + 1)), static_cast<int>(rng() % 100));
    std::unordered_map<std::string, int> s;
    s.max_load_factor(0.5f);
    for (const auto& [k, v] : m) s.emplace("key" + std::to_string(k), v);
    for (int round = 0; round < 2; ++round) {
      const auto same = imap([](std::int64_t, int v) { return v + 1; }, m);
      const auto other = imap([](std::int64_t k, int v) { return std::to_string(k + v); }, m);
      const auto text = imap([](const std::string& k, int v) { return k.size() + static_cast<std::size_t>(v); }, s);
      EXPECT_EQ(iterationOrder(same), iterationOrder(m)) << n;
      EXPECT_EQ(iterationOrder(other), iterationOrder(m)) << n;
      EXPECT_EQ(iterationOrder(text), iterationOrder(s)) << n;
      for (const auto& [k, v] : m) EXPECT_EQ(other.at(k), std::to_string(k + v));
      for (auto it = m.begin(); it != m.end();) it = (it->second % 2 == 0) ? m.erase(it) : std::next(it);
      for (auto it = s.begin(); it != s.end();) it = (it->second % 3 == 0) ? s.erase(it) : std::next(it);
    }
  }
}

TEST(Traversable, ImapThenAPlainFoldEqualsIfoldr) {
  std::mt19937_64 rng(5);
  std::vector<int> v(500);
  for (auto& x : v) x = static_cast<int>(rng() % 1000);
  std::unordered_map<std::int64_t, int> h;
  for (int k = 0; k < 500; ++k) h.emplace(static_cast<std::int64_t>(rng() % 100000), k);
  const auto g = [](std::int64_t i, int x) { return std::to_string(i) + "/" + std::to_string(x) + ";"; };
  const auto viaIfoldr = [&](const auto& c) {
    return ifoldr([&](std::int64_t i, int x, std::string acc) { return g(i, x) + acc; }, std::string(), c);
  };
  std::string plain;
  for (const auto& s : imap(g, v)) plain += s;
  EXPECT_EQ(viaIfoldr(v), plain);
  plain.clear();
  for (const auto& [k, s] : imap(g, h)) plain += s;
  EXPECT_EQ(viaIfoldr(h), plain);
}

TEST(Traversable, IdentityEffectRunsInIndexOrderAndEqualsImap) {
  std::vector<std::int64_t> seen;
  const auto record = [&](std::int64_t i, int x) {
    seen.push_back(i);
    return x * 2;
  };
  EXPECT_THAT(itraverse(record, std::vector<int>{4, 5, 6}), ElementsAre(8, 10, 12));
  EXPECT_THAT(seen, ElementsAre(0, 1, 2));

  std::unordered_map<std::int64_t, int> h;
  for (int k = 0; k < 50; ++k) h.emplace(k * 7919 % 1000, k);
  seen.clear();
  const auto traversed = itraverse(record, h);
  EXPECT_EQ(seen, iterationOrder(h));
  EXPECT_EQ(traversed, imap([](std::int64_t, int x) { return x * 2; }, h));
  EXPECT_EQ(iterationOrder(traversed), iterationOrder(h));
}

TEST(Traversable, OptionalStopsAtTheFirstEmptyResult) {
  std::vector<std::string> calls;
  const auto upTo = [&](int limit) {
    return [&calls, limit](const auto& i, int x) -> std::optional<double> {
      std::ostringstream out;
      out << i;
      calls.push_back(out.str());
      if (x > limit) return std::nullopt;
      return x * 0.5;
    };
  };
  const std::vector<int> v{1, 2, 9, 3};
  EXPECT_EQ(itraverse(upTo(5), v), std::nullopt);
  EXPECT_THAT(calls, ElementsAre("0", "1", "2"));
  calls.clear();
  EXPECT_EQ(itraverse(upTo(9), v), (std::vector<double>{0.5, 1.0, 4.5, 1.5}));
  EXPECT_EQ(calls.size(), 4u);

  // The containers rebuilt through their own map-with-index stop the same way.
  calls.clear();
  EXPECT_EQ(itraverse(upTo(5), std::deque<int>{1, 9, 2}), std::nullopt);
  EXPECT_THAT(calls, ElementsAre("0", "1"));
  const std::map<std::string, int> m{{"a", 1}, {"b", 7}, {"c", 2}};
  calls.clear();
  EXPECT_EQ(itraverse(upTo(5), m), std::nullopt);
  EXPECT_THAT(calls, ElementsAre("a", "b"));
  EXPECT_EQ(itraverse(upTo(9), m), (std::map<std::string, double>{{"a", 0.5}, {"b", 3.5}, {"c", 1.0}}));
  const auto c = chain::Chain<int>::from(std::vector<int>{4, 8});
  calls.clear();
  EXPECT_EQ(itraverse(upTo(5), c), std::nullopt);
  EXPECT_THAT(calls, ElementsAre("#0", "#1"));
  const auto rebuilt = itraverse(upTo(9), c);
  ASSERT_TRUE(rebuilt);
  EXPECT_THAT(rebuilt->items, ElementsAre(2.0, 4.0));

  // Empty containers: no call, an empty container.
  calls.clear();
  EXPECT_EQ(itraverse(upTo(0), std::vector<int>{}), std::vector<double>{});
  EXPECT_EQ(itraverse(upTo(0), std::unordered_map<int, int>{}), (std::unordered_map<int, double>{}));
  EXPECT_TRUE(calls.empty());
  // The wrappers rewrap the result and keep the tag.
  struct Tag {};
  const auto t = itraverse([](Unit, int x) { return std::optional<long>(x); }, Tagged<int, Tag>{3});
  static_assert(std::is_same_v<decltype(t), const std::optional<Tagged<long, Tag>>>);
  EXPECT_EQ(t, (Tagged<long, Tag>{3}));
  EXPECT_EQ(itraverse([](Unit, int) { return std::optional<int>(); }, MkSolo(1)), std::nullopt);
}

TEST(Traversable, UserEffectsPlugInThroughTheAdapter) {
  const auto logIt = [](std::int64_t i, int x) {
    return Logged<int>{x + 1, {"visit " + std::to_string(i)}};
  };
  const auto logged = itraverse(logIt, std::vector<int>{10, 20, 30});
  EXPECT_THAT(logged.value, ElementsAre(11, 21, 31));
  EXPECT_THAT(logged.log, ElementsAre("visit 0", "visit 1", "visit 2"));
  const auto none = itraverse(logIt, std::vector<int>{});
  EXPECT_TRUE(none.value.empty());
  EXPECT_TRUE(none.log.empty());

  const std::map<int, int> m{{3, 30}, {1, 10}};
  const auto loggedMap = itraverse([](int k, int x) { return Logged<int>{k + x, {std::to_string(k)}}; }, m);
  EXPECT_EQ(loggedMap.value, (std::map<int, int>{{1, 11}, {3, 33}}));
  EXPECT_THAT(loggedMap.log, ElementsAre("1", "3"));

  int calls = 0;
  const auto check = [&](std::int64_t i, int x) {
    ++calls;
    return x < 0 ? Checked<int>{"negative at " + std::to_string(i)} : Checked<int>{x};
  };
  const auto failed = itraverse(check, std::vector<int>{1, -2, 3, -4});
  EXPECT_EQ(std::get<std::string>(failed.outcome), "negative at 1");
  EXPECT_EQ(calls, 2);
  const auto fine = itraverse([&](Unit, int x) { return check(0, x); }, Tagged<int, Unit>{5});
  EXPECT_EQ((std::get<Tagged<int, Unit>>(fine.outcome).value), 5);
}

TEST(Traversable, UnitRendersAsEmptyParentheses) {
  EXPECT_EQ(show(Unit{}), "()");
  std::ostringstream out;
  out << Unit{};
  EXPECT_EQ(out.str(), "()");
  EXPECT_EQ(Unit::read(" ()\n"), Unit{});
  EXPECT_EQ(Unit::read("( )"), std::nullopt);
  EXPECT_EQ(Unit::read(""), std::nullopt);
  EXPECT_EQ(Unit::read("()()"), std::nullopt);
}
