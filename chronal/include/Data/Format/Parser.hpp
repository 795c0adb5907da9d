// SPDX-License-Identifier: MIT
// Data/Format/Parser.hpp: all-readings parsers over UTF-8 text, without a list of successes.
//   auto p = seq(many1(satisfy(isDigit)), string("!"));   // every split of the digits is a reading
//   auto r = parseWhole(p, "12!");                          // r.count == 1
//
// A parser maps an input position to every reading it has there: a value and the position where the
// reading stopped. Readings are not collected in a list: a parser calls a continuation
// k(stop, make) once per reading, where make() builds the value on demand (so a reading that the
// rest of the parse rejects by position never builds its value). k returns true to stop the whole
// search (whole-input parsing stops at the second complete reading). No parser allocates per
// character; only repetition (many1, count) keeps its elements, and only the values it is asked for
// are built.
//
// A static parser is any type with `value_type` and
//   template <class K> bool run(const char* at, const char* end, K&& k) const;
// that returns true when k asked to stop. ReadP<T> erases one behind a shared, immutable handle.
#pragma once
#include <chronal/export.hpp>

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace Data::Format::Parser {

// ---- non-owning callable reference --------------------------------------------------------------

template <class Sig>
class FunctionRef;

/// A reference to a callable (two words, no allocation); the callable must outlive it.
template <class R, class... A>
class FunctionRef<R(A...)> {
public:
  template <class F>
    requires(!std::same_as<std::remove_cvref_t<F>, FunctionRef> && std::is_invocable_r_v<R, F&, A...>)
  FunctionRef(F&& f) noexcept  // NOLINT: implicit by design
      : obj_(const_cast<void*>(static_cast<const void*>(std::addressof(f)))),
        fn_([](void* o, A... a) -> R {
          return std::invoke(*static_cast<std::remove_reference_t<F>*>(o), std::forward<A>(a)...);
        }) {}
  R operator()(A... a) const { return fn_(obj_, std::forward<A>(a)...); }

private:
  void* obj_;
  R (*fn_)(void*, A...);
};

// ---- the parser concept -------------------------------------------------------------------------

/// A continuation used only to check parser types.
struct ProbeContinuation {
  template <class Make>
  bool operator()(const char*, const Make&) const {
    return false;
  }
};

template <class P>
concept IsParser = requires { typename P::value_type; } &&
                   requires(const P& p, const char* s, ProbeContinuation k) {
                     { p.run(s, s, k) } -> std::same_as<bool>;
                   };

template <IsParser P>
using ValueOf = typename P::value_type;

// ---- UTF-8 --------------------------------------------------------------------------------------

/// Decodes the code point at s (s < end) into cp and returns its byte length, or 0 when the bytes
/// there are not a well-formed UTF-8 sequence (truncated, overlong, surrogate, above U+10FFFF).
inline int decodeUtf8(const char* s, const char* end, char32_t& cp) noexcept {
  const auto b0 = static_cast<unsigned char>(s[0]);
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  int len;
  char32_t c;
  char32_t lo = 0x80;
  char32_t hi = 0xBF;  // allowed range of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2;
    c = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3;
    c = b0 & 0x0F;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4;
    c = b0 & 0x07;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (end - s < len) return 0;
  for (int i = 1; i < len; ++i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (i == 1 ? (b < lo || b > hi) : (b < 0x80 || b > 0xBF)) return 0;
    c = (c << 6) | (b & 0x3F);
  }
  cp = c;
  return len;
}

// ---- primitives ---------------------------------------------------------------------------------

/// Succeeds with `value` without consuming.
template <class T>
struct Pure {
  using value_type = T;
  T value;
  template <class K>
  bool run(const char* at, const char*, K&& k) const {
    return k(at, [this]() -> T { return value; });
  }
};
template <class T>
Pure<T> pure(T value) {
  return {std::move(value)};
}

/// Never succeeds.
template <class T>
struct Fail {
  using value_type = T;
  template <class K>
  bool run(const char*, const char*, K&&) const {
    return false;
  }
};
template <class T>
Fail<T> fail() {
  return {};
}

/// Reads one character (code point) that passes `test`. Ill-formed UTF-8 is never a character.
template <class Test>
struct Satisfy {
  using value_type = char32_t;
  Test test;
  template <class K>
  bool run(const char* at, const char* end, K&& k) const {
    if (at == end) return false;
    char32_t c;
    const int len = decodeUtf8(at, end, c);
    if (len == 0 || !test(c)) return false;
    return k(at + len, [c]() -> char32_t { return c; });
  }
};
template <class Test>
Satisfy<Test> satisfy(Test test) {
  return {std::move(test)};
}

/// Matches exactly `text` (byte for byte); the value is the text.
struct String {
  using value_type = std::string;
  std::string text;
  template <class K>
  bool run(const char* at, const char* end, K&& k) const {
    const auto n = static_cast<std::ptrdiff_t>(text.size());
    if (end - at < n) return false;
    // One character (the common separator) without a call to memcmp.
    if (n == 1 ? *at != text[0] : std::memcmp(at, text.data(), text.size()) != 0) return false;
    return k(at + n, [this]() -> std::string { return text; });
  }
};
inline String string(std::string text) { return {std::move(text)}; }

/// A run of ASCII digits: with a count n, exactly n of them; without one, every length from 1 to the
/// longest run (one reading each). The value is the digits as a view into the input.
struct Digits {
  using value_type = std::string_view;
  std::optional<int> count;
  template <class K>
  bool run(const char* at, const char* end, K&& k) const {
    const char* p = at;
    if (count) {
      if (*count < 1 || end - at < *count) return false;
      for (int i = 0; i < *count; ++i, ++p) {
        if (*p < '0' || *p > '9') return false;
      }
      return k(p, [at, p] { return std::string_view(at, static_cast<std::size_t>(p - at)); });
    }
    while (p != end && *p >= '0' && *p <= '9') {
      ++p;
      if (k(p, [at, p] { return std::string_view(at, static_cast<std::size_t>(p - at)); })) return true;
    }
    return false;
  }
};
inline Digits digits(std::optional<int> count = std::nullopt) { return {count}; }

// ---- connectives --------------------------------------------------------------------------------

/// Applies f to every value of p.
template <IsParser P, class F>
struct Map {
  using value_type = std::invoke_result_t<const F&, ValueOf<P>>;
  P p;
  F f;
  template <class K>
  bool run(const char* at, const char* end, K&& k) const {
    return p.run(at, end, [&](const char* stop, const auto& make) {
      return k(stop, [&]() -> value_type { return f(make()); });
    });
  }
};
template <IsParser P, class F>
Map<P, F> map(P p, F f) {
  return {std::move(p), std::move(f)};
}

/// Applies f (giving an optional) to every value of p; an absent result drops the reading.
template <IsParser P, class F>
struct MapMaybe {
  using value_type = typename std::invoke_result_t<const F&, ValueOf<P>>::value_type;
  P p;
  F f;
  template <class K>
  bool run(const char* at, const char* end, K&& k) const {
    return p.run(at, end, [&](const char* stop, const auto& make) {
      const auto r = f(make());
      if (!r) return false;
      return k(stop, [&]() -> value_type { return *r; });
    });
  }
};
template <IsParser P, class F>
MapMaybe<P, F> mapMaybe(P p, F f) {
  return {std::move(p), std::move(f)};
}

/// Keeps the readings of p whose value passes `test`.
template <IsParser P, class Test>
struct Filter {
  using value_type = ValueOf<P>;
  P p;
  Test test;
  template <class K>
  bool run(const char* at, const char* end, K&& k) const {
    return p.run(at, end, [&](const char* stop, const auto& make) {
      const value_type v = make();
      if (!test(v)) return false;
      return k(stop, [&]() -> value_type { return v; });
    });
  }
};
template <IsParser P, class Test>
Filter<P, Test> filter(P p, Test test) {
  return {std::move(p), std::move(test)};
}

/// Sequencing: every reading of a continues into b; the value is f(a's value, b's value).
template <IsParser A, IsParser B, class F>
struct Seq {
  using value_type = std::invoke_result_t<const F&, ValueOf<A>, ValueOf<B>>;
  A a;
  B b;
  F f;
  template <class K>
  bool run(const char* at, const char* end, K&& k) const {
    return a.run(at, end, [&](const char* mid, const auto& makeA) {
      return b.run(mid, end, [&](const char* stop, const auto& makeB) {
        return k(stop, [&]() -> value_type { return f(makeA(), makeB()); });
      });
    });
  }
};
struct MakePair {
  template <class X, class Y>
  std::pair<X, Y> operator()(X x, Y y) const {
    return {std::move(x), std::move(y)};
  }
};
template <IsParser A, IsParser B, class F = MakePair>
Seq<A, B, F> seq(A a, B b, F f = {}) {
  return {std::move(a), std::move(b), std::move(f)};
}

/// Sequencing that keeps one side: the value of a (KeepLeft) or of b; the other side's value is
/// never built.
template <IsParser A, IsParser B, bool KeepLeft>
struct SeqKeep {
  using value_type = std::conditional_t<KeepLeft, ValueOf<A>, ValueOf<B>>;
  A a;
  B b;
  template <class K>
  bool run(const char* at, const char* end, K&& k) const {
    return a.run(at, end, [&](const char* mid, const auto& makeA) {
      return b.run(mid, end, [&](const char* stop, const auto& makeB) {
        if constexpr (KeepLeft) {
          return k(stop, makeA);
        } else {
          return k(stop, makeB);
        }
      });
    });
  }
};
/// a then b, keeping a's value.
template <IsParser A, IsParser B>
SeqKeep<A, B, true> seqLeft(A a, B b) {
  return {std::move(a), std::move(b)};
}
/// a then b, keeping b's value.
template <IsParser A, IsParser B>
SeqKeep<A, B, false> seqRight(A a, B b) {
  return {std::move(a), std::move(b)};
}

/// Symmetric choice: the readings of a, then those of b.
template <IsParser A, IsParser B>
  requires std::same_as<ValueOf<A>, ValueOf<B>>
struct Choice {
  using value_type = ValueOf<A>;
  A a;
  B b;
  template <class K>
  bool run(const char* at, const char* end, K&& k) const {
    return a.run(at, end, k) || b.run(at, end, k);
  }
};
template <IsParser A, IsParser B>
Choice<A, B> choice(A a, B b) {
  return {std::move(a), std::move(b)};
}

/// Left-biased choice: the readings of a when it has at least one here, otherwise those of b.
template <IsParser A, IsParser B>
  requires std::same_as<ValueOf<A>, ValueOf<B>>
struct LeftChoice {
  using value_type = ValueOf<A>;
  A a;
  B b;
  template <class K>
  bool run(const char* at, const char* end, K&& k) const {
    bool any = false;
    if (a.run(at, end, [&](const char* stop, const auto& make) {
          any = true;
          return k(stop, make);
        })) {
      return true;
    }
    return !any && b.run(at, end, k);
  }
};
template <IsParser A, IsParser B>
LeftChoice<A, B> leftChoice(A a, B b) {
  return {std::move(a), std::move(b)};
}

/// Optional-with-default: the symmetric choice of p and succeeding with `def`.
template <IsParser P>
Choice<Pure<ValueOf<P>>, P> option(ValueOf<P> def, P p) {
  return {pure(std::move(def)), std::move(p)};
}

/// Repetition of p between `min` and `max` times, one reading for every count (not only the
/// longest). The values are the elements in order. Breadth first, without recursion: the positions
/// reached after n elements are kept, so a long input does not deepen the stack. In unbounded
/// repetition an element that consumes nothing still gives its reading but is not repeated again
/// (otherwise there would be infinitely many counts).
template <IsParser P>
struct Repeat {
  using element_type = ValueOf<P>;
  using value_type = std::vector<element_type>;
  static constexpr std::size_t unbounded = std::numeric_limits<std::size_t>::max();
  P p;
  std::size_t min;
  std::size_t max;

  template <class K>
  bool run(const char* at, const char* end, K&& k) const {
    struct Node {
      element_type value;
      std::size_t prev;  // index of the previous element, npos for the first
    };
    static constexpr std::size_t npos = std::numeric_limits<std::size_t>::max();
    std::vector<Node> nodes;
    std::vector<std::pair<const char*, std::size_t>> frontier{{at, npos}}, next;
    auto listOf = [&nodes](std::size_t id) {
      value_type out;
      for (std::size_t i = id; i != npos; i = nodes[i].prev) out.push_back(nodes[i].value);
      return value_type(out.rbegin(), out.rend());
    };
    if (min == 0 && k(at, [] { return value_type{}; })) return true;
    for (std::size_t n = 1; n <= max && !frontier.empty(); ++n) {
      next.clear();
      for (const auto& [pos, prev] : frontier) {
        const bool stopped = p.run(pos, end, [&, pos = pos, prev = prev](const char* stop, const auto& make) {
          nodes.push_back(Node{make(), prev});
          const std::size_t id = nodes.size() - 1;
          if (stop != pos || max != unbounded) {
            next.emplace_back(stop, id);
            return false;
          }
          return n >= min && k(stop, [&, id] { return listOf(id); });
        });
        if (stopped) return true;
      }
      if (n >= min) {
        for (const auto& [pos, id] : next) {
          if (k(pos, [&, id = id] { return listOf(id); })) return true;
        }
      }
      std::swap(frontier, next);
    }
    return false;
  }
};
/// One or more repetitions of p, every count a reading.
template <IsParser P>
Repeat<P> many1(P p) {
  return {std::move(p), 1, Repeat<P>::unbounded};
}
/// Exactly n repetitions of p.
template <IsParser P>
Repeat<P> count(std::size_t n, P p) {
  return {std::move(p), n, n};
}

// ---- type erasure -------------------------------------------------------------------------------

/// Any parser of T behind a shared immutable handle (copying is cheap; one indirect call per run
/// and one per reading).
template <class T>
class ReadP {
public:
  using value_type = T;
  using Make = FunctionRef<T()>;
  using Continuation = FunctionRef<bool(const char*, Make)>;

  template <IsParser P>
    requires(!std::same_as<P, ReadP> && std::same_as<ValueOf<P>, T>)
  ReadP(P p)  // NOLINT: implicit by design
      : impl_(std::make_shared<const Model<P>>(std::move(p))) {}

  template <class K>
  bool run(const char* at, const char* end, K&& k) const {
    return impl_->run(at, end, Continuation([&](const char* stop, Make make) { return k(stop, make); }));
  }

private:
  struct Concept {
    virtual ~Concept() = default;
    virtual bool run(const char* at, const char* end, Continuation k) const = 0;
  };
  template <class P>
  struct Model final : Concept {
    explicit Model(P p) : parser(std::move(p)) {}
    bool run(const char* at, const char* end, Continuation k) const override {
      return parser.run(at, end, [&](const char* stop, const auto& make) {
        return k(stop, Make([&]() -> T { return make(); }));
      });
    }
    P parser;
  };
  std::shared_ptr<const Concept> impl_;
};

// ---- running ------------------------------------------------------------------------------------

/// Every reading of p from the start of `text`: the value and the number of bytes consumed.
template <IsParser P>
std::vector<std::pair<ValueOf<P>, std::size_t>> readAll(const P& p, std::string_view text) {
  std::vector<std::pair<ValueOf<P>, std::size_t>> out;
  const char* begin = text.data();
  p.run(begin, begin + text.size(), [&](const char* stop, const auto& make) {
    out.emplace_back(make(), static_cast<std::size_t>(stop - begin));
    return false;
  });
  return out;
}

/// The outcome of a whole-input parse: how many readings consumed all of the text (counting stops
/// at 2) and the value of the first one.
template <class T>
struct WholeParse {
  int count = 0;
  std::optional<T> value;
};

/// Runs p on all of `text`, keeping the readings that consume it whole; stops at the second.
template <IsParser P>
WholeParse<ValueOf<P>> parseWhole(const P& p, std::string_view text) {
  WholeParse<ValueOf<P>> r;
  const char* begin = text.data();
  const char* end = begin + text.size();
  p.run(begin, end, [&](const char* stop, const auto& make) {
    if (stop != end) return false;
    if (++r.count == 1) r.value.emplace(make());
    return r.count > 1;
  });
  return r;
}

}  // namespace Data::Format::Parser
