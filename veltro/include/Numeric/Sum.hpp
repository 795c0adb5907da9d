// SPDX-License-Identifier: MIT
// Numeric/Sum.hpp: compensated summation of long runs of doubles.
//   double total = Numeric::Sum::sumVector(Numeric::Sum::kbn, std::span<const double>(xs));
//
// Three accumulators of increasing accuracy (Kahan, Kahan-Babuska-Neumaier, second-order
// Kahan-Babuska) behind one interface: zero<S>(), add(acc, x), sum(extractor, xs); plain double is an
// accumulator too. The updates are compiled inside the library so that their bits do not depend on
// the caller's compiler flags.
#pragma once

#include <veltro/export.hpp>

#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <optional>
#include <ranges>
#include <span>
#include <string>
#include <string_view>

namespace Numeric::Sum {

/// Kahan's accumulator: running sum s and compensation c.
struct VELTRO_API KahanSum {
    double s = 0.0;
    double c = 0.0;
    /// Field-wise IEEE equality.
    friend bool operator==(const KahanSum&, const KahanSum&) = default;
    /// Parses what show produces ("KahanSum 1.5 (-2)"), with surrounding white space.
    static std::optional<KahanSum> read(std::string_view text);
};

/// Kahan-Babuska-Neumaier accumulator: running sum s and compensation c; the value is s + c.
struct VELTRO_API KBNSum {
    double s = 0.0;
    double c = 0.0;
    friend bool operator==(const KBNSum&, const KBNSum&) = default;
    static std::optional<KBNSum> read(std::string_view text);
};

/// Second-order Kahan-Babuska accumulator: sum s, first- and second-order compensations c, cc.
struct VELTRO_API KB2Sum {
    double s = 0.0;
    double c = 0.0;
    double cc = 0.0;
    friend bool operator==(const KB2Sum&, const KB2Sum&) = default;
    static std::optional<KB2Sum> read(std::string_view text);
};

/// The empty accumulator of type S (all fields 0; for double, 0).
template <class S>
constexpr S zero()
{
    return S{};
}

/// acc with x added: y = x - c; t = s + y; c' = (t - s) - y.
VELTRO_API KahanSum add(KahanSum acc, double x);
/// acc with x added: t = s + x; c' = c + ((s - t) + x) if |s| >= |x|, else c + ((x - t) + s).
VELTRO_API KBNSum add(KBNSum acc, double x);
/// acc with x added, the first-order compensation itself compensated.
VELTRO_API KB2Sum add(KB2Sum acc, double x);
/// Plain addition, so that double is an accumulator too.
VELTRO_API double add(double acc, double x);

/// Final values: s; s + c; (s + c) + cc.
VELTRO_API double kahan(KahanSum acc);
VELTRO_API double kbn(KBNSum acc);
VELTRO_API double kb2(KB2Sum acc);

/// Combination a (+) b, identity zero: Kahan drops b's compensation (add(a, b.s)); KBN adds
/// b.s then b.c; KB2 adds b.s, b.c, then b.cc.
VELTRO_API KahanSum combine(KahanSum a, KahanSum b);
VELTRO_API KBNSum combine(KBNSum a, KBNSum b);
VELTRO_API KB2Sum combine(KB2Sum a, KB2Sum b);

/// n copies of a combined by binary powering. Throws
/// std::invalid_argument("stimes: positive multiplier expected") for n <= 0.
VELTRO_API KahanSum stimes(std::int64_t n, KahanSum a);
VELTRO_API KBNSum stimes(std::int64_t n, KBNSum a);
VELTRO_API KB2Sum stimes(std::int64_t n, KB2Sum a);

/// The fold of add from zero over v, left to right, then the extractor (kahan, kbn, kb2, or any
/// function of the accumulator). Typical use: sumVector(kbn, v).
VELTRO_API double sumVector(double (*extract)(KahanSum), std::span<const double> v);
VELTRO_API double sumVector(double (*extract)(KBNSum), std::span<const double> v);
VELTRO_API double sumVector(double (*extract)(KB2Sum), std::span<const double> v);
VELTRO_API double sumVector(double (*extract)(double), std::span<const double> v);

/// sum(extractor, xs): as sumVector, over any range of doubles (or a braced list).
template <class S, std::ranges::input_range R>
double sum(double (*extract)(S), R&& xs)
{
    S acc = zero<S>();
    for (const double x : xs) acc = add(acc, x);
    return extract(acc);
}
template <class S>
double sum(double (*extract)(S), std::initializer_list<double> xs)
{
    return sumVector(extract, std::span<const double>(xs.begin(), xs.size()));
}

/// Pairwise sum: up to 256 elements left to right from 0; above, the sum of the first n/2
/// elements (rounded down) plus the sum of the rest.
VELTRO_API double pairwiseSum(std::span<const double> v);

/// Constructor-form rendering such as "KBNSum 1.5 (-0.002)": fields as the shortest round-trip
/// decimal, negative fields in parentheses; showsPrec with d > 10 wraps the whole in parentheses.
VELTRO_API std::string showsPrec(int d, const KahanSum& a);
VELTRO_API std::string showsPrec(int d, const KBNSum& a);
VELTRO_API std::string showsPrec(int d, const KB2Sum& a);
VELTRO_API std::string show(const KahanSum& a);
VELTRO_API std::string show(const KBNSum& a);
VELTRO_API std::string show(const KB2Sum& a);
VELTRO_API std::ostream& operator<<(std::ostream& os, const KahanSum& a);
VELTRO_API std::ostream& operator<<(std::ostream& os, const KBNSum& a);
VELTRO_API std::ostream& operator<<(std::ostream& os, const KB2Sum& a);

} // namespace Numeric::Sum
