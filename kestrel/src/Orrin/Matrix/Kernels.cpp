// SPDX-License-Identifier: MIT
// The product and QR loops: a plain version and AVX2 / AVX-512 versions chosen at run time.
//
// Every output element of a product, and every projection of one QR step, is a compensated sum
// whose terms come in a fixed order; different elements are independent. The vector versions
// therefore run several elements side by side, one per lane, each lane doing exactly the scalar
// sequence of the plain version: the same products, the same additions in the same grouping, and
// the magnitude test done by a select instead of a branch. No product is ever fused with a sum:
// each term x * y is its own rounded multiply. (The AVX-512 versions issue some additions as
// fused multiply-adds with multiplier 1.0, which round exactly like the additions; see
// addOnMulPipe512.) The results are identical to the bit; the tests prove it against a plain
// reference, NaN, infinities, overflow and cancellation included.
#include "NoContraction.hpp"  // first: no fused multiply-add in this unit, whatever the flags

#include "Orrin/Matrix/Kernels.hpp"

#include "Orrin/Matrix/KBN.hpp"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KESTREL_X86 1
#define KESTREL_AVX2 __attribute__((target("avx2")))
#define KESTREL_AVX512 __attribute__((target("avx512f,avx512dq")))
#endif

namespace Orrin::Matrix::detail {

namespace {

struct FreeDeleter {
    void operator()(double* p) const noexcept { std::free(p); }
};
using AlignedBuffer = std::unique_ptr<double[], FreeDeleter>;

// Uninitialised storage for count doubles on a 64-byte boundary.
AlignedBuffer alignedBuffer(std::int64_t count)
{
    const std::size_t bytes = ((static_cast<std::size_t>(count) * sizeof(double) + 63) / 64 + 1) * 64;
    void* p = std::aligned_alloc(64, bytes);
    if (p == nullptr) throw std::bad_alloc();
    return AlignedBuffer(static_cast<double*>(p));
}

// Copies columns j0 ... j0+w-1 of b (row-major, ldb columns), rows 0 ... L-1, into a strip of
// width sw: strip[k * sw + l] = b(k, j0 + l), zero for the padding lanes l >= w.
void packStrip(double* strip, const double* b, std::int64_t ldb, std::int64_t L, std::int64_t j0, std::int64_t w,
               std::int64_t sw)
{
    if (w == 8 && sw == 8) {  // the common case, as whole cache lines
        for (std::int64_t k = 0; k < L; ++k) std::copy_n(b + k * ldb + j0, 8, strip + k * 8);
        return;
    }
    for (std::int64_t k = 0; k < L; ++k) {
        const double* src = b + k * ldb + j0;
        double* dst = strip + k * sw;
        for (std::int64_t l = 0; l < w; ++l) dst[l] = src[l];
        for (std::int64_t l = w; l < sw; ++l) dst[l] = 0.0;
    }
}

// ---- Plain version --------------------------------------------------------------------------

void multiplyScalar(const double* a, std::int64_t r1, std::int64_t c1, const double* b, std::int64_t c2,
                    std::int64_t L, double* out)
{
    std::vector<double> col(static_cast<std::size_t>(L));
    for (std::int64_t j = 0; j < c2; ++j) {
        for (std::int64_t k = 0; k < L; ++k) col[static_cast<std::size_t>(k)] = b[k * c2 + j];
        for (std::int64_t i = 0; i < r1; ++i) {
            const double* x = a + i * c1;
            double s = 0.0;
            double c = 0.0;
            for (std::int64_t k = 0; k < L; ++k) kbnAdd(s, c, x[k] * col[static_cast<std::size_t>(k)]);
            out[i * c2 + j] = s + c;
        }
    }
}

// Squared norm of column j of a (m rows, row stride n), as s and c of the compensated sum over
// the rows.
void columnNormSum(const double* a, std::int64_t m, std::int64_t n, std::int64_t j, double& s, double& c)
{
    s = 0.0;
    c = 0.0;
    for (std::int64_t i = 0; i < m; ++i) {
        const double y = a[i * n + j];
        kbnAdd(s, c, y * y);
    }
}

void normaliseColumn(double* a, std::int64_t m, std::int64_t n, std::int64_t j, double nu)
{
    for (std::int64_t i = 0; i < m; ++i) a[i * n + j] = a[i * n + j] / nu;
}

void qrScalar(double* a, std::int64_t m, std::int64_t n, double* r)
{
    for (std::int64_t j = 0; j < n; ++j) {
        double s = 0.0;
        double c = 0.0;
        columnNormSum(a, m, n, j, s, c);
        const double nu = std::sqrt(s + c);
        r[j * n + j] = nu;
        normaliseColumn(a, m, n, j, nu);
        for (std::int64_t k = j + 1; k < n; ++k) {
            double ps = 0.0;
            double pc = 0.0;
            for (std::int64_t i = 0; i < m; ++i) kbnAdd(ps, pc, a[i * n + j] * a[i * n + k]);
            const double p = ps + pc;
            r[j * n + k] = p;
            for (std::int64_t i = 0; i < m; ++i) a[i * n + k] = a[i * n + k] - p * a[i * n + j];
        }
    }
}

#if KESTREL_X86

// ---- AVX2: four lanes -----------------------------------------------------------------------

// One compensated step in every lane: t = s + p; the low bits go into c from the operand of
// smaller magnitude (s on a tie). A lane holding NaN gets NaN either way, so the select's
// treatment of NaN does not matter. The blend returns one operand unchanged, so the other one
// is s ^ p ^ big: two exclusive ors, which any vector pipe runs, measured faster than a second
// blend.
KESTREL_AVX2 inline void step256(__m256d& s, __m256d& c, __m256d p)
{
    const __m256d signBit = _mm256_set1_pd(-0.0);
    const __m256d t = _mm256_add_pd(s, p);
    const __m256d sFirst = _mm256_cmp_pd(_mm256_andnot_pd(signBit, s), _mm256_andnot_pd(signBit, p), _CMP_GE_OQ);
    const __m256d big = _mm256_blendv_pd(p, s, sFirst);
    const __m256d small = _mm256_xor_pd(_mm256_xor_pd(s, p), big);
    c = _mm256_add_pd(c, _mm256_add_pd(_mm256_sub_pd(big, t), small));
    s = t;
}

KESTREL_AVX2 inline __m256i laneMask256(std::int64_t lanes)
{
    return _mm256_cmpgt_epi64(_mm256_set1_epi64x(lanes), _mm256_setr_epi64x(0, 1, 2, 3));
}

// R rows of a times a strip of V*4 packed columns; w of them are stored.
template <int R, int V>
KESTREL_AVX2 void tile256(const double* a, std::int64_t lda, const double* strip, std::int64_t L, double* out,
                          std::int64_t ldo, std::int64_t w)
{
    __m256d s[R][V];
    __m256d c[R][V];
#pragma GCC unroll 16
    for (int r = 0; r < R; ++r)
#pragma GCC unroll 16
        for (int v = 0; v < V; ++v) s[r][v] = c[r][v] = _mm256_setzero_pd();
    for (std::int64_t k = 0; k < L; ++k) {
        __m256d b[V];
#pragma GCC unroll 16
        for (int v = 0; v < V; ++v) b[v] = _mm256_load_pd(strip + k * (V * 4) + v * 4);
#pragma GCC unroll 16
        for (int r = 0; r < R; ++r) {
            const __m256d x = _mm256_broadcast_sd(a + r * lda + k);
#pragma GCC unroll 16
            for (int v = 0; v < V; ++v) step256(s[r][v], c[r][v], _mm256_mul_pd(x, b[v]));
        }
    }
#pragma GCC unroll 16
    for (int r = 0; r < R; ++r)
#pragma GCC unroll 16
        for (int v = 0; v < V; ++v)
            _mm256_maskstore_pd(out + r * ldo + v * 4, laneMask256(w - v * 4), _mm256_add_pd(s[r][v], c[r][v]));
}

KESTREL_AVX2 void multiplyAvx2(const double* a, std::int64_t r1, std::int64_t c1, const double* b, std::int64_t c2,
                               std::int64_t L, double* out)
{
    constexpr int R = 2;
    constexpr int V = 2;
    constexpr std::int64_t sw = V * 4;
    AlignedBuffer strip = alignedBuffer(L * sw);
    for (std::int64_t j0 = 0; j0 < c2; j0 += sw) {
        const std::int64_t w = std::min(sw, c2 - j0);
        packStrip(strip.get(), b, c2, L, j0, w, sw);
        std::int64_t i = 0;
        for (; i + R <= r1; i += R) tile256<R, V>(a + i * c1, c1, strip.get(), L, out + i * c2 + j0, c2, w);
        for (; i < r1; ++i) tile256<1, V>(a + i * c1, c1, strip.get(), L, out + i * c2 + j0, c2, w);
    }
}

// A block of QR work: applies jb consecutive steps (their columns already normalised) to the w
// columns k0 ... k0+w-1 (w <= V*4) of a (m rows, row stride ld). Step t projects on the column whose
// row-i value is q[i * qld + t]; its projections go to rrow[t * n + k], then the columns lose their
// component along it. The update of step t and the projections of step t+1 share one sweep over
// the rows, so a block is read jb+1 times for jb steps.
template <int V>
KESTREL_AVX2 void qrBlock256(double* a, std::int64_t m, std::int64_t ld, const double* q, std::int64_t qld,
                             std::int64_t jb, std::int64_t k0, std::int64_t w, double* rrow, std::int64_t n)
{
    __m256i mask[V];
    __m256d s[V];
    __m256d c[V];
    __m256d p[V];
#pragma GCC unroll 16
    for (int v = 0; v < V; ++v) {
        mask[v] = laneMask256(w - v * 4);
        s[v] = c[v] = _mm256_setzero_pd();
    }
    for (std::int64_t i = 0; i < m; ++i) {
        const __m256d qi = _mm256_broadcast_sd(q + i * qld);
        const double* row = a + i * ld + k0;
#pragma GCC unroll 16
        for (int v = 0; v < V; ++v) step256(s[v], c[v], _mm256_mul_pd(qi, _mm256_maskload_pd(row + v * 4, mask[v])));
    }
    for (std::int64_t t = 0; t < jb; ++t) {
#pragma GCC unroll 16
        for (int v = 0; v < V; ++v) {
            p[v] = _mm256_add_pd(s[v], c[v]);
            _mm256_maskstore_pd(rrow + t * n + k0 + v * 4, mask[v], p[v]);
            s[v] = c[v] = _mm256_setzero_pd();
        }
        const bool next = t + 1 < jb;
        for (std::int64_t i = 0; i < m; ++i) {
            const __m256d qi = _mm256_broadcast_sd(q + i * qld + t);
            double* row = a + i * ld + k0;
            if (next) {
                const __m256d qn = _mm256_broadcast_sd(q + i * qld + t + 1);
#pragma GCC unroll 16
                for (int v = 0; v < V; ++v) {
                    const __m256d x = _mm256_sub_pd(_mm256_maskload_pd(row + v * 4, mask[v]), _mm256_mul_pd(p[v], qi));
                    _mm256_maskstore_pd(row + v * 4, mask[v], x);
                    step256(s[v], c[v], _mm256_mul_pd(qn, x));
                }
            } else {
#pragma GCC unroll 16
                for (int v = 0; v < V; ++v) {
                    const __m256d x = _mm256_sub_pd(_mm256_maskload_pd(row + v * 4, mask[v]), _mm256_mul_pd(p[v], qi));
                    _mm256_maskstore_pd(row + v * 4, mask[v], x);
                }
            }
        }
    }
}

KESTREL_AVX2 void qrBlockAvx2(double* a, std::int64_t m, std::int64_t ld, const double* q, std::int64_t qld,
                              std::int64_t jb, std::int64_t k0, std::int64_t w, double* rrow, std::int64_t n)
{
    switch ((w + 3) / 4) {
    case 1: return qrBlock256<1>(a, m, ld, q, qld, jb, k0, w, rrow, n);
    case 2: return qrBlock256<2>(a, m, ld, q, qld, jb, k0, w, rrow, n);
    case 3: return qrBlock256<3>(a, m, ld, q, qld, jb, k0, w, rrow, n);
    default: return qrBlock256<4>(a, m, ld, q, qld, jb, k0, w, rrow, n);
    }
}

// ---- AVX-512: eight lanes -------------------------------------------------------------------

// Exact addition and subtraction issued as fused multiply-adds: a * 1.0 is exactly a, so
// fma(a, 1.0, b) rounds the exact sum a + b once, which is the bits of a + b (signed zeros,
// infinities and NaN included). No product of two data values is ever fused with a sum. They
// exist to run additions on the multiply pipes: on processors whose vector adders are fewer than
// their vector pipes (two of four on AMD Zen 4) the compensated step is bound by its additions,
// and moving some of them to the multiply-add pipes balances the load.
KESTREL_AVX512 inline __m512d addOnMulPipe512(__m512d a, __m512d b)
{
    return _mm512_fmadd_pd(a, _mm512_set1_pd(1.0), b);
}

KESTREL_AVX512 inline __m512d subOnMulPipe512(__m512d a, __m512d b)
{
    return _mm512_fmsub_pd(a, _mm512_set1_pd(1.0), b);
}

// One compensated step in every lane. vrangepd picks, per lane, the operand of larger magnitude
// (imm 0b0111: max by absolute value, sign kept); it returns one of its operands unchanged, so the
// other one is s ^ p ^ big (a three-way exclusive or, imm 0x96, on any vector pipe). On a tie
// |s| = |p| either choice gives the same bits: then s = p, or s = -p and t = s + p is an exact
// zero, so (big - t) + small is the same sum. A lane holding NaN gets NaN either way (t is NaN).
//
// The four additions t = s + p, big - t, + small and c + ... are the same in both flavours; the
// flavour only chooses which of them issue as exact multiply-adds (see addOnMulPipe512).
// Interleaving the two flavours over the accumulators of a tile spreads the step's seven vector
// operations (multiply, four additions, vrangepd, vpternlogq) evenly over the pipes.
template <bool LowBitsOnMulPipes>
KESTREL_AVX512 inline void step512(__m512d& s, __m512d& c, __m512d p)
{
    const __m512d t = _mm512_add_pd(s, p);
    const __m512d big = _mm512_range_pd(p, s, 0x7);
    const __m512d small = _mm512_castsi512_pd(_mm512_ternarylogic_epi64(
        _mm512_castpd_si512(p), _mm512_castpd_si512(s), _mm512_castpd_si512(big), 0x96));
    if constexpr (LowBitsOnMulPipes)
        c = _mm512_add_pd(c, addOnMulPipe512(subOnMulPipe512(big, t), small));
    else
        c = addOnMulPipe512(c, _mm512_add_pd(_mm512_sub_pd(big, t), small));
    s = t;
}

inline __mmask8 laneMask512(std::int64_t lanes)
{
    return static_cast<__mmask8>(lanes >= 8 ? 0xFF : lanes <= 0 ? 0 : (1u << lanes) - 1u);
}

// R rows of a times a strip of 8 packed columns (w of them stored): R independent accumulators
// of one vector each, the row element broadcast straight into the multiply.
template <int R>
KESTREL_AVX512 void tile512(const double* a, std::int64_t lda, const double* strip, std::int64_t L, double* out,
                            std::int64_t ldo, std::int64_t w)
{
    __m512d s[R];
    __m512d c[R];
#pragma GCC unroll 16
    for (int r = 0; r < R; ++r) s[r] = c[r] = _mm512_setzero_pd();
    for (std::int64_t k = 0; k < L; ++k) {
        const __m512d b = _mm512_load_pd(strip + k * 8);
#pragma GCC unroll 16
        for (int r = 0; r < R; ++r) {
            const __m512d p = _mm512_mul_pd(_mm512_set1_pd(a[r * lda + k]), b);
            if (r % 2 == 0)
                step512<true>(s[r], c[r], p);
            else
                step512<false>(s[r], c[r], p);
        }
    }
    const __mmask8 mask = laneMask512(w);
#pragma GCC unroll 16
    for (int r = 0; r < R; ++r) _mm512_mask_storeu_pd(out + r * ldo, mask, _mm512_add_pd(s[r], c[r]));
}

KESTREL_AVX512 void multiplyAvx512(const double* a, std::int64_t r1, std::int64_t c1, const double* b,
                                   std::int64_t c2, std::int64_t L, double* out)
{
    constexpr int R = 8;
    constexpr std::int64_t sw = 8;
    AlignedBuffer strip = alignedBuffer(L * sw);
    for (std::int64_t j0 = 0; j0 < c2; j0 += sw) {
        const std::int64_t w = std::min(sw, c2 - j0);
        packStrip(strip.get(), b, c2, L, j0, w, sw);
        std::int64_t i = 0;
        for (; i + R <= r1; i += R) tile512<R>(a + i * c1, c1, strip.get(), L, out + i * c2 + j0, c2, w);
        if (i + 4 <= r1) {
            tile512<4>(a + i * c1, c1, strip.get(), L, out + i * c2 + j0, c2, w);
            i += 4;
        }
        if (i + 2 <= r1) {
            tile512<2>(a + i * c1, c1, strip.get(), L, out + i * c2 + j0, c2, w);
            i += 2;
        }
        if (i < r1) tile512<1>(a + i * c1, c1, strip.get(), L, out + i * c2 + j0, c2, w);
    }
}

template <int V, bool Full>
KESTREL_AVX512 inline __m512d load512(const double* p, __mmask8 mask)
{
    if constexpr (Full)
        return _mm512_loadu_pd(p);
    else
        return _mm512_maskz_loadu_pd(mask, p);
}

template <int V, bool Full>
KESTREL_AVX512 inline void store512(double* p, __mmask8 mask, __m512d x)
{
    if constexpr (Full)
        _mm512_storeu_pd(p, x);
    else
        _mm512_mask_storeu_pd(p, mask, x);
}

// As qrBlock256, eight lanes per vector; a block of full vectors needs no masks.
template <int V, bool Full>
KESTREL_AVX512 void qrBlock512(double* a, std::int64_t m, std::int64_t ld, const double* q, std::int64_t qld,
                               std::int64_t jb, std::int64_t k0, std::int64_t w, double* rrow, std::int64_t n)
{
    __mmask8 mask[V];
    __m512d s[V];
    __m512d c[V];
    __m512d p[V];
#pragma GCC unroll 16
    for (int v = 0; v < V; ++v) {
        mask[v] = laneMask512(w - v * 8);
        s[v] = c[v] = _mm512_setzero_pd();
    }
    for (std::int64_t i = 0; i < m; ++i) {
        const __m512d qi = _mm512_set1_pd(q[i * qld]);
        const double* row = a + i * ld + k0;
#pragma GCC unroll 16
        for (int v = 0; v < V; ++v) {
            const __m512d x = _mm512_mul_pd(qi, load512<V, Full>(row + v * 8, mask[v]));
            if (v % 2 == 0)
                step512<true>(s[v], c[v], x);
            else
                step512<false>(s[v], c[v], x);
        }
    }
    for (std::int64_t t = 0; t < jb; ++t) {
#pragma GCC unroll 16
        for (int v = 0; v < V; ++v) {
            p[v] = _mm512_add_pd(s[v], c[v]);
            store512<V, Full>(rrow + t * n + k0 + v * 8, mask[v], p[v]);
            s[v] = c[v] = _mm512_setzero_pd();
        }
        const bool next = t + 1 < jb;
        for (std::int64_t i = 0; i < m; ++i) {
            const __m512d qi = _mm512_set1_pd(q[i * qld + t]);
            double* row = a + i * ld + k0;
            if (next) {
                const __m512d qn = _mm512_set1_pd(q[i * qld + t + 1]);
#pragma GCC unroll 16
                for (int v = 0; v < V; ++v) {
                    const __m512d x = _mm512_sub_pd(load512<V, Full>(row + v * 8, mask[v]), _mm512_mul_pd(p[v], qi));
                    store512<V, Full>(row + v * 8, mask[v], x);
                    if (v % 2 == 0)
                        step512<true>(s[v], c[v], _mm512_mul_pd(qn, x));
                    else
                        step512<false>(s[v], c[v], _mm512_mul_pd(qn, x));
                }
            } else {
#pragma GCC unroll 16
                for (int v = 0; v < V; ++v) {
                    const __m512d x = _mm512_sub_pd(load512<V, Full>(row + v * 8, mask[v]), _mm512_mul_pd(p[v], qi));
                    store512<V, Full>(row + v * 8, mask[v], x);
                }
            }
        }
    }
}

KESTREL_AVX512 void qrBlockAvx512(double* a, std::int64_t m, std::int64_t ld, const double* q, std::int64_t qld,
                                  std::int64_t jb, std::int64_t k0, std::int64_t w, double* rrow, std::int64_t n)
{
    if (w == 32) return qrBlock512<4, true>(a, m, ld, q, qld, jb, k0, w, rrow, n);
    switch ((w + 7) / 8) {
    case 1: return qrBlock512<1, false>(a, m, ld, q, qld, jb, k0, w, rrow, n);
    case 2: return qrBlock512<2, false>(a, m, ld, q, qld, jb, k0, w, rrow, n);
    case 3: return qrBlock512<3, false>(a, m, ld, q, qld, jb, k0, w, rrow, n);
    default: return qrBlock512<4, false>(a, m, ld, q, qld, jb, k0, w, rrow, n);
    }
}

// Modified Gram-Schmidt by panels of nb columns, on a copy of a whose row stride avoids multiples of
// 512 bytes (so that a store to one row and a load from the next do not collide in the caches).
// Within a panel the steps run column by column; then the normalised panel columns are copied side
// by side, and the steps of the whole panel are applied to each block of sw columns to its right
// while the block stays in cache. Every column still receives the steps in order, each projection
// summed over the rows in increasing order, so the bits are those of the plain loop.
using QrBlock = void (*)(double*, std::int64_t, std::int64_t, const double*, std::int64_t, std::int64_t,
                         std::int64_t, std::int64_t, double*, std::int64_t);

void qrPanels(double* out, std::int64_t m, std::int64_t n, double* r, std::int64_t nb, std::int64_t sw, QrBlock block)
{
    std::int64_t ld = (n + 7) / 8 * 8;
    if (ld % 64 == 0) ld += 8;
    AlignedBuffer work = alignedBuffer(m * ld);
    AlignedBuffer panel = alignedBuffer(m * nb);
    double* a = work.get();
    for (std::int64_t i = 0; i < m; ++i) std::copy(out + i * n, out + i * n + n, a + i * ld);

    for (std::int64_t j0 = 0; j0 < n; j0 += nb) {
        const std::int64_t jb = std::min(nb, n - j0);
        for (std::int64_t jj = j0; jj < j0 + jb; ++jj) {
            double s = 0.0;
            double c = 0.0;
            columnNormSum(a, m, ld, jj, s, c);
            const double nu = std::sqrt(s + c);
            r[jj * n + jj] = nu;
            normaliseColumn(a, m, ld, jj, nu);
            if (jj + 1 < j0 + jb) block(a, m, ld, a + jj, ld, 1, jj + 1, j0 + jb - jj - 1, r + jj * n, n);
        }
        if (j0 + jb >= n) break;
        for (std::int64_t i = 0; i < m; ++i) std::copy(a + i * ld + j0, a + i * ld + j0 + jb, panel.get() + i * nb);
        for (std::int64_t k0 = j0 + jb; k0 < n; k0 += sw)
            block(a, m, ld, panel.get(), nb, jb, k0, std::min(sw, n - k0), r + j0 * n, n);
    }

    for (std::int64_t i = 0; i < m; ++i) std::copy(a + i * ld, a + i * ld + n, out + i * n);
}

#endif  // KESTREL_X86


Isa detect() noexcept
{
#if KESTREL_X86
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq")) return Isa::Avx512;
    if (__builtin_cpu_supports("avx2")) return Isa::Avx2;
#endif
    return Isa::Scalar;
}

}  // namespace

Isa bestIsa() noexcept
{
    static const Isa isa = detect();
    return isa;
}

bool isaAvailable(Isa isa) noexcept
{
    return static_cast<int>(isa) <= static_cast<int>(bestIsa());
}

const char* isaName(Isa isa) noexcept
{
    switch (isa) {
    case Isa::Avx2: return "avx2";
    case Isa::Avx512: return "avx512";
    default: return "scalar";
    }
}

}  // namespace Orrin::Matrix::detail

namespace Orrin::Matrix::Dispatch {
namespace {
// The widest instruction set the kernels may use (useAtMost). Relaxed: every path gives the same
// bits, so a call racing with a change may take either.
std::atomic<Isa> limit{Isa::Avx512};
}  // namespace

Isa useAtMost(Isa isa) noexcept
{
    limit.store(isa, std::memory_order_relaxed);
    return active();
}

Isa active() noexcept
{
    const Isa isa = limit.load(std::memory_order_relaxed);
    return detail::isaAvailable(isa) ? isa : detail::bestIsa();
}

Isa best() noexcept { return detail::bestIsa(); }

const char* name(Isa isa) noexcept { return detail::isaName(isa); }

}  // namespace Orrin::Matrix::Dispatch

namespace Orrin::Matrix::detail {

void multiplyKernel(Isa isa, const double* a, std::int64_t r1, std::int64_t c1, const double* b, std::int64_t c2,
                    std::int64_t L, double* out)
{
    if (r1 == 0 || c2 == 0) return;
#if KESTREL_X86
    if (isa == Isa::Avx512 && isaAvailable(Isa::Avx512)) return multiplyAvx512(a, r1, c1, b, c2, L, out);
    if (isa == Isa::Avx2 && isaAvailable(Isa::Avx2)) return multiplyAvx2(a, r1, c1, b, c2, L, out);
#endif
    multiplyScalar(a, r1, c1, b, c2, L, out);
}

void qrKernel(Isa isa, double* a, std::int64_t m, std::int64_t n, double* r)
{
#if KESTREL_X86
    if (isa == Isa::Avx512 && isaAvailable(Isa::Avx512)) return qrPanels(a, m, n, r, 8, 32, qrBlockAvx512);
    if (isa == Isa::Avx2 && isaAvailable(Isa::Avx2)) return qrPanels(a, m, n, r, 8, 16, qrBlockAvx2);
#endif
    qrScalar(a, m, n, r);
}

}  // namespace Orrin::Matrix::detail
