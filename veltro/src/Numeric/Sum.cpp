// SPDX-License-Identifier: MIT
// Compensated summation: the three accumulator updates, their combination and repetition, the
// folds over vectors, pairwise summation and the constructor-form renderings.
#include "NoContraction.hpp"  // first: no fused multiply-add in this unit, whatever the flags

#include <Numeric/Sum.hpp>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <ostream>
#include <stdexcept>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <xmmintrin.h>
#endif

#include "Messages.hpp"

namespace Numeric::Sum {

// ---- updates ------------------------------------------------------------------------------------
// The loops below call these inline; every formula keeps the documented order and grouping.

namespace {

inline KahanSum kahanStep(KahanSum a, double x)
{
    const double y = x - a.c;
    const double t = a.s + y;
    const double c = (t - a.s) - y;
    return KahanSum{t, c};
}

// The select on |s| >= |x| decides whose low bits go into the compensation; written as a
// conditional expression so the compiler can use a blend instead of a mispredicted branch.
// The error term of s + x = t: |s| >= |x| ? (s - t) + x : (x - t) + s (a NaN picks the second).
inline double kbnTerm(double s, double x, double t)
{
    return std::fabs(s) >= std::fabs(x) ? (s - t) + x : (x - t) + s;
}

inline KBNSum kbnStep(KBNSum a, double x)
{
    const double t = a.s + x;
    return KBNSum{t, a.c + kbnTerm(a.s, x, t)};
}

inline KB2Sum kb2Step(KB2Sum a, double x)
{
    const double t = a.s + x;
    const double k = std::fabs(a.s) >= std::fabs(x) ? (a.s - t) + x : (x - t) + a.s;
    const double c2 = a.c + k;
    const double kk = std::fabs(a.c) >= std::fabs(k) ? (a.c - c2) + k : (k - c2) + a.c;
    return KB2Sum{t, c2, a.cc + kk};
}

} // namespace

KahanSum add(KahanSum acc, double x) { return kahanStep(acc, x); }
KBNSum add(KBNSum acc, double x) { return kbnStep(acc, x); }
KB2Sum add(KB2Sum acc, double x) { return kb2Step(acc, x); }
double add(double acc, double x) { return acc + x; }

double kahan(KahanSum acc) { return acc.s; }
double kbn(KBNSum acc) { return acc.s + acc.c; }
double kb2(KB2Sum acc) { return (acc.s + acc.c) + acc.cc; }

// ---- combination and repetition -----------------------------------------------------------------

KahanSum combine(KahanSum a, KahanSum b) { return kahanStep(a, b.s); }
KBNSum combine(KBNSum a, KBNSum b) { return kbnStep(kbnStep(a, b.s), b.c); }
KB2Sum combine(KB2Sum a, KB2Sum b) { return kb2Step(kb2Step(kb2Step(a, b.s), b.c), b.cc); }

namespace {

// Repetition by binary powering, combining in the same order as the standard semigroup
// definition (squaring x, folding the odd factors into z on the left), so the bits agree with it.
template <class S>
S stimesImpl(std::int64_t n, S x)
{
    if (n <= 0) msg::fail<std::invalid_argument>(msg::stimesNonPositive);
    auto y = static_cast<std::uint64_t>(n);
    while (y % 2 == 0) {
        x = combine(x, x);
        y /= 2;
    }
    if (y == 1) return x;
    S z = x;
    x = combine(x, x);
    y /= 2;
    for (;;) {
        if (y % 2 == 0) {
            x = combine(x, x);
            y /= 2;
        } else if (y == 1) {
            return combine(x, z);
        } else {
            z = combine(x, z);
            x = combine(x, x);
            y /= 2;
        }
    }
}

} // namespace

KahanSum stimes(std::int64_t n, KahanSum a) { return stimesImpl(n, a); }
KBNSum stimes(std::int64_t n, KBNSum a) { return stimesImpl(n, a); }
KB2Sum stimes(std::int64_t n, KB2Sum a) { return stimesImpl(n, a); }

// ---- folds over vectors -------------------------------------------------------------------------

double sumVector(double (*extract)(KahanSum), std::span<const double> v)
{
    KahanSum acc{};
    for (const double x : v) acc = kahanStep(acc, x);
    return extract(acc);
}

namespace {

// The KBN fold over n elements from (s, c), written plainly.
inline KBNSum kbnLoop(KBNSum acc, const double* p, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) acc = kbnStep(acc, p[i]);
    return acc;
}

#if defined(__SSE2__)
// The KBN fold as a three-stage pipeline over blocks of kbnBlock elements. The running sum is one
// dependent addition per element, like a plain loop; the compensation terms k need the sums before
// and after each element, which makes them independent of one another once those sums are known.
// So while the running sums of block j are formed (and stored), the k of block j-1 are computed two
// at a time in SSE2 registers with the same formula and select as kbnStep, and the k of block j-2
// are added to the compensation in element order. Every addition is the one the definition makes,
// in the same order; only the work is overlapped.
constexpr std::size_t kbnBlock = 64;

struct KbnPipe {
    alignas(16) double sums[2][kbnBlock + 1]; // running sum before element e is sums[.][e]
    alignas(16) double ks[2][kbnBlock];
};

// k for elements e, e+1 of a block: |s| >= |x| ? (s - t) + x : (x - t) + s (a NaN picks the second).
inline void kbnPair(const double* sums, const double* x, double* k, std::size_t e)
{
    const __m128d absMask = _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffff));
    const __m128d s = _mm_loadu_pd(sums + e);
    const __m128d t = _mm_loadu_pd(sums + e + 1);
    const __m128d xv = _mm_loadu_pd(x + e);
    const __m128d sBig = _mm_cmpge_pd(_mm_and_pd(s, absMask), _mm_and_pd(xv, absMask));
    const __m128d swap = _mm_and_pd(_mm_xor_pd(s, xv), sBig);
    const __m128d big = _mm_xor_pd(xv, swap);   // s where |s| >= |x|, else x
    const __m128d small = _mm_xor_pd(s, swap);  // x where |s| >= |x|, else s
    _mm_store_pd(k + e, _mm_add_pd(_mm_sub_pd(big, t), small));
}

KBNSum kbnPipelined(const double* p, std::size_t n)
{
    const std::size_t blocks = n / kbnBlock;
    if (blocks < 3) return kbnLoop(KBNSum{}, p, n);
    KbnPipe pipe;
    double s = 0.0;
    double c = 0.0;
    // Block 0: running sums only.
    pipe.sums[0][0] = s;
    for (std::size_t e = 0; e < kbnBlock; ++e) {
        s = s + p[e];
        pipe.sums[0][e + 1] = s;
    }
    // Block 1: running sums, and the k of block 0.
    pipe.sums[1][0] = s;
    for (std::size_t e = 0; e < kbnBlock; e += 2) {
        s = s + p[kbnBlock + e];
        pipe.sums[1][e + 1] = s;
        s = s + p[kbnBlock + e + 1];
        pipe.sums[1][e + 2] = s;
        kbnPair(pipe.sums[0], p, pipe.ks[0], e);
    }
    // Block j: running sums of j, k of j-1, compensation over the k of j-2.
    for (std::size_t j = 2; j < blocks; ++j) {
        double* sumsNow = pipe.sums[j & 1];
        const double* sumsBefore = pipe.sums[(j - 1) & 1];
        double* kNow = pipe.ks[(j - 1) & 1];
        const double* kDone = pipe.ks[j & 1]; // block j-2
        const double* x = p + j * kbnBlock;
        const double* xBefore = x - kbnBlock;
        sumsNow[0] = s;
        for (std::size_t e = 0; e < kbnBlock; e += 2) {
            s = s + x[e];
            sumsNow[e + 1] = s;
            s = s + x[e + 1];
            sumsNow[e + 2] = s;
            kbnPair(sumsBefore, xBefore, kNow, e);
            c = c + kDone[e];
            c = c + kDone[e + 1];
        }
    }
    // Drain: the k of block blocks-2, then those of the last block, then the tail.
    const double* kDone = pipe.ks[(blocks - 2) & 1];
    for (std::size_t e = 0; e < kbnBlock; ++e) c = c + kDone[e];
    const double* sumsLast = pipe.sums[(blocks - 1) & 1];
    const double* xLast = p + (blocks - 1) * kbnBlock;
    for (std::size_t e = 0; e < kbnBlock; ++e) c = c + kbnTerm(sumsLast[e], xLast[e], sumsLast[e + 1]);
    return kbnLoop(KBNSum{s, c}, p + blocks * kbnBlock, n - blocks * kbnBlock);
}
#endif

} // namespace

double sumVector(double (*extract)(KBNSum), std::span<const double> v)
{
#if defined(__SSE2__)
    return extract(kbnPipelined(v.data(), v.size()));
#else
    return extract(kbnLoop(KBNSum{}, v.data(), v.size()));
#endif
}

double sumVector(double (*extract)(KB2Sum), std::span<const double> v)
{
    KB2Sum acc{};
    for (const double x : v) acc = kb2Step(acc, x);
    return extract(acc);
}

double sumVector(double (*extract)(double), std::span<const double> v)
{
    double acc = 0.0;
    for (const double x : v) acc = acc + x;
    return extract(acc);
}

// ---- pairwise summation -------------------------------------------------------------------------
//
// The definition: a leaf of n <= 256 elements is summed left to right from 0; a larger range is
// split at n/2 and the two halves' sums are added. Summing one leaf is a chain of dependent
// additions, so the leaves of a block (a subtree of at most blockSize elements) are summed
// several at a time in independent chains; each leaf still sees exactly its own additions in its
// own order, and the leaf sums are then combined by the same tree.

namespace {

constexpr std::size_t leafSize = 256;
constexpr std::size_t blockSize = 16 * leafSize;
// A subtree of at most blockSize elements has leaves of more than leafSize/2 elements (or is a
// single leaf), hence fewer than 2 * blockSize / leafSize of them.
constexpr std::size_t maxLeaves = 2 * blockSize / leafSize;
constexpr std::size_t lanes = 8;

double leafSum(const double* p, std::size_t n)
{
    double r = 0.0;
    for (std::size_t i = 0; i < n; ++i) r = r + p[i];
    return r;
}

struct Leaves {
    std::array<std::size_t, maxLeaves> offset{};
    std::array<std::size_t, maxLeaves> length{};
    std::array<double, maxLeaves> sum{};
    std::size_t count = 0;
};

void collectLeaves(Leaves& out, std::size_t offset, std::size_t n)
{
    if (n <= leafSize) {
        out.offset[out.count] = offset;
        out.length[out.count] = n;
        ++out.count;
        return;
    }
    const std::size_t h = n / 2;
    collectLeaves(out, offset, h);
    collectLeaves(out, offset + h, n - h);
}

// Sums `lanes` leaves at once: common prefix in lock step, then each leaf's tail on its own.
void sumLeafGroup(const double* p, Leaves& leaves, std::size_t first)
{
    std::size_t common = leaves.length[first];
    for (std::size_t j = 1; j < lanes; ++j) {
        if (leaves.length[first + j] < common) common = leaves.length[first + j];
    }
    std::array<const double*, lanes> q{};
    for (std::size_t j = 0; j < lanes; ++j) q[j] = p + leaves.offset[first + j];
#if defined(__SSE2__)
    // Two leaves per register, four registers: eight independent chains of scalar-exact additions.
    __m128d r01 = _mm_setzero_pd();
    __m128d r23 = _mm_setzero_pd();
    __m128d r45 = _mm_setzero_pd();
    __m128d r67 = _mm_setzero_pd();
    // Eight short streams are more than the hardware prefetcher follows well, so the memory after
    // this group (the next group's leaves) is requested one cache line per step. A prefetch is only
    // a hint and never faults, so the address may run past the end of the data; it is formed as an
    // integer to keep the pointer arithmetic inside the array.
    const auto ahead = reinterpret_cast<std::uintptr_t>(q[lanes - 1] + leaves.length[first + lanes - 1]);
    for (std::size_t i = 0; i < common; ++i) {
        _mm_prefetch(reinterpret_cast<const char*>(ahead + 64 * i), _MM_HINT_T0);
        r01 = _mm_add_pd(r01, _mm_loadh_pd(_mm_load_sd(q[0] + i), q[1] + i));
        r23 = _mm_add_pd(r23, _mm_loadh_pd(_mm_load_sd(q[2] + i), q[3] + i));
        r45 = _mm_add_pd(r45, _mm_loadh_pd(_mm_load_sd(q[4] + i), q[5] + i));
        r67 = _mm_add_pd(r67, _mm_loadh_pd(_mm_load_sd(q[6] + i), q[7] + i));
    }
    alignas(16) std::array<double, lanes> r{};
    _mm_store_pd(r.data(), r01);
    _mm_store_pd(r.data() + 2, r23);
    _mm_store_pd(r.data() + 4, r45);
    _mm_store_pd(r.data() + 6, r67);
#else
    double r0 = 0.0, r1 = 0.0, r2 = 0.0, r3 = 0.0, r4 = 0.0, r5 = 0.0, r6 = 0.0, r7 = 0.0;
    for (std::size_t i = 0; i < common; ++i) {
        r0 = r0 + q[0][i];
        r1 = r1 + q[1][i];
        r2 = r2 + q[2][i];
        r3 = r3 + q[3][i];
        r4 = r4 + q[4][i];
        r5 = r5 + q[5][i];
        r6 = r6 + q[6][i];
        r7 = r7 + q[7][i];
    }
    const std::array<double, lanes> r{r0, r1, r2, r3, r4, r5, r6, r7};
#endif
    for (std::size_t j = 0; j < lanes; ++j) {
        double s = r[j];
        for (std::size_t i = common; i < leaves.length[first + j]; ++i) s = s + q[j][i];
        leaves.sum[first + j] = s;
    }
}

// Combines the leaf sums by the same splitting as collectLeaves.
double combineLeaves(const Leaves& leaves, std::size_t& next, std::size_t n)
{
    if (n <= leafSize) return leaves.sum[next++];
    const std::size_t h = n / 2;
    const double left = combineLeaves(leaves, next, h);
    const double right = combineLeaves(leaves, next, n - h);
    return left + right;
}

double blockSum(const double* p, std::size_t n)
{
    Leaves leaves;
    collectLeaves(leaves, 0, n);
    std::size_t i = 0;
    for (; i + lanes <= leaves.count; i += lanes) sumLeafGroup(p, leaves, i);
    for (; i < leaves.count; ++i) leaves.sum[i] = leafSum(p + leaves.offset[i], leaves.length[i]);
    std::size_t next = 0;
    return combineLeaves(leaves, next, n);
}

double pairwise(const double* p, std::size_t n)
{
    if (n <= leafSize) return leafSum(p, n);
    if (n <= blockSize) return blockSum(p, n);
    const std::size_t h = n / 2;
    const double left = pairwise(p, h);
    const double right = pairwise(p + h, n - h);
    return left + right;
}

} // namespace

double pairwiseSum(std::span<const double> v)
{
    return pairwise(v.data(), v.size());
}

// ---- rendering and parsing ----------------------------------------------------------------------

namespace {

// A field at argument precedence: negative numbers (and -0.0) in parentheses.
std::string showField(double x)
{
    std::string text = msg::showDouble(x);
    if (std::signbit(x) && !std::isnan(x)) return "(" + text + ")";
    return text;
}

template <std::size_t N>
std::string showFields(int d, std::string_view name, const std::array<double, N>& fields)
{
    std::string text(name);
    for (const double f : fields) {
        text += ' ';
        text += showField(f);
    }
    return d > 10 ? "(" + text + ")" : text;
}

bool isSpace(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\f' || ch == '\v';
}

void skipSpace(std::string_view& s)
{
    while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
}

// A number, optionally in parentheses; "Infinity" and "NaN" by name.
std::optional<double> readField(std::string_view& s)
{
    skipSpace(s);
    if (!s.empty() && s.front() == '(') {
        s.remove_prefix(1);
        auto inner = readField(s);
        skipSpace(s);
        if (!inner || s.empty() || s.front() != ')') return std::nullopt;
        s.remove_prefix(1);
        return inner;
    }
    std::size_t len = 0;
    while (len < s.size() && !isSpace(s[len]) && s[len] != ')' && s[len] != '(') ++len;
    const std::string_view token = s.substr(0, len);
    if (token.empty() || token.front() == '+') return std::nullopt;
    double value = 0.0;
    const auto res = std::from_chars(token.data(), token.data() + token.size(), value);
    if (res.ec != std::errc{} || res.ptr != token.data() + token.size()) return std::nullopt;
    s.remove_prefix(len);
    return value;
}

template <std::size_t N>
std::optional<std::array<double, N>> readFields(std::string_view s, std::string_view name)
{
    skipSpace(s);
    std::size_t parens = 0;
    while (!s.empty() && s.front() == '(') {
        s.remove_prefix(1);
        ++parens;
        skipSpace(s);
    }
    if (!s.starts_with(name)) return std::nullopt;
    s.remove_prefix(name.size());
    std::array<double, N> fields{};
    for (double& f : fields) {
        if (s.empty() || !isSpace(s.front())) return std::nullopt;
        const auto value = readField(s);
        if (!value) return std::nullopt;
        f = *value;
    }
    for (; parens > 0; --parens) {
        skipSpace(s);
        if (s.empty() || s.front() != ')') return std::nullopt;
        s.remove_prefix(1);
    }
    skipSpace(s);
    if (!s.empty()) return std::nullopt;
    return fields;
}

} // namespace

std::string showsPrec(int d, const KahanSum& a)
{
    return showFields<2>(d, "KahanSum", {a.s, a.c});
}
std::string showsPrec(int d, const KBNSum& a)
{
    return showFields<2>(d, "KBNSum", {a.s, a.c});
}
std::string showsPrec(int d, const KB2Sum& a)
{
    return showFields<3>(d, "KB2Sum", {a.s, a.c, a.cc});
}
std::string show(const KahanSum& a) { return showsPrec(0, a); }
std::string show(const KBNSum& a) { return showsPrec(0, a); }
std::string show(const KB2Sum& a) { return showsPrec(0, a); }
std::ostream& operator<<(std::ostream& os, const KahanSum& a) { return os << show(a); }
std::ostream& operator<<(std::ostream& os, const KBNSum& a) { return os << show(a); }
std::ostream& operator<<(std::ostream& os, const KB2Sum& a) { return os << show(a); }

std::optional<KahanSum> KahanSum::read(std::string_view text)
{
    const auto f = readFields<2>(text, "KahanSum");
    if (!f) return std::nullopt;
    return KahanSum{(*f)[0], (*f)[1]};
}
std::optional<KBNSum> KBNSum::read(std::string_view text)
{
    const auto f = readFields<2>(text, "KBNSum");
    if (!f) return std::nullopt;
    return KBNSum{(*f)[0], (*f)[1]};
}
std::optional<KB2Sum> KB2Sum::read(std::string_view text)
{
    const auto f = readFields<3>(text, "KB2Sum");
    if (!f) return std::nullopt;
    return KB2Sum{(*f)[0], (*f)[1], (*f)[2]};
}

} // namespace Numeric::Sum
