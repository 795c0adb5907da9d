// SPDX-License-Identifier: MIT
// Numeric/Series.hpp: infinite sequences as generators, and their sums as series, power series and
// continued fractions.
//   double two = Numeric::Series::sumSeries(Numeric::Series::Sequence(1.0, [](double v) {
//       return std::pair{v, v / 2}; }));
//
// A Sequence is a state and a step function state -> (element, next state). It is an immutable
// value: consuming it never changes it. The state type is part of the generator's type, so a
// summation inlines the step without allocation or indirect call; AnySequence<T> erases it.
//
// The summations below are templates and compile with the caller's flags; build them with
// -ffp-contract=off to get the documented bits (a fused multiply-add changes the last bits).
// The double-element AnySequence overloads are compiled inside the library and always are exact.
#pragma once

#include <veltro/export.hpp>

#include <cmath>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <type_traits>
#include <utility>

namespace Numeric::Series {

/// A generator: an initial state and a step function S -> std::pair<T, S>.
template <class S, class F>
class Sequence {
public:
    using state_type = S;
    using step_type = F;
    using value_type = std::remove_cvref_t<decltype(std::declval<const F&>()(std::declval<const S&>()).first)>;

    constexpr Sequence(S initial, F step) : initial_(std::move(initial)), step_(std::move(step)) {}

    /// The initial state.
    constexpr const S& initial() const { return initial_; }
    /// The element at state s and the state after it.
    constexpr std::pair<value_type, S> step(const S& s) const
    {
        auto r = step_(s);
        return {std::move(r.first), std::move(r.second)};
    }
    /// Yields the element at s and moves s to the next state (what the consumers use).
    constexpr value_type next(S& s) const
    {
        auto r = step_(s);
        s = std::move(r.second);
        return std::move(r.first);
    }
    constexpr const F& stepFunction() const { return step_; }

private:
    S initial_;
    F step_;
};

template <class S, class F>
Sequence(S, F) -> Sequence<S, F>;

/// Anything with value_type, state_type, initial() and next(state&) (Sequence and AnySequence).
template <class Q>
concept SequenceLike = requires(const Q& q, typename Q::state_type& s) {
    typename Q::value_type;
    { q.initial() } -> std::convertible_to<typename Q::state_type>;
    { q.next(s) } -> std::convertible_to<typename Q::value_type>;
};

// ---- type-erased sequence ------------------------------------------------------------------------

/// A sequence of T whose state type is hidden. Stepping a cursor allocates nothing; starting one
/// allocates its state once.
template <class T>
class AnySequence {
    struct CursorBase {
        virtual ~CursorBase() = default;
        virtual std::unique_ptr<CursorBase> clone() const = 0;
        virtual T advance() = 0;
    };
    struct Model {
        virtual ~Model() = default;
        virtual std::unique_ptr<CursorBase> start() const = 0;
    };
    template <SequenceLike Q>
    struct Cursor final : CursorBase {
        std::shared_ptr<const Q> seq;
        typename Q::state_type state;
        Cursor(std::shared_ptr<const Q> q, typename Q::state_type s) : seq(std::move(q)), state(std::move(s)) {}
        std::unique_ptr<CursorBase> clone() const override { return std::make_unique<Cursor>(seq, state); }
        T advance() override { return static_cast<T>(seq->next(state)); }
    };
    template <SequenceLike Q>
    struct ModelOf final : Model {
        std::shared_ptr<const Q> seq;
        explicit ModelOf(Q q) : seq(std::make_shared<const Q>(std::move(q))) {}
        std::unique_ptr<CursorBase> start() const override
        {
            return std::make_unique<Cursor<Q>>(seq, typename Q::state_type(seq->initial()));
        }
    };

public:
    /// The hidden state: a position in the sequence; copying it copies the position.
    class State {
    public:
        State() = default;
        explicit State(std::unique_ptr<CursorBase> c) : cursor_(std::move(c)) {}
        State(const State& o) : cursor_(o.cursor_ ? o.cursor_->clone() : nullptr) {}
        State(State&&) noexcept = default;
        State& operator=(const State& o)
        {
            if (this != &o) cursor_ = o.cursor_ ? o.cursor_->clone() : nullptr;
            return *this;
        }
        State& operator=(State&&) noexcept = default;

    private:
        friend class AnySequence;
        std::unique_ptr<CursorBase> cursor_;
    };

    using value_type = T;
    using state_type = State;

    template <SequenceLike Q>
        requires(!std::same_as<std::remove_cvref_t<Q>, AnySequence>)
    AnySequence(Q q) : model_(std::make_shared<const ModelOf<Q>>(std::move(q))) {}

    State initial() const { return State(model_->start()); }
    std::pair<T, State> step(const State& s) const
    {
        State n(s);
        T v = n.cursor_->advance();
        return {std::move(v), std::move(n)};
    }
    T next(State& s) const { return s.cursor_->advance(); }

private:
    std::shared_ptr<const Model> model_;
};

// ---- construction --------------------------------------------------------------------------------

/// n, n+1, n+2, ... (each value the previous plus 1).
template <class T>
constexpr auto enumSequenceFrom(T n)
{
    return Sequence(n, [](const T& v) { return std::pair<T, T>(v, v + T(1)); });
}

/// n, n+d, n+2d, ... (each value the previous plus d).
template <class T>
constexpr auto enumSequenceFromStep(T n, T d)
{
    return Sequence(n, [d](const T& v) { return std::pair<T, T>(v, v + d); });
}

/// The constant sequence v, v, v, ... (the lifting of a plain value).
template <class T>
constexpr auto pure(T v)
{
    struct Empty {};
    return Sequence(Empty{}, [v](const Empty& e) { return std::pair<T, Empty>(v, e); });
}

/// b0, f(b0, a0), f(f(b0, a0), a1), ...: the seed first, then the running fold.
template <class F, class B, SequenceLike Q>
constexpr auto scanSequence(F f, B b0, Q q)
{
    using QS = typename Q::state_type;
    return Sequence(std::pair<B, QS>(std::move(b0), QS(q.initial())),
                    [f = std::move(f), q = std::move(q)](const std::pair<B, QS>& st) {
                        QS s = st.second;
                        auto a = q.next(s);
                        B b = f(st.first, std::move(a));
                        return std::pair<B, std::pair<B, QS>>(st.first, std::pair<B, QS>(std::move(b), std::move(s)));
                    });
}

/// Applies f to every element (same state; the step followed by f).
template <class F, SequenceLike Q>
constexpr auto mapSequence(F f, Q q)
{
    using QS = typename Q::state_type;
    using R = std::remove_cvref_t<std::invoke_result_t<const F&, typename Q::value_type>>;
    return Sequence(QS(q.initial()), [f = std::move(f), q = std::move(q)](const QS& st) {
        QS s = st;
        auto a = q.next(s);
        return std::pair<R, QS>(f(std::move(a)), std::move(s));
    });
}

/// Combines the elements of two sequences pairwise with f; the state is the pair of states.
template <class F, SequenceLike QA, SequenceLike QB>
constexpr auto zipSequences(F f, QA qa, QB qb)
{
    using SA = typename QA::state_type;
    using SB = typename QB::state_type;
    using R = std::remove_cvref_t<
        std::invoke_result_t<const F&, typename QA::value_type, typename QB::value_type>>;
    using St = std::pair<SA, SB>;
    return Sequence(St(SA(qa.initial()), SB(qb.initial())),
                    [f = std::move(f), qa = std::move(qa), qb = std::move(qb)](const St& st) {
                        St s = st;
                        auto a = qa.next(s.first);
                        auto b = qb.next(s.second);
                        return std::pair<R, St>(f(std::move(a), std::move(b)), std::move(s));
                    });
}

// ---- element-wise arithmetic ---------------------------------------------------------------------

namespace detail {
template <class X>
concept Scalar = std::is_arithmetic_v<X>;
template <class Q>
auto lift(Q q)
{
    if constexpr (Scalar<Q>) return pure(q);
    else return q;
}
template <class A, class B>
concept Operands = (SequenceLike<A> && SequenceLike<B>) || (SequenceLike<A> && Scalar<B>) ||
                   (Scalar<A> && SequenceLike<B>);
} // namespace detail

// A plain number on either side stands for the constant sequence of that number.
template <class A, class B>
    requires detail::Operands<A, B>
constexpr auto operator+(A a, B b)
{
    return zipSequences([](auto x, auto y) { return x + y; }, detail::lift(std::move(a)), detail::lift(std::move(b)));
}
template <class A, class B>
    requires detail::Operands<A, B>
constexpr auto operator-(A a, B b)
{
    return zipSequences([](auto x, auto y) { return x - y; }, detail::lift(std::move(a)), detail::lift(std::move(b)));
}
template <class A, class B>
    requires detail::Operands<A, B>
constexpr auto operator*(A a, B b)
{
    return zipSequences([](auto x, auto y) { return x * y; }, detail::lift(std::move(a)), detail::lift(std::move(b)));
}
template <class A, class B>
    requires detail::Operands<A, B>
constexpr auto operator/(A a, B b)
{
    return zipSequences([](auto x, auto y) { return x / y; }, detail::lift(std::move(a)), detail::lift(std::move(b)));
}
template <SequenceLike Q>
constexpr auto operator-(Q q)
{
    return mapSequence([](auto x) { return -x; }, std::move(q));
}
/// Element-wise absolute value.
template <SequenceLike Q>
constexpr auto abs(Q q)
{
    return mapSequence([](auto x) { return x < 0 ? -x : x; }, std::move(q));
}
/// Element-wise sign: -1, 0 or 1 (NaN stays NaN for floating elements).
template <SequenceLike Q>
constexpr auto signum(Q q)
{
    return mapSequence(
        [](auto x) -> decltype(x) {
            using X = decltype(x);
            if (x > X(0)) return X(1);
            if (x < X(0)) return X(-1);
            return x;
        },
        std::move(q));
}
/// Element-wise reciprocal 1/x.
template <SequenceLike Q>
constexpr auto recip(Q q)
{
    return mapSequence([](auto x) { return decltype(x)(1) / x; }, std::move(q));
}

// ---- on-demand list ------------------------------------------------------------------------------

/// The elements of a sequence as an unbounded input range, computed one at a time as it advances.
template <SequenceLike Q>
class SequenceList {
public:
    explicit SequenceList(Q q) : seq_(std::make_shared<const Q>(std::move(q))) {}

    class iterator {
    public:
        using value_type = typename Q::value_type;
        using difference_type = std::ptrdiff_t;
        iterator() = default;
        explicit iterator(std::shared_ptr<const Q> q)
            : seq_(std::move(q)), state_(seq_->initial()), current_(seq_->next(state_))
        {
        }
        const value_type& operator*() const { return current_; }
        const value_type* operator->() const { return &current_; }
        iterator& operator++()
        {
            current_ = seq_->next(state_);
            return *this;
        }
        iterator operator++(int)
        {
            iterator old = *this;
            ++*this;
            return old;
        }
        friend bool operator==(const iterator&, std::default_sentinel_t) { return false; }

    private:
        std::shared_ptr<const Q> seq_;
        typename Q::state_type state_{};
        value_type current_{};
    };

    iterator begin() const { return iterator(seq_); }
    std::default_sentinel_t end() const { return {}; }

private:
    std::shared_ptr<const Q> seq_;
};

/// The elements of q as an unbounded list produced on demand (take a prefix with std::views::take).
template <SequenceLike Q>
SequenceList<Q> sequenceToList(Q q)
{
    return SequenceList<Q>(std::move(q));
}

// ---- summation -----------------------------------------------------------------------------------

/// Sums the sequence: starting from the first element, each next term d is added while
/// |d / sum| >= 2^-52; the first term below that is added last. A NaN quotient stops; there is no
/// iteration cap, so a series whose terms never become relatively small does not terminate.
template <SequenceLike Q>
double sumSeries(const Q& q)
{
    auto s = typename Q::state_type(q.initial());
    double x = static_cast<double>(q.next(s));
    for (;;) {
        const double d = static_cast<double>(q.next(s));
        if (!(std::abs(d / x) >= 0x1p-52)) return x + d;
        x = x + d;
    }
}

/// Sum of a_k x^k, with the powers formed by repeated multiplication and sumSeries's stopping rule.
template <SequenceLike Q>
double sumPowerSeries(double x, const Q& a)
{
    auto s = typename Q::state_type(a.initial());
    double sum = static_cast<double>(a.next(s));
    double p = x;
    for (;;) {
        const double term = p * static_cast<double>(a.next(s));
        if (!(std::abs(term / sum) >= 0x1p-52)) return sum + term;
        sum = sum + term;
        p = p * x;
    }
}

/// Steps after which evalContFractionB gives up on a fraction that never meets its stopping test
/// (see evalContFractionB); far beyond what any convergent fraction of the library needs.
inline constexpr std::int64_t contFractionMaxSteps = 1000000;

/// b0 + a1/(b1 + a2/(b2 + ...)) by the modified Lentz method (tiny = 1e-60) from the pairs
/// (a_i, b_i); a0 is ignored. Stops once a step changes the value by a factor within 2^-52 of 1.
/// Some fractions never meet that test: a constant tail can settle on a step factor of exactly
/// 1 +- 2^-52 (the Lentz state then repeats with period 1 or 2), and a divergent fraction never
/// settles. The evaluation also stops when the pair and the Lentz state repeat with period 1 or 2,
/// and after contFractionMaxSteps steps, returning the value reached.
template <SequenceLike Q>
double evalContFractionB(const Q& q)
{
    constexpr double tiny = 0x1.9b604aaaca626p-200;  // 1e-60
    constexpr double big = 0x1.3e9e4e4c2f344p+199;   // 1e60 = 1/tiny
    auto s = typename Q::state_type(q.initial());
    const auto first = q.next(s);
    const double b0 = static_cast<double>(first.second);
    double f = b0 == 0 ? tiny : b0;
    double c = f;
    double d = 0;
    // Pairs and Lentz states of the two previous steps, for the repetition guard.
    double a1 = 0, b1 = 0, c1 = 0, d1 = 0, a2 = 0, b2 = 0;
    for (std::int64_t i = 0;; ++i) {
        const auto ab = q.next(s);
        const double a = static_cast<double>(ab.first);
        const double b = static_cast<double>(ab.second);
        const double dPrime = b + a * d;
        const double dNew = dPrime == 0 ? big : 1 / dPrime;
        const double cq = b + a / c;
        const double cNew = cq == 0 ? tiny : cq;
        const double delta = cNew * dNew;
        f = f * delta;
        if (!(std::abs(delta - 1) >= 0x1p-52)) return f;
        const bool samePair = i >= 2 && a == a1 && b == b1 && a == a2 && b == b2;
        const bool repeated = samePair && ((cNew == c && dNew == d) || (cNew == c1 && dNew == d1));
        if (repeated || i + 1 >= contFractionMaxSteps) return f;
        a2 = a1;
        b2 = b1;
        a1 = a;
        b1 = b;
        c1 = c;
        d1 = d;
        c = cNew;
        d = dNew;
    }
}

// Library-compiled forms for type-erased double sequences (exact bits whatever the caller's flags).
VELTRO_API double sumSeries(const AnySequence<double>& q);
VELTRO_API double sumPowerSeries(double x, const AnySequence<double>& a);
VELTRO_API double evalContFractionB(const AnySequence<std::pair<double, double>>& q);

} // namespace Numeric::Series
