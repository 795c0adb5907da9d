// SPDX-License-Identifier: MIT
// Numeric/RootFinding.hpp: roots of a real function of one variable inside a bracket, by Ridders'
// method or by a safeguarded Newton-Raphson method.
//   using namespace Numeric::RootFinding;
//   Root<double> r = ridders(RiddersParam{}, {0.0, 2.0}, [](double x) { return x * x - 2; });
//   double sqrt2 = fromRoot(0.0, r);
//
// Each method is an iteration generator (riddersIterations, newtonRaphsonIterations: the steps it
// takes, computed one at a time as the consumer advances, so f is evaluated only for the steps
// looked at) and a driver (findRoot) that walks those steps under an iteration cap and a tolerance.
// Nothing here throws: every outcome is a Root value.
#pragma once

#include <veltro/export.hpp>

#include <cstdint>
#include <iosfwd>
#include <iterator>
#include <optional>
#include <ranges>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace Numeric::RootFinding {

// ---- Root ----------------------------------------------------------------------------------------

/// Tag of the alternative "the function has the same sign at both ends of the initial bracket".
struct VELTRO_API NotBracketedT {
    friend constexpr bool operator==(NotBracketedT, NotBracketedT) = default;
};
/// Tag of the alternative "the iteration cap was reached, or the steps ended, without convergence".
struct VELTRO_API SearchFailedT {
    friend constexpr bool operator==(SearchFailedT, SearchFailedT) = default;
};
inline constexpr NotBracketedT NotBracketed{};
inline constexpr SearchFailedT SearchFailed{};

/// Result of a root search: NotBracketed, SearchFailed, or Root x (in this constructor order).
/// Root<double>(1.5) is the alternative Root 1.5; NotBracketed and SearchFailed convert to any Root<T>.
template <class T>
class Root {
public:
    enum class Kind { NotBracketed, SearchFailed, Root };

    constexpr Root(NotBracketedT) : kind_(Kind::NotBracketed), value_{} {}
    constexpr Root(SearchFailedT) : kind_(Kind::SearchFailed), value_{} {}
    constexpr explicit Root(T value) : kind_(Kind::Root), value_(std::move(value)) {}

    constexpr Kind kind() const { return kind_; }
    constexpr bool isRoot() const { return kind_ == Kind::Root; }
    constexpr bool isNotBracketed() const { return kind_ == Kind::NotBracketed; }
    constexpr bool isSearchFailed() const { return kind_ == Kind::SearchFailed; }
    /// The payload; only meaningful when isRoot().
    constexpr const T& value() const { return value_; }

    /// The payload as an optional: the zero-or-one elements that folding and traversing visit.
    constexpr std::optional<T> toOptional() const { return isRoot() ? std::optional<T>(value_) : std::nullopt; }

    /// Root (f x) for Root x; the failures pass through unchanged.
    template <class F>
    constexpr auto map(F&& f) const -> Root<std::remove_cvref_t<std::invoke_result_t<F, const T&>>>
    {
        using U = std::remove_cvref_t<std::invoke_result_t<F, const T&>>;
        if (kind_ == Kind::NotBracketed) return Root<U>(NotBracketed);
        if (kind_ == Kind::SearchFailed) return Root<U>(SearchFailed);
        return Root<U>(std::forward<F>(f)(value_));
    }
    /// Sequencing: f x (itself a Root) for Root x; the failures pass through unchanged and stop the chain.
    template <class F>
    constexpr auto andThen(F&& f) const -> std::remove_cvref_t<std::invoke_result_t<F, const T&>>
    {
        using R = std::remove_cvref_t<std::invoke_result_t<F, const T&>>;
        if (kind_ == Kind::NotBracketed) return R(NotBracketed);
        if (kind_ == Kind::SearchFailed) return R(SearchFailed);
        return std::forward<F>(f)(value_);
    }

    /// Same constructor and equal payload.
    friend constexpr bool operator==(const Root& l, const Root& r)
    {
        return l.kind_ == r.kind_ && (l.kind_ != Kind::Root || l.value_ == r.value_);
    }

    /// Parses what show produces ("Root 1.5", "Root (-2)", "NotBracketed", "SearchFailed"),
    /// with surrounding white space and optional parentheses. Only for Root<double>.
    static std::optional<Root> read(std::string_view text)
        requires std::same_as<T, double>;

private:
    Kind kind_;
    T value_;
};

template <class T>
Root(T) -> Root<T>;

/// The payload of a Root, otherwise the default.
template <class T>
constexpr T fromRoot(T dflt, const Root<T>& r)
{
    return r.isRoot() ? r.value() : dflt;
}

/// Alternative choice: l if it is a Root, else r if it is a Root, else SearchFailed if l is
/// SearchFailed, else r.
template <class T>
constexpr Root<T> alt(const Root<T>& l, const Root<T>& r)
{
    if (l.isRoot()) return l;
    if (r.isRoot()) return r;
    if (l.isSearchFailed()) return l;
    return r;
}
/// Operator form of alt.
template <class T>
constexpr Root<T> operator|(const Root<T>& l, const Root<T>& r)
{
    return alt(l, r);
}

/// "Root " and the payload at argument precedence ("Root (-1.5)"), "NotBracketed", "SearchFailed";
/// in parentheses when d > 10 and the value is a Root.
VELTRO_API std::string showsPrec(int d, const Root<double>& r);
VELTRO_API std::string show(const Root<double>& r);
VELTRO_API std::ostream& operator<<(std::ostream& os, const Root<double>& r);

VELTRO_API std::optional<Root<double>> readRoot(std::string_view text);

template <class T>
std::optional<Root<T>> Root<T>::read(std::string_view text)
    requires std::same_as<T, double>
{
    return readRoot(text);
}

// ---- parameters ----------------------------------------------------------------------------------

/// A relative (RelTol) or absolute (AbsTol) tolerance, in this constructor order.
struct VELTRO_API Tolerance {
    enum class Kind { RelTol, AbsTol };
    Kind kind;
    double value;
    friend constexpr bool operator==(const Tolerance&, const Tolerance&) = default;
    /// Parses "RelTol 1e-10" or "AbsTol (-1)" (what show produces), with surrounding white space.
    static std::optional<Tolerance> read(std::string_view text);
};
/// The relative tolerance eps.
constexpr Tolerance RelTol(double eps) { return {Tolerance::Kind::RelTol, eps}; }
/// The absolute tolerance t.
constexpr Tolerance AbsTol(double t) { return {Tolerance::Kind::AbsTol, t}; }

/// Parameters of ridders: at most riddersMaxIter steps (default 100), tolerance riddersTol
/// (default RelTol 2^-50 = 8.8817841970012523e-16).
struct VELTRO_API RiddersParam {
    std::int64_t riddersMaxIter = 100;
    Tolerance riddersTol = RelTol(0x1p-50);
    friend constexpr bool operator==(const RiddersParam&, const RiddersParam&) = default;
    /// Parses "RiddersParam {riddersMaxIter = 100, riddersTol = RelTol 8.881784197001252e-16}".
    static std::optional<RiddersParam> read(std::string_view text);
};

/// Parameters of newtonRaphson: at most newtonMaxIter steps (default 50), tolerance newtonTol
/// (default RelTol 2^-50).
struct VELTRO_API NewtonParam {
    std::int64_t newtonMaxIter = 50;
    Tolerance newtonTol = RelTol(0x1p-50);
    friend constexpr bool operator==(const NewtonParam&, const NewtonParam&) = default;
    /// Parses "NewtonParam {newtonMaxIter = 50, newtonTol = RelTol 8.881784197001252e-16}".
    static std::optional<NewtonParam> read(std::string_view text);
};

// ---- steps ---------------------------------------------------------------------------------------

/// One step of Ridders' method: RiddersStep a b (bracket after a Ridders update), RiddersBisect a b
/// (bracket after a bisection), RiddersRoot x (f(x) = 0), RiddersNoBracket.
struct VELTRO_API RiddersStep {
    enum class Kind { RiddersStep, RiddersBisect, RiddersRoot, RiddersNoBracket };
    Kind kind;
    double a = 0;  // the new bracket's first end, or the root
    double b = 0;  // the new bracket's second end (0 for the other kinds)

    static constexpr RiddersStep step(double a, double b) { return {Kind::RiddersStep, a, b}; }
    static constexpr RiddersStep bisect(double a, double b) { return {Kind::RiddersBisect, a, b}; }
    static constexpr RiddersStep root(double x) { return {Kind::RiddersRoot, x, 0}; }
    static constexpr RiddersStep noBracket() { return {Kind::RiddersNoBracket, 0, 0}; }

    friend constexpr bool operator==(const RiddersStep&, const RiddersStep&) = default;
    /// Parses "RiddersStep 0 2", "RiddersBisect (-1) 0", "RiddersRoot 1", "RiddersNoBracket".
    static std::optional<RiddersStep> read(std::string_view text);
};

/// One step of the Newton-Raphson method: NewtonStep x x' (a Newton step from x to x'),
/// NewtonBisection a b (a bisection and its bracket), NewtonRoot x (f(x) = 0), NewtonNoBracket.
struct VELTRO_API NewtonStep {
    enum class Kind { NewtonStep, NewtonBisection, NewtonRoot, NewtonNoBracket };
    Kind kind;
    double a = 0;
    double b = 0;

    static constexpr NewtonStep step(double x, double xNext) { return {Kind::NewtonStep, x, xNext}; }
    static constexpr NewtonStep bisection(double a, double b) { return {Kind::NewtonBisection, a, b}; }
    static constexpr NewtonStep root(double x) { return {Kind::NewtonRoot, x, 0}; }
    static constexpr NewtonStep noBracket() { return {Kind::NewtonNoBracket, 0, 0}; }

    friend constexpr bool operator==(const NewtonStep&, const NewtonStep&) = default;
    /// Parses "NewtonStep 1 1.5", "NewtonBisection 0 2", "NewtonRoot 1", "NewtonNoBracket".
    static std::optional<NewtonStep> read(std::string_view text);
};

// Renderings in constructor form; showsPrec parenthesises a constructor with fields when d > 10.
VELTRO_API std::string showsPrec(int d, const Tolerance& t);
VELTRO_API std::string showsPrec(int d, const RiddersStep& s);
VELTRO_API std::string showsPrec(int d, const NewtonStep& s);
VELTRO_API std::string show(const Tolerance& t);
VELTRO_API std::string show(const RiddersParam& p);
VELTRO_API std::string show(const NewtonParam& p);
VELTRO_API std::string show(const RiddersStep& s);
VELTRO_API std::string show(const NewtonStep& s);
VELTRO_API std::ostream& operator<<(std::ostream& os, const Tolerance& t);
VELTRO_API std::ostream& operator<<(std::ostream& os, const RiddersParam& p);
VELTRO_API std::ostream& operator<<(std::ostream& os, const NewtonParam& p);
VELTRO_API std::ostream& operator<<(std::ostream& os, const RiddersStep& s);
VELTRO_API std::ostream& operator<<(std::ostream& os, const NewtonStep& s);

// ---- convergence ---------------------------------------------------------------------------------

/// True when a and b are at most one ULP apart; otherwise relativeError(a, b) < eps for RelTol eps,
/// |a - b| < t for AbsTol t.
VELTRO_API bool withinTolerance(const Tolerance& tol, double a, double b);

/// RiddersRoot x -> Root x; RiddersNoBracket -> NotBracketed; a bracket (a, b) within tolerance ->
/// Root ((a + b) / 2); otherwise empty (not converged yet).
VELTRO_API std::optional<Root<double>> matchRoot(const Tolerance& tol, const RiddersStep& step);
/// NewtonRoot x -> Root x; NewtonNoBracket -> NotBracketed; NewtonStep x x' within tolerance ->
/// Root x'; NewtonBisection a b within tolerance -> Root ((a + b) / 2); otherwise empty.
VELTRO_API std::optional<Root<double>> matchRoot(const Tolerance& tol, const NewtonStep& step);

/// A step type: matchRoot(tolerance, step) says whether the search has converged.
template <class S>
concept IterationStep = requires(const Tolerance& t, const S& s) {
    { matchRoot(t, s) } -> std::same_as<std::optional<Root<double>>>;
};

/// Walks steps: examines at most maxIter of them (none when maxIter <= 0) and returns the first
/// result matchRoot gives; SearchFailed when the cap is reached or the steps end first. A step is
/// computed only when it is about to be examined.
template <std::ranges::input_range R>
    requires IterationStep<std::remove_cvref_t<std::ranges::range_reference_t<R>>>
Root<double> findRoot(std::int64_t maxIter, const Tolerance& tol, R&& steps)
{
    if (maxIter <= 0) return SearchFailed;
    auto it = std::ranges::begin(steps);
    const auto end = std::ranges::end(steps);
    for (std::int64_t i = 0;; ++i) {
        if (i >= maxIter) return SearchFailed;
        if (i > 0) ++it;
        if (it == end) return SearchFailed;
        if (auto r = matchRoot(tol, *it)) return *r;
    }
}

// ---- iteration generators ------------------------------------------------------------------------

namespace detail {

/// A non-owning reference to a callable double -> R, so that the iteration arithmetic is compiled
/// once inside the library.
template <class R>
struct FunctionRef {
    const void* object;
    R (*call)(const void*, double);
    R operator()(double x) const { return call(object, x); }

    template <class F>
    static FunctionRef of(const F& f)
    {
        return {&f, [](const void* o, double x) -> R { return static_cast<R>((*static_cast<const F*>(o))(x)); }};
    }
};

/// Ridders' iteration as a state machine: next() yields the following step, empty when the
/// sequence has ended.
class VELTRO_API RiddersCore {
public:
    RiddersCore(double lo, double hi) : a_(lo), b_(hi) {}
    std::optional<RiddersStep> next(FunctionRef<double> f);

private:
    enum class Phase { Start, Iterate, Done } phase_ = Phase::Start;
    double a_, fa_ = 0, b_, fb_ = 0;
};

/// The safeguarded Newton iteration as a state machine (see RiddersCore).
class VELTRO_API NewtonCore {
public:
    NewtonCore(double lo, double guess, double hi) : xMin_(lo), x_(guess), xMax_(hi) {}
    std::optional<NewtonStep> next(FunctionRef<std::pair<double, double>> f);

private:
    enum class Phase { Start, Iterate, Done } phase_ = Phase::Start;
    double xMin_, x_, xMax_;
};

/// The steps of a core as a single-pass input range owning the function.
template <class Step, class Core, class R, class F>
class StepRange {
public:
    StepRange(Core core, F f) : core_(core), f_(std::move(f)) {}
    StepRange(const StepRange&) = delete;
    StepRange& operator=(const StepRange&) = delete;
    StepRange(StepRange&&) = default;

    class iterator {
    public:
        using value_type = Step;
        using difference_type = std::ptrdiff_t;
        iterator() = default;
        explicit iterator(StepRange* r) : r_(r) {}
        const Step& operator*() const { return *r_->current_; }
        const Step* operator->() const { return &*r_->current_; }
        iterator& operator++()
        {
            r_->advance();
            return *this;
        }
        void operator++(int) { r_->advance(); }
        friend bool operator==(const iterator& i, std::default_sentinel_t) { return i.atEnd(); }

    private:
        bool atEnd() const { return !r_->current_.has_value(); }
        StepRange* r_ = nullptr;
    };

    /// Computes the first step (evaluating f) on the first call; later calls resume where the
    /// previous iteration stopped.
    iterator begin()
    {
        if (!started_) {
            started_ = true;
            advance();
        }
        return iterator(this);
    }
    std::default_sentinel_t end() const { return {}; }

private:
    void advance() { current_ = core_.next(FunctionRef<R>::of(f_)); }
    Core core_;
    F f_;
    std::optional<Step> current_;
    bool started_ = false;
};

} // namespace detail

template <class F>
using RiddersIterations = detail::StepRange<RiddersStep, detail::RiddersCore, double, F>;
template <class F>
using NewtonIterations = detail::StepRange<NewtonStep, detail::NewtonCore, std::pair<double, double>, F>;

/// The steps of Ridders' method on the bracket (lo, hi) (either order), produced on demand:
/// RiddersRoot at an end that is an exact root, RiddersNoBracket without a sign change, otherwise
/// RiddersStep (lo, hi) followed by an unending sequence of Ridders updates and bisections.
/// A trial point that is NaN or outside the bracket is replaced by bisection.
template <class F>
RiddersIterations<F> riddersIterations(std::pair<double, double> bracket, F f)
{
    return RiddersIterations<F>(detail::RiddersCore(bracket.first, bracket.second), std::move(f));
}

/// findRoot(riddersMaxIter, riddersTol, riddersIterations(bracket, f)).
template <class F>
Root<double> ridders(const RiddersParam& param, std::pair<double, double> bracket, F f)
{
    return findRoot(param.riddersMaxIter, param.riddersTol, riddersIterations(bracket, std::move(f)));
}

/// The steps of the safeguarded Newton method from guess inside (lo, hi), where f returns the pair
/// (value, derivative); produced on demand. Steps that would leave the bracket, and zero
/// derivatives, are replaced by bisection.
template <class F>
NewtonIterations<F> newtonRaphsonIterations(double lo, double guess, double hi, F f)
{
    return NewtonIterations<F>(detail::NewtonCore(lo, guess, hi), std::move(f));
}

/// findRoot(newtonMaxIter, newtonTol, newtonRaphsonIterations(lo, guess, hi, f)).
template <class F>
Root<double> newtonRaphson(const NewtonParam& param, double lo, double guess, double hi, F f)
{
    return findRoot(param.newtonMaxIter, param.newtonTol, newtonRaphsonIterations(lo, guess, hi, std::move(f)));
}

} // namespace Numeric::RootFinding
