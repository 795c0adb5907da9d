// SPDX-License-Identifier: MIT
/* cbits/simd.c: AVX2 and AVX-512 kernels for validation, counting and the ASCII tests.
 *
 * Validation classifies every byte by its own high nibble and the two nibbles of the byte before it
 * (three table look-ups whose AND is non-zero exactly for an invalid pair), and checks that the
 * bytes two and three places after a 3- or 4-byte lead are continuation bytes. The vector loop only
 * decides whether a block is clean: at the first block that is not, and for the bytes after the
 * last whole block, the plain walk takes over from the start of the last sequence before the block,
 * so the result codes are exactly those of the plain rules. */
#include "cbits/kernels.h"

#include <immintrin.h>
#include <string.h>

/* Error classes of a (previous byte, byte) pair. */
#define TOO_SHORT (1 << 0)  /* lead followed by a lead or by ASCII */
#define TOO_LONG (1 << 1)   /* ASCII followed by a continuation */
#define OVERLONG_3 (1 << 2) /* E0 80..9F */
#define TOO_LARGE (1 << 3)  /* F4 90..BF, F5..FF followed by 90..BF */
#define SURROGATE (1 << 4)  /* ED A0..BF */
#define OVERLONG_2 (1 << 5) /* C0 or C1 followed by a continuation */
#define TOO_LARGE_1000 (1 << 6) /* F5..FF followed by 80..8F */
#define OVERLONG_4 (1 << 6) /* F0 80..8F */
#define TWO_CONTS (1 << 7)  /* continuation followed by continuation */
#define CARRY (TOO_SHORT | TOO_LONG | TWO_CONTS)

#define TABLE_BYTE1_HIGH                                                                     \
  TOO_LONG, TOO_LONG, TOO_LONG, TOO_LONG, TOO_LONG, TOO_LONG, TOO_LONG, TOO_LONG, TWO_CONTS, \
      TWO_CONTS, TWO_CONTS, TWO_CONTS, TOO_SHORT | OVERLONG_2, TOO_SHORT,                    \
      TOO_SHORT | OVERLONG_3 | SURROGATE, TOO_SHORT | TOO_LARGE | TOO_LARGE_1000 | OVERLONG_4

#define TABLE_BYTE1_LOW                                                                        \
  CARRY | OVERLONG_3 | OVERLONG_2 | OVERLONG_4, CARRY | OVERLONG_2, CARRY, CARRY,              \
      CARRY | TOO_LARGE, CARRY | TOO_LARGE | TOO_LARGE_1000, CARRY | TOO_LARGE | TOO_LARGE_1000, \
      CARRY | TOO_LARGE | TOO_LARGE_1000, CARRY | TOO_LARGE | TOO_LARGE_1000,                  \
      CARRY | TOO_LARGE | TOO_LARGE_1000, CARRY | TOO_LARGE | TOO_LARGE_1000,                  \
      CARRY | TOO_LARGE | TOO_LARGE_1000, CARRY | TOO_LARGE | TOO_LARGE_1000,                  \
      CARRY | TOO_LARGE | TOO_LARGE_1000 | SURROGATE, CARRY | TOO_LARGE | TOO_LARGE_1000,      \
      CARRY | TOO_LARGE | TOO_LARGE_1000

#define TABLE_BYTE2_HIGH                                                                      \
  TOO_SHORT, TOO_SHORT, TOO_SHORT, TOO_SHORT, TOO_SHORT, TOO_SHORT, TOO_SHORT, TOO_SHORT,     \
      TOO_LONG | OVERLONG_2 | TWO_CONTS | OVERLONG_3 | TOO_LARGE_1000 | OVERLONG_4,           \
      TOO_LONG | OVERLONG_2 | TWO_CONTS | OVERLONG_3 | TOO_LARGE,                             \
      TOO_LONG | OVERLONG_2 | TWO_CONTS | SURROGATE | TOO_LARGE,                              \
      TOO_LONG | OVERLONG_2 | TWO_CONTS | SURROGATE | TOO_LARGE, TOO_SHORT, TOO_SHORT, TOO_SHORT, \
      TOO_SHORT

/* Whether the block ending at p (exclusive) ends inside a sequence. */
static inline int ends_inside(const uint8_t *end) {
  return end[-1] >= 0xC0 || end[-2] >= 0xE0 || end[-3] >= 0xF0;
}

/* ---- AVX2 --------------------------------------------------------------------------------- */

#define AVX2 __attribute__((target("avx2,popcnt")))

AVX2 static inline __m256i avx2_table(const uint8_t t[16]) {
  return _mm256_broadcastsi128_si256(_mm_loadu_si128((const __m128i *)t));
}

AVX2 static inline __m256i avx2_high_nibble(__m256i x) {
  return _mm256_and_si256(_mm256_srli_epi16(x, 4), _mm256_set1_epi8(0x0F));
}

/* Errors of a 32-byte block given the block before it. */
AVX2 static inline __m256i avx2_block_errors(__m256i in, __m256i prev, __m256i t1h, __m256i t1l,
                                              __m256i t2h) {
  const __m256i carried = _mm256_permute2x128_si256(prev, in, 0x21);
  const __m256i prev1 = _mm256_alignr_epi8(in, carried, 15);
  const __m256i prev2 = _mm256_alignr_epi8(in, carried, 14);
  const __m256i prev3 = _mm256_alignr_epi8(in, carried, 13);
  const __m256i b1h = _mm256_shuffle_epi8(t1h, avx2_high_nibble(prev1));
  const __m256i b1l = _mm256_shuffle_epi8(t1l, _mm256_and_si256(prev1, _mm256_set1_epi8(0x0F)));
  const __m256i b2h = _mm256_shuffle_epi8(t2h, avx2_high_nibble(in));
  const __m256i special = _mm256_and_si256(_mm256_and_si256(b1h, b1l), b2h);
  const __m256i third = _mm256_subs_epu8(prev2, _mm256_set1_epi8((char)(0xE0 - 0x80)));
  const __m256i fourth = _mm256_subs_epu8(prev3, _mm256_set1_epi8((char)(0xF0 - 0x80)));
  const __m256i must = _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8((char)0x80));
  return _mm256_xor_si256(must, special);
}

AVX2 static int32_t valid_avx2(const uint8_t *s, uint64_t n) {
  static const uint8_t t1h[16] = {TABLE_BYTE1_HIGH};
  static const uint8_t t1l[16] = {TABLE_BYTE1_LOW};
  static const uint8_t t2h[16] = {TABLE_BYTE2_HIGH};
  const __m256i v1h = avx2_table(t1h), v1l = avx2_table(t1l), v2h = avx2_table(t2h);
  __m256i prev = _mm256_setzero_si256();
  int pending = 0; /* the previous block ended inside a sequence */
  uint64_t i = 0;
  while (i + 32 <= n) {
    const __m256i in = _mm256_loadu_si256((const __m256i *)(s + i));
    if (_mm256_movemask_epi8(in) == 0) {
      if (pending) break;
    } else {
      const __m256i err = avx2_block_errors(in, prev, v1h, v1l, v2h);
      if (!_mm256_testz_si256(err, err)) break;
      pending = ends_inside(s + i + 32);
    }
    prev = in;
    i += 32;
  }
  return tessel_valid_from(s, n, tessel_code_point_start(s, i));
}

AVX2 static uint64_t length_avx2(const uint8_t *s, uint64_t n) {
  const __m256i limit = _mm256_set1_epi8(-65); /* bytes above it (signed) are not continuations */
  uint64_t count = 0, i = 0;
  for (; i + 32 <= n; i += 32) {
    const __m256i in = _mm256_loadu_si256((const __m256i *)(s + i));
    count += (uint64_t)_mm_popcnt_u32((uint32_t)_mm256_movemask_epi8(_mm256_cmpgt_epi8(in, limit)));
  }
  for (; i < n; ++i) count += (s[i] & 0xC0) != 0x80;
  return count;
}

AVX2 static uint64_t ascii_length_avx2(const uint8_t *s, uint64_t n) {
  uint64_t i = 0;
  for (; i + 32 <= n; i += 32) {
    const uint32_t m = (uint32_t)_mm256_movemask_epi8(_mm256_loadu_si256((const __m256i *)(s + i)));
    if (m) return i + (uint64_t)__builtin_ctz(m);
  }
  while (i < n && s[i] < 0x80) ++i;
  return i;
}

AVX2 static int32_t is_ascii_avx2(const uint8_t *s, uint64_t n) {
  if (n <= 1) return 1;
  uint64_t i = 0;
  for (; i + 128 <= n; i += 128) {
    const __m256i a = _mm256_loadu_si256((const __m256i *)(s + i));
    const __m256i b = _mm256_loadu_si256((const __m256i *)(s + i + 32));
    const __m256i c = _mm256_loadu_si256((const __m256i *)(s + i + 64));
    const __m256i d = _mm256_loadu_si256((const __m256i *)(s + i + 96));
    if (_mm256_movemask_epi8(_mm256_or_si256(_mm256_or_si256(a, b), _mm256_or_si256(c, d))))
      return 0;
  }
  for (; i + 32 <= n; i += 32)
    if (_mm256_movemask_epi8(_mm256_loadu_si256((const __m256i *)(s + i)))) return 0;
  uint8_t acc = 0;
  for (; i < n; ++i) acc |= s[i];
  return (acc & 0x80) == 0;
}

const tessel_kernels tessel_kernels_avx2 = {"avx2", length_avx2, valid_avx2, ascii_length_avx2,
                                            is_ascii_avx2};

/* ---- AVX-512 ------------------------------------------------------------------------------ */

#define AVX512 __attribute__((target("avx512f,avx512bw,avx512vl,popcnt")))

AVX512 static inline __m512i avx512_table(const uint8_t t[16]) {
  return _mm512_broadcast_i32x4(_mm_loadu_si128((const __m128i *)t));
}

AVX512 static inline __m512i avx512_high_nibble(__m512i x) {
  return _mm512_and_si512(_mm512_srli_epi16(x, 4), _mm512_set1_epi8(0x0F));
}

/* Errors of a 64-byte block given the block before it. */
AVX512 static inline __m512i avx512_block_errors(__m512i in, __m512i prev, __m512i t1h,
                                                  __m512i t1l, __m512i t2h) {
  /* Each 16-byte lane of `carried` holds the lane before the same lane of `in`. */
  const __m512i lanes = _mm512_setr_epi32(28, 29, 30, 31, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11);
  const __m512i carried = _mm512_permutex2var_epi32(in, lanes, prev);
  const __m512i prev1 = _mm512_alignr_epi8(in, carried, 15);
  const __m512i prev2 = _mm512_alignr_epi8(in, carried, 14);
  const __m512i prev3 = _mm512_alignr_epi8(in, carried, 13);
  const __m512i b1h = _mm512_shuffle_epi8(t1h, avx512_high_nibble(prev1));
  const __m512i b1l = _mm512_shuffle_epi8(t1l, _mm512_and_si512(prev1, _mm512_set1_epi8(0x0F)));
  const __m512i b2h = _mm512_shuffle_epi8(t2h, avx512_high_nibble(in));
  const __m512i special = _mm512_ternarylogic_epi32(b1h, b1l, b2h, 0x80); /* a & b & c */
  const __m512i third = _mm512_subs_epu8(prev2, _mm512_set1_epi8((char)(0xE0 - 0x80)));
  const __m512i fourth = _mm512_subs_epu8(prev3, _mm512_set1_epi8((char)(0xF0 - 0x80)));
  /* ((third | fourth) & 0x80) ^ special */
  return _mm512_ternarylogic_epi32(_mm512_or_si512(third, fourth), _mm512_set1_epi8((char)0x80), special, 0x6A);
}

/* The bytes below n of a block, as a load mask (all 64 for n >= 64). */
static inline __mmask64 low_bytes(uint64_t n) { return n >= 64 ? ~(__mmask64)0 : (((__mmask64)1 << n) - 1); }

/* Loads are aligned to 64 bytes wherever the buffer is long enough to have a boundary inside it,
 * so that no load spans two cache lines: the first block is read from the boundary at or before
 * the start, with the bytes before the start masked out (read as zero), and the last block with
 * the bytes past the end masked out. Masked-out bytes are never read from memory. A buffer of at
 * most 64 bytes is one masked load from its start. */
typedef struct {
  const uint8_t *base; /* the 64-byte boundary at or before the start */
  uint64_t skip;       /* bytes of the first block before the start */
} aligned_blocks;

static inline aligned_blocks align_down(const uint8_t *s) {
  const uint64_t skip = (uint64_t)((uintptr_t)s & 63);
  const aligned_blocks b = {(const uint8_t *)((uintptr_t)s - skip), skip};
  return b;
}

/* Whether a block ends inside a sequence (a lead among its last three bytes that needs more). */
AVX512 static inline int avx512_ends_inside(__m512i in) {
  /* 0xF0 at byte 61, 0xE0 at byte 62, 0xC0 at byte 63: a byte at or above it opens a sequence
   * that the block does not finish. */
  const __m512i limits = _mm512_set_epi64((long long)0xC0E0F0FFFFFFFFFFULL, -1, -1, -1, -1, -1, -1, -1);
  return (_mm512_cmpge_epu8_mask(in, limits) >> 61) != 0;
}

static const uint8_t table1h[16] = {TABLE_BYTE1_HIGH};
static const uint8_t table1l[16] = {TABLE_BYTE1_LOW};
static const uint8_t table2h[16] = {TABLE_BYTE2_HIGH};

/* Whether up to 16 bytes are well formed, in one 16-byte register: the bytes before them read as
 * zero, like those past the end, so the previous bytes are plain byte shifts. A lead among the
 * last three places that needs more bytes than the register holds ends the input inside a
 * sequence; the zeros past a shorter input catch the same thing. */
AVX512 static inline int clean16(const uint8_t *s, uint64_t n) {
  /* No separate test for ASCII: the whole check is cheaper than a mispredicted branch on texts
   * that mix ASCII and other scripts. */
  const __m128i in = _mm_maskz_loadu_epi8((__mmask16)((1u << n) - 1), s);
  const __m128i low = _mm_set1_epi8(0x0F);
  const __m128i prev1 = _mm_bslli_si128(in, 1);
  const __m128i b1h = _mm_shuffle_epi8(_mm_loadu_si128((const __m128i *)table1h),
                                       _mm_and_si128(_mm_srli_epi16(prev1, 4), low));
  const __m128i b1l = _mm_shuffle_epi8(_mm_loadu_si128((const __m128i *)table1l), _mm_and_si128(prev1, low));
  const __m128i b2h = _mm_shuffle_epi8(_mm_loadu_si128((const __m128i *)table2h),
                                       _mm_and_si128(_mm_srli_epi16(in, 4), low));
  const __m128i special = _mm_ternarylogic_epi32(b1h, b1l, b2h, 0x80); /* a & b & c */
  const __m128i third = _mm_subs_epu8(_mm_bslli_si128(in, 2), _mm_set1_epi8((char)(0xE0 - 0x80)));
  const __m128i fourth = _mm_subs_epu8(_mm_bslli_si128(in, 3), _mm_set1_epi8((char)(0xF0 - 0x80)));
  const __m128i must = _mm_and_si128(_mm_or_si128(third, fourth), _mm_set1_epi8((char)0x80));
  /* 0xF0 at byte 13, 0xE0 at byte 14, 0xC0 at byte 15 (the same limits as a whole block's). */
  const __m128i limits = _mm_set_epi64x((long long)0xC0E0F0FFFFFFFFFFULL, -1);
  const __m128i err = _mm_xor_si128(must, special);
  return _mm_test_epi8_mask(err, err) == 0 && (_mm_cmpge_epu8_mask(in, limits) >> 13) == 0;
}

/* Buffers of more than 16 bytes; kept out of line so that the short path does not pay for its
 * prologue. */
AVX512 __attribute__((noinline)) static int32_t valid_avx512_blocks(const uint8_t *s, uint64_t n) {
  const __m512i v1h = avx512_table(table1h), v1l = avx512_table(table1l), v2h = avx512_table(table2h);
  const __m512i zero = _mm512_setzero_si512();
  if (n <= 64) {
    /* One block; the zeros past the end catch a sequence cut short there, except when the block
     * is full. */
    const __m512i in = _mm512_maskz_loadu_epi8(low_bytes(n), s);
    if (_mm512_movepi8_mask(in) == 0) return 0;
    const __m512i err = avx512_block_errors(in, zero, v1h, v1l, v2h);
    if (_mm512_test_epi8_mask(err, err) == 0 && (n < 64 || !avx512_ends_inside(in))) return 0;
    return tessel_valid_from(s, n, 0);
  }
  const aligned_blocks a = align_down(s);
  const uint8_t *p = a.base;
  const uint64_t end = a.skip + n; /* positions count from p */
  __m512i prev = zero;
  int pending = 0; /* the previous block ended inside a sequence */
  uint64_t i = 0;
  if (a.skip != 0) {
    /* The zeros before the start stand for ASCII, as the block before a buffer does. */
    const __m512i in = _mm512_maskz_loadu_epi8(~(__mmask64)0 << a.skip, p);
    if (_mm512_movepi8_mask(in) != 0) {
      const __m512i err = avx512_block_errors(in, zero, v1h, v1l, v2h);
      if (_mm512_test_epi8_mask(err, err)) return tessel_valid_from(s, n, 0);
      pending = avx512_ends_inside(in);
    }
    prev = in;
    i = 64;
  }
  /* Four blocks at a time: a run of ASCII is skipped, anything else checked in full (the checks
   * of a block see the carry from the block before it, so only the last bytes of the group need
   * a separate test for a sequence cut short). */
  while (i + 256 <= end) {
    const __m512i b0 = _mm512_load_si512(p + i);
    const __m512i b1 = _mm512_load_si512(p + i + 64);
    const __m512i b2 = _mm512_load_si512(p + i + 128);
    const __m512i b3 = _mm512_load_si512(p + i + 192);
    const __m512i all = _mm512_or_si512(_mm512_or_si512(b0, b1), _mm512_or_si512(b2, b3));
    if (_mm512_movepi8_mask(all) == 0) {
      if (pending) goto plain;
    } else {
      const __m512i e0 = _mm512_or_si512(avx512_block_errors(b0, prev, v1h, v1l, v2h),
                                         avx512_block_errors(b1, b0, v1h, v1l, v2h));
      const __m512i e1 = _mm512_or_si512(avx512_block_errors(b2, b1, v1h, v1l, v2h),
                                         avx512_block_errors(b3, b2, v1h, v1l, v2h));
      const __m512i err = _mm512_or_si512(e0, e1);
      if (_mm512_test_epi8_mask(err, err)) goto plain;
      pending = ends_inside(p + i + 256);
    }
    prev = b3;
    i += 256;
  }
  /* The remaining blocks one at a time, the last one masked: its zeros past the end catch a
   * sequence cut short there. */
  while (i < end) {
    const __m512i in = _mm512_maskz_loadu_epi8(low_bytes(end - i), p + i);
    if (_mm512_movepi8_mask(in) == 0) {
      if (pending) goto plain;
    } else {
      const __m512i err = avx512_block_errors(in, prev, v1h, v1l, v2h);
      if (_mm512_test_epi8_mask(err, err)) goto plain;
      pending = avx512_ends_inside(in);
    }
    prev = in;
    i += 64;
  }
  if (!pending) return 0;
plain:
  /* The block at i (or the end) is not clean: the byte rules decide, from the start of the last
   * sequence before it. */
  return tessel_valid_from(s, n, i <= a.skip ? 0 : tessel_code_point_start(s, i - a.skip));
}

AVX512 static int32_t valid_avx512(const uint8_t *s, uint64_t n) {
  if (n <= 16) return clean16(s, n) ? 0 : tessel_valid_from(s, n, 0);
  return valid_avx512_blocks(s, n);
}

AVX512 static uint64_t length_avx512(const uint8_t *s, uint64_t n) {
  const __m512i limit = _mm512_set1_epi8(-65); /* bytes above it (signed) are not continuations */
  if (n <= 64) {
    const __mmask64 keep = low_bytes(n);
    return (uint64_t)_mm_popcnt_u64(_mm512_mask_cmpgt_epi8_mask(keep, _mm512_maskz_loadu_epi8(keep, s), limit));
  }
  const aligned_blocks a = align_down(s);
  const uint8_t *p = a.base;
  const uint64_t end = a.skip + n;
  const __mmask64 head = ~(__mmask64)0 << a.skip;
  uint64_t c0 = (uint64_t)_mm_popcnt_u64(_mm512_mask_cmpgt_epi8_mask(head, _mm512_maskz_loadu_epi8(head, p), limit));
  uint64_t c1 = 0, i = 64;
  for (; i + 128 <= end; i += 128) {
    c0 += (uint64_t)_mm_popcnt_u64(_mm512_cmpgt_epi8_mask(_mm512_load_si512(p + i), limit));
    c1 += (uint64_t)_mm_popcnt_u64(_mm512_cmpgt_epi8_mask(_mm512_load_si512(p + i + 64), limit));
  }
  for (; i < end; i += 64) {
    const __mmask64 keep = low_bytes(end - i);
    c1 += (uint64_t)_mm_popcnt_u64(_mm512_mask_cmpgt_epi8_mask(keep, _mm512_maskz_loadu_epi8(keep, p + i), limit));
  }
  return c0 + c1;
}

AVX512 static uint64_t ascii_length_avx512(const uint8_t *s, uint64_t n) {
  if (n <= 64) {
    const uint64_t m = _mm512_movepi8_mask(_mm512_maskz_loadu_epi8(low_bytes(n), s));
    return m ? (uint64_t)__builtin_ctzll(m) : n;
  }
  const aligned_blocks a = align_down(s);
  const uint8_t *p = a.base;
  const uint64_t end = a.skip + n;
  for (uint64_t i = 0; i < end; i += 64) {
    const __mmask64 keep = (i == 0 ? ~(__mmask64)0 << a.skip : ~(__mmask64)0) & low_bytes(end - i);
    const uint64_t m = _mm512_movepi8_mask(_mm512_maskz_loadu_epi8(keep, p + i));
    if (m) return i + (uint64_t)__builtin_ctzll(m) - a.skip;
  }
  return n;
}

AVX512 static int32_t is_ascii_avx512(const uint8_t *s, uint64_t n) {
  if (n <= 1) return 1;
  if (n <= 64) return _mm512_movepi8_mask(_mm512_maskz_loadu_epi8(low_bytes(n), s)) == 0;
  const aligned_blocks a = align_down(s);
  const uint8_t *p = a.base;
  const uint64_t end = a.skip + n;
  if (_mm512_movepi8_mask(_mm512_maskz_loadu_epi8(~(__mmask64)0 << a.skip, p))) return 0;
  uint64_t i = 64;
  for (; i + 256 <= end; i += 256) {
    const __m512i b0 = _mm512_load_si512(p + i);
    const __m512i b1 = _mm512_load_si512(p + i + 64);
    const __m512i b2 = _mm512_load_si512(p + i + 128);
    const __m512i b3 = _mm512_load_si512(p + i + 192);
    if (_mm512_movepi8_mask(_mm512_or_si512(_mm512_or_si512(b0, b1), _mm512_or_si512(b2, b3))))
      return 0;
  }
  for (; i < end; i += 64)
    if (_mm512_movepi8_mask(_mm512_maskz_loadu_epi8(low_bytes(end - i), p + i))) return 0;
  return 1;
}

const tessel_kernels tessel_kernels_avx512 = {"avx512", length_avx512, valid_avx512,
                                              ascii_length_avx512, is_ascii_avx512};
