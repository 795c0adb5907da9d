// SPDX-License-Identifier: MIT
// RootFinding.cpp: the Ridders and Newton iterations, convergence tests, and the renderings and
// parsers of the root-finding types.
#include "NoContraction.hpp"  // first: no fused multiply-add in this unit, whatever the flags

#include <Numeric/RootFinding.hpp>

#include "Messages.hpp"

#include <Numeric/Veltro/Comparison.hpp>

#include <charconv>
#include <cmath>
#include <cstring>
#include <ostream>

namespace Numeric::RootFinding {

namespace {
using Numeric::Veltro::Comparison::relativeError;
using Numeric::Veltro::Comparison::ulpDistance;
} // namespace

bool withinTolerance(const Tolerance& tol, double a, double b)
{
    if (ulpDistance(a, b) <= 1) return true;
    if (tol.kind == Tolerance::Kind::RelTol) return relativeError(a, b) < tol.value;
    return std::abs(a - b) < tol.value;
}

std::optional<Root<double>> matchRoot(const Tolerance& tol, const RiddersStep& step)
{
    switch (step.kind) {
    case RiddersStep::Kind::RiddersRoot: return Root<double>(step.a);
    case RiddersStep::Kind::RiddersNoBracket: return Root<double>(NotBracketed);
    case RiddersStep::Kind::RiddersStep:
    case RiddersStep::Kind::RiddersBisect:
        if (withinTolerance(tol, step.a, step.b)) return Root<double>((step.a + step.b) / 2);
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<Root<double>> matchRoot(const Tolerance& tol, const NewtonStep& step)
{
    switch (step.kind) {
    case NewtonStep::Kind::NewtonRoot: return Root<double>(step.a);
    case NewtonStep::Kind::NewtonNoBracket: return Root<double>(NotBracketed);
    case NewtonStep::Kind::NewtonStep:
        if (withinTolerance(tol, step.a, step.b)) return Root<double>(step.b);
        return std::nullopt;
    case NewtonStep::Kind::NewtonBisection:
        if (withinTolerance(tol, step.a, step.b)) return Root<double>((step.a + step.b) / 2);
        return std::nullopt;
    }
    return std::nullopt;
}

// ---- Ridders -------------------------------------------------------------------------------------

namespace detail {

std::optional<RiddersStep> RiddersCore::next(FunctionRef<double> f)
{
    if (phase_ == Phase::Done) return std::nullopt;
    if (phase_ == Phase::Start) {
        const double lo = a_, hi = b_;
        const double flo = f(lo);
        phase_ = Phase::Done;
        if (flo == 0) return RiddersStep::root(lo);
        const double fhi = f(hi);
        if (fhi == 0) return RiddersStep::root(hi);
        if (flo * fhi > 0) return RiddersStep::noBracket();
        phase_ = Phase::Iterate;
        if (hi > lo) {
            a_ = lo, fa_ = flo, b_ = hi, fb_ = fhi;
        } else {
            a_ = hi, fa_ = fhi, b_ = lo, fb_ = flo;
        }
        return RiddersStep::step(lo, hi);  // the caller's order
    }

    const double a = a_, fa = fa_, b = b_, fb = fb_;
    const double m = (a + b) / 2;
    const double fm = f(m);
    if (fm == 0) {
        phase_ = Phase::Done;
        return RiddersStep::root(m);
    }
    const double diff = fb - fa;
    const double s = diff > 0 ? 1.0 : diff < 0 ? -1.0 : diff;  // sign, or 0 / NaN itself
    const double dm = (b - a) * 0.5;
    const double dn = ((s * dm) * fm) / std::sqrt(fm * fm - fa * fb);
    const double n = m - dn;
    const double fn = f(n);
    if (fn == 0) {
        phase_ = Phase::Done;
        return RiddersStep::root(n);
    }
    // The trial point coincides with an end, left the bracket, or is NaN (square root of a negative
    // number): bisect. Written as "not strictly inside" so that NaN takes this branch.
    if (!(n > a && n < b)) {
        if (fm * fa < 0) {
            b_ = m, fb_ = fm;
        } else {
            a_ = m, fa_ = fm;
        }
        return RiddersStep::bisect(a_, b_);
    }
    if (fn * fm < 0) {
        a_ = n, fa_ = fn, b_ = m, fb_ = fm;  // in this order even when n > m
    } else if (fn * fa < 0) {
        b_ = n, fb_ = fn;
    } else {
        a_ = n, fa_ = fn;
    }
    return RiddersStep::step(a_, b_);
}

// ---- Newton-Raphson ------------------------------------------------------------------------------

std::optional<NewtonStep> NewtonCore::next(FunctionRef<std::pair<double, double>> f)
{
    if (phase_ == Phase::Done) return std::nullopt;
    if (phase_ == Phase::Start) {
        const double lo = xMin_, guess = x_, hi = xMax_;
        phase_ = Phase::Done;
        const double flo = f(lo).first;
        if (flo == 0) return NewtonStep::root(lo);
        const double fhi = f(hi).first;
        if (fhi == 0) return NewtonStep::root(hi);
        if (flo * fhi > 0) return NewtonStep::noBracket();
        phase_ = Phase::Iterate;
        // Invariant f(xMin) < 0 < f(xMax); xMin may be the larger end.
        if (flo > 0) {
            xMin_ = hi, xMax_ = lo;
            const bool inside = guess >= std::min(lo, hi) && guess <= std::max(lo, hi);
            x_ = inside ? guess : (lo + hi) / 2;
        } else {
            xMin_ = lo, xMax_ = hi, x_ = guess;
        }
    }

    const double x = x_;
    const auto [v, d] = f(x);
    if (v == 0) {
        phase_ = Phase::Done;
        return NewtonStep::root(x);
    }
    const double oldMin = xMin_, oldMax = xMax_;
    if (v > 0) xMax_ = x;
    else xMin_ = x;
    if (d != 0) {
        const double xNext = x - v / d;
        if ((xNext - oldMin) * (xNext - oldMax) < 0) {  // strictly inside the bracket before the update
            x_ = xNext;
            return NewtonStep::step(x, xNext);
        }
    }
    x_ = (xMin_ + xMax_) / 2;
    return NewtonStep::bisection(xMin_, xMax_);
}

} // namespace detail

// ---- renderings ----------------------------------------------------------------------------------

namespace {

// A double at argument precedence: negative numbers (and -0) in parentheses.
std::string argDouble(double x)
{
    std::string s = msg::showDouble(x);
    if (std::signbit(x) && !std::isnan(x)) return "(" + s + ")";
    return s;
}

std::string withParens(int d, std::string s) { return d > 10 ? "(" + s + ")" : s; }

} // namespace

std::string showsPrec(int d, const Root<double>& r)
{
    switch (r.kind()) {
    case Root<double>::Kind::NotBracketed: return "NotBracketed";
    case Root<double>::Kind::SearchFailed: return "SearchFailed";
    case Root<double>::Kind::Root: break;
    }
    return withParens(d, "Root " + argDouble(r.value()));
}
std::string show(const Root<double>& r) { return showsPrec(0, r); }

std::string showsPrec(int d, const Tolerance& t)
{
    const char* name = t.kind == Tolerance::Kind::RelTol ? "RelTol " : "AbsTol ";
    return withParens(d, name + argDouble(t.value));
}
std::string show(const Tolerance& t) { return showsPrec(0, t); }

std::string show(const RiddersParam& p)
{
    return "RiddersParam {riddersMaxIter = " + std::to_string(p.riddersMaxIter) +
           ", riddersTol = " + show(p.riddersTol) + "}";
}
std::string show(const NewtonParam& p)
{
    return "NewtonParam {newtonMaxIter = " + std::to_string(p.newtonMaxIter) + ", newtonTol = " + show(p.newtonTol) +
           "}";
}

std::string showsPrec(int d, const RiddersStep& s)
{
    switch (s.kind) {
    case RiddersStep::Kind::RiddersStep: return withParens(d, "RiddersStep " + argDouble(s.a) + " " + argDouble(s.b));
    case RiddersStep::Kind::RiddersBisect:
        return withParens(d, "RiddersBisect " + argDouble(s.a) + " " + argDouble(s.b));
    case RiddersStep::Kind::RiddersRoot: return withParens(d, "RiddersRoot " + argDouble(s.a));
    case RiddersStep::Kind::RiddersNoBracket: break;
    }
    return "RiddersNoBracket";
}
std::string show(const RiddersStep& s) { return showsPrec(0, s); }

std::string showsPrec(int d, const NewtonStep& s)
{
    switch (s.kind) {
    case NewtonStep::Kind::NewtonStep: return withParens(d, "NewtonStep " + argDouble(s.a) + " " + argDouble(s.b));
    case NewtonStep::Kind::NewtonBisection:
        return withParens(d, "NewtonBisection " + argDouble(s.a) + " " + argDouble(s.b));
    case NewtonStep::Kind::NewtonRoot: return withParens(d, "NewtonRoot " + argDouble(s.a));
    case NewtonStep::Kind::NewtonNoBracket: break;
    }
    return "NewtonNoBracket";
}
std::string show(const NewtonStep& s) { return showsPrec(0, s); }

std::ostream& operator<<(std::ostream& os, const Root<double>& r) { return os << show(r); }
std::ostream& operator<<(std::ostream& os, const Tolerance& t) { return os << show(t); }
std::ostream& operator<<(std::ostream& os, const RiddersParam& p) { return os << show(p); }
std::ostream& operator<<(std::ostream& os, const NewtonParam& p) { return os << show(p); }
std::ostream& operator<<(std::ostream& os, const RiddersStep& s) { return os << show(s); }
std::ostream& operator<<(std::ostream& os, const NewtonStep& s) { return os << show(s); }

// ---- parsing -------------------------------------------------------------------------------------

namespace {

// A small recursive-descent reader for the constructor forms above. Each method consumes input on
// success; callers give up (return empty) on the first failure.
class Reader {
public:
    explicit Reader(std::string_view s) : s_(s) {}

    void skipWs()
    {
        while (!s_.empty() && std::isspace(static_cast<unsigned char>(s_.front()))) s_.remove_prefix(1);
    }
    bool atEnd()
    {
        skipWs();
        return s_.empty();
    }
    bool literal(std::string_view word)
    {
        skipWs();
        if (s_.substr(0, word.size()) != word) return false;
        s_.remove_prefix(word.size());
        return true;
    }
    // A constructor name: the word must not run on into further identifier characters.
    bool keyword(std::string_view word)
    {
        skipWs();
        if (s_.substr(0, word.size()) != word) return false;
        if (s_.size() > word.size() && (std::isalnum(static_cast<unsigned char>(s_[word.size()])) || s_[word.size()] == '_'))
            return false;
        s_.remove_prefix(word.size());
        return true;
    }
    // A number, possibly negative inside parentheses: "1.5", "(-2)", "Infinity", "(-Infinity)", "NaN".
    std::optional<double> number()
    {
        skipWs();
        if (literal("(")) {
            auto v = number();
            if (!v || !literal(")")) return std::nullopt;
            return v;
        }
        bool neg = false;
        if (!s_.empty() && s_.front() == '-') {
            neg = true;
            s_.remove_prefix(1);
        }
        double v = 0;
        if (keyword("Infinity")) v = HUGE_VAL;
        else if (keyword("NaN")) v = std::nan("");
        else {
            const auto res = std::from_chars(s_.data(), s_.data() + s_.size(), v);
            if (res.ec != std::errc() || res.ptr == s_.data()) return std::nullopt;
            s_.remove_prefix(static_cast<std::size_t>(res.ptr - s_.data()));
        }
        return neg ? -v : v;
    }
    std::optional<std::int64_t> integer()
    {
        skipWs();
        if (literal("(")) {
            auto v = integer();
            if (!v || !literal(")")) return std::nullopt;
            return v;
        }
        std::int64_t v = 0;
        const auto res = std::from_chars(s_.data(), s_.data() + s_.size(), v);
        if (res.ec != std::errc() || res.ptr == s_.data()) return std::nullopt;
        s_.remove_prefix(static_cast<std::size_t>(res.ptr - s_.data()));
        return v;
    }

private:
    std::string_view s_;
};

// Reads a whole text with `term`, allowing any number of parentheses around it.
template <class T, class Term>
std::optional<T> readWhole(std::string_view text, Term term)
{
    Reader r(text);
    int open = 0;
    while (r.literal("(")) ++open;
    std::optional<T> v = term(r);
    if (!v) return std::nullopt;
    for (; open > 0; --open)
        if (!r.literal(")")) return std::nullopt;
    if (!r.atEnd()) return std::nullopt;
    return v;
}

std::optional<Tolerance> toleranceTerm(Reader& r)
{
    std::optional<Tolerance::Kind> kind;
    if (r.keyword("RelTol")) kind = Tolerance::Kind::RelTol;
    else if (r.keyword("AbsTol")) kind = Tolerance::Kind::AbsTol;
    else return std::nullopt;
    auto v = r.number();
    if (!v) return std::nullopt;
    return Tolerance{*kind, *v};
}

// A tolerance as a record field: possibly parenthesised.
std::optional<Tolerance> toleranceField(Reader& r)
{
    if (r.literal("(")) {
        auto t = toleranceField(r);
        if (!t || !r.literal(")")) return std::nullopt;
        return t;
    }
    return toleranceTerm(r);
}

// "Name {maxName = n, tolName = tol}"
std::optional<std::pair<std::int64_t, Tolerance>> paramTerm(Reader& r, std::string_view name, std::string_view maxName,
                                                            std::string_view tolName)
{
    if (!r.keyword(name) || !r.literal("{") || !r.keyword(maxName) || !r.literal("=")) return std::nullopt;
    auto n = r.integer();
    if (!n || !r.literal(",") || !r.keyword(tolName) || !r.literal("=")) return std::nullopt;
    auto t = toleranceField(r);
    if (!t || !r.literal("}")) return std::nullopt;
    return std::pair{*n, *t};
}

template <class Step>
std::optional<Step> stepTerm(Reader& r, std::string_view two, std::string_view bis, std::string_view root,
                             std::string_view none)
{
    using K = typename Step::Kind;
    if (r.keyword(none)) return Step{K(3), 0, 0};
    if (r.keyword(root)) {
        auto x = r.number();
        if (!x) return std::nullopt;
        return Step{K(2), *x, 0};
    }
    std::optional<K> kind;
    if (r.keyword(two)) kind = K(0);
    else if (r.keyword(bis)) kind = K(1);
    else return std::nullopt;
    auto a = r.number();
    if (!a) return std::nullopt;
    auto b = r.number();
    if (!b) return std::nullopt;
    return Step{*kind, *a, *b};
}

} // namespace

std::optional<Root<double>> readRoot(std::string_view text)
{
    return readWhole<Root<double>>(text, [](Reader& r) -> std::optional<Root<double>> {
        if (r.keyword("NotBracketed")) return Root<double>(NotBracketed);
        if (r.keyword("SearchFailed")) return Root<double>(SearchFailed);
        if (!r.keyword("Root")) return std::nullopt;
        auto v = r.number();
        if (!v) return std::nullopt;
        return Root<double>(*v);
    });
}

std::optional<Tolerance> Tolerance::read(std::string_view text)
{
    return readWhole<Tolerance>(text, toleranceTerm);
}

std::optional<RiddersParam> RiddersParam::read(std::string_view text)
{
    return readWhole<RiddersParam>(text, [](Reader& r) -> std::optional<RiddersParam> {
        auto p = paramTerm(r, "RiddersParam", "riddersMaxIter", "riddersTol");
        if (!p) return std::nullopt;
        return RiddersParam{p->first, p->second};
    });
}

std::optional<NewtonParam> NewtonParam::read(std::string_view text)
{
    return readWhole<NewtonParam>(text, [](Reader& r) -> std::optional<NewtonParam> {
        auto p = paramTerm(r, "NewtonParam", "newtonMaxIter", "newtonTol");
        if (!p) return std::nullopt;
        return NewtonParam{p->first, p->second};
    });
}

std::optional<RiddersStep> RiddersStep::read(std::string_view text)
{
    return readWhole<RiddersStep>(text, [](Reader& r) {
        return stepTerm<RiddersStep>(r, "RiddersStep", "RiddersBisect", "RiddersRoot", "RiddersNoBracket");
    });
}

std::optional<NewtonStep> NewtonStep::read(std::string_view text)
{
    return readWhole<NewtonStep>(text, [](Reader& r) {
        return stepTerm<NewtonStep>(r, "NewtonStep", "NewtonBisection", "NewtonRoot", "NewtonNoBracket");
    });
}

} // namespace Numeric::RootFinding
