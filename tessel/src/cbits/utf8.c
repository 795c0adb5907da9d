// SPDX-License-Identifier: MIT
/* cbits/utf8.c: the hs_tessel_ routines, the plain and word-at-a-time kernels, and the choice of
 * kernel level at load time. */
#include "Data/Tessel/cbits.h"
#include "cbits/kernels.h"

#include <stdatomic.h>
#include <string.h>

#if !defined(__BYTE_ORDER__) || __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "the word-at-a-time routines read words little-endian"
#endif

#define HIGH_BITS 0x8080808080808080ULL

static inline uint64_t load_word(const uint8_t *p) {
  uint64_t w;
  memcpy(&w, p, 8);
  return w;
}

/* The last r (< 8) bytes as the low bytes of a word; never reads past them. */
static inline uint64_t load_partial(const uint8_t *p, uint64_t r) {
  uint64_t w = 0;
  memcpy(&w, p, r);
  return w;
}

static inline int is_cont(uint8_t b) { return (b & 0xC0) == 0x80; }

/* Width of the sequence a lead byte starts, without validation. */
static inline uint64_t lead_width(uint8_t b) {
  if (b < 0x80) return 1;
  if ((b >> 4) == 0xE) return 3;
  if ((b >> 4) == 0xF) return 4;
  return 2;
}

/* ---- validation --------------------------------------------------------------------------- */

/* One sequence of the validation walk at *i (which starts a sequence, *i < n): 0 and *i advanced
 * past it when it is well formed, else the walk's result. */
static inline int32_t valid_step(const uint8_t *s, uint64_t n, uint64_t *ip) {
  const uint64_t i = *ip;
  const uint8_t c = s[i];
  if (c < 0x80) {
    *ip = i + 1;
  } else if ((c & 0xE0) == 0xC0) {
    if ((c & 0x1E) == 0) return 1;
    if (n - i < 2) return -1;
    if (!is_cont(s[i + 1])) return 1;
    *ip = i + 2;
  } else if ((c & 0xF0) == 0xE0) {
    if (n - i < 3) return (int32_t)(n - i) - 3;
    const uint8_t b1 = s[i + 1];
    if (!is_cont(b1)) return 1;
    if (((c & 0x0F) | (b1 & 0x20)) == 0) return 1;
    if (c == 0xED && (b1 & 0x20) != 0) return 1;
    if (!is_cont(s[i + 2])) return 1;
    *ip = i + 3;
  } else if ((c & 0xFC) == 0xF0) {
    if (n - i < 4) return (int32_t)(n - i) - 4;
    const uint8_t b1 = s[i + 1];
    if (!is_cont(b1)) return 1;
    if (((c & 0x03) | (b1 & 0x30)) == 0) return 1;
    if (!is_cont(s[i + 2]) || !is_cont(s[i + 3])) return 1;
    *ip = i + 4;
  } else if (c == 0xF4) {
    if (n - i < 4) return (int32_t)(n - i) - 4;
    if ((s[i + 1] & 0xF0) != 0x80) return 1;
    if (!is_cont(s[i + 2]) || !is_cont(s[i + 3])) return 1;
    *ip = i + 4;
  } else {
    return 1;
  }
  return 0;
}

/* The validation walk from position i, which must start a sequence (or be the size). */
int32_t tessel_valid_from(const uint8_t *s, uint64_t n, uint64_t i) {
  while (i < n) {
    const int32_t r = valid_step(s, n, &i);
    if (r != 0) return r;
  }
  return 0;
}

/* Start of the last sequence that begins before pos in a buffer whose bytes before pos passed
 * the vector checks: step back over at most three continuation bytes, then over the lead. */
uint64_t tessel_code_point_start(const uint8_t *s, uint64_t pos) {
  uint64_t q = pos;
  int k = 0;
  while (q > 0 && k < 3 && is_cont(s[q - 1])) {
    --q;
    ++k;
  }
  return q > 0 ? q - 1 : 0;
}

static int32_t valid_plain(const uint8_t *s, uint64_t n) { return tessel_valid_from(s, n, 0); }

/* Word at a time: a whole word of ASCII is skipped whenever the walk stands on a sequence start. */
static int32_t valid_word(const uint8_t *s, uint64_t n) {
  uint64_t i = 0;
  while (i < n) {
    if (i + 8 <= n && (load_word(s + i) & HIGH_BITS) == 0) {
      i += 8;
      continue;
    }
    const int32_t r = valid_step(s, n, &i);
    if (r != 0) return r;
  }
  return 0;
}

/* ---- counting and ASCII tests ------------------------------------------------------------- */

static uint64_t length_plain(const uint8_t *s, uint64_t n) {
  uint64_t count = 0;
  for (uint64_t i = 0; i < n; ++i) count += !is_cont(s[i]);
  return count;
}

/* Continuation bytes have bit 7 set and bit 6 clear. */
static inline uint64_t count_cont_word(uint64_t w) {
  return (uint64_t)__builtin_popcountll(w & ~(w << 1) & HIGH_BITS);
}

static uint64_t length_word(const uint8_t *s, uint64_t n) {
  uint64_t cont = 0, i = 0;
  for (; i + 8 <= n; i += 8) cont += count_cont_word(load_word(s + i));
  if (i < n) {
    const uint64_t r = n - i;
    /* Zero padding is not a continuation byte. */
    cont += count_cont_word(load_partial(s + i, r));
  }
  return n - cont;
}

static uint64_t ascii_length_plain(const uint8_t *s, uint64_t n) {
  uint64_t i = 0;
  if (n >= 8) {
    const uint64_t words = n / 8;
    for (uint64_t k = 0; k < words; ++k, i += 8)
      if (load_word(s + i) & HIGH_BITS) break;
  }
  while (i < n && s[i] < 0x80) ++i;
  return i;
}

static uint64_t ascii_length_word(const uint8_t *s, uint64_t n) {
  uint64_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const uint64_t m = load_word(s + i) & HIGH_BITS;
    if (m) return i + ((uint64_t)__builtin_ctzll(m) >> 3);
  }
  if (i < n) {
    const uint64_t m = load_partial(s + i, n - i) & HIGH_BITS;
    return m ? i + ((uint64_t)__builtin_ctzll(m) >> 3) : n;
  }
  return n;
}

/* The masked last word is assembled from the bytes that exist, so a buffer need not be allocated
 * in whole words; the result is the one a whole-word read would give. */
static int32_t is_ascii_word(const uint8_t *s, uint64_t n) {
  if (n <= 1) return 1;
  if (n < 8) return (load_partial(s, n) & (HIGH_BITS >> (64 - 8 * n))) == 0;
  const uint64_t words = n / 8;
  for (uint64_t k = 0; k < words; ++k)
    if (load_word(s + 8 * k) & HIGH_BITS) return 0;
  const uint64_t r = n % 8;
  if (r == 0) return 1;
  return (load_partial(s + 8 * words, r) & (HIGH_BITS >> (64 - 8 * r))) == 0;
}

static int32_t is_ascii_plain(const uint8_t *s, uint64_t n) {
  if (n <= 1) return 1;
  for (uint64_t i = 0; i < n; ++i)
    if (s[i] & 0x80) return 0;
  return 1;
}

static const tessel_kernels kernels_plain = {"plain", length_plain, valid_plain,
                                             ascii_length_plain, is_ascii_plain};
static const tessel_kernels kernels_word = {"word", length_word, valid_word, ascii_length_word,
                                            is_ascii_word};

/* ---- choice of level ---------------------------------------------------------------------- */

static int cpu_has_avx2(void) {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
}

static int cpu_has_avx512(void) {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("popcnt");
}

const tessel_kernels *tessel_cbits_kernels(int level) {
  switch (level) {
    case TESSEL_LEVEL_PLAIN: return &kernels_plain;
    case TESSEL_LEVEL_WORD: return &kernels_word;
    case TESSEL_LEVEL_AVX2: return cpu_has_avx2() ? &tessel_kernels_avx2 : NULL;
    case TESSEL_LEVEL_AVX512: return cpu_has_avx512() ? &tessel_kernels_avx512 : NULL;
    default: return NULL;
  }
}

/* The kernels the public routines use and their level, set by hs_tessel_use_level. Relaxed
 * atomics: every level gives the same results, so a caller racing with a change may use either. */
static const tessel_kernels *_Atomic active;
static _Atomic int active_level;

static int best_level_up_to(int max_level) {
  if (max_level >= TESSEL_LEVEL_AVX512 && cpu_has_avx512()) return TESSEL_LEVEL_AVX512;
  if (max_level >= TESSEL_LEVEL_AVX2 && cpu_has_avx2()) return TESSEL_LEVEL_AVX2;
  if (max_level >= TESSEL_LEVEL_WORD) return TESSEL_LEVEL_WORD;
  return TESSEL_LEVEL_PLAIN;
}

int32_t hs_tessel_use_level(int32_t max_level) {
  const int level = best_level_up_to(max_level);
  atomic_store_explicit(&active_level, level, memory_order_relaxed);
  atomic_store_explicit(&active, tessel_cbits_kernels(level), memory_order_relaxed);
  return level;
}

/* Set when the library is loaded, before any caller can reach the routines. */
__attribute__((constructor)) static void choose_at_load(void) { hs_tessel_use_level(TESSEL_LEVEL_AVX512); }

int32_t hs_tessel_level(void) {
  if (atomic_load_explicit(&active, memory_order_relaxed) == NULL) choose_at_load();
  return atomic_load_explicit(&active_level, memory_order_relaxed);
}

const tessel_kernels *tessel_cbits_active(void) {
  const tessel_kernels *k = atomic_load_explicit(&active, memory_order_relaxed);
  return k ? k : tessel_cbits_kernels(best_level_up_to(TESSEL_LEVEL_AVX512));
}

uint64_t hs_tessel_length(const uint8_t *buf, uint64_t size) {
  return tessel_cbits_active()->length(buf, size);
}

int32_t hs_tessel_is_valid_utf8(const uint8_t *buf, uint64_t size) {
  return tessel_cbits_active()->is_valid_utf8(buf, size);
}

uint64_t hs_tessel_ascii_length(const uint8_t *buf, uint64_t size) {
  return tessel_cbits_active()->ascii_length(buf, size);
}

int32_t hs_tessel_is_ascii(const uint8_t *buf, uint64_t size) {
  return tessel_cbits_active()->is_ascii(buf, size);
}

/* ---- stepping and decoding (input is well-formed UTF-8) ----------------------------------- */

uint64_t hs_tessel_index_ofs(const uint8_t *s, uint64_t n, uint64_t i) {
  if (n == 0 || i == 0) return 0;
  if (i >= n) return n;
  uint64_t ofs = 0;
  for (;;) {
    ofs += lead_width(s[ofs]);
    if (i == 1) return ofs;
    --i;
    if (n - ofs <= i) return n;
  }
}

uint64_t hs_tessel_index_ofs_rev(const uint8_t *s, uint64_t n, uint64_t i) {
  if (n <= i) return n;
  uint64_t ofs = n;
  for (;;) {
    if (s[ofs - 1] < 0x80)
      ofs -= 1;
    else if (!is_cont(s[ofs - 2]))
      ofs -= 2;
    else if (!is_cont(s[ofs - 3]))
      ofs -= 3;
    else
      ofs -= 4;
    if (i == 0) return ofs;
    --i;
    if (ofs <= i) return n;
  }
}

uint32_t hs_tessel_ofs_cp(const uint8_t *s, uint64_t ofs) {
  const uint32_t b0 = s[ofs];
  if (b0 < 0x80) return b0;
  if ((b0 >> 4) == 0xE)
    return (b0 & 0x0F) << 12 | (uint32_t)(s[ofs + 1] & 0x3F) << 6 | (uint32_t)(s[ofs + 2] & 0x3F);
  if ((b0 >> 4) == 0xF)
    return (b0 & 0x07) << 18 | (uint32_t)(s[ofs + 1] & 0x3F) << 12 |
           (uint32_t)(s[ofs + 2] & 0x3F) << 6 | (uint32_t)(s[ofs + 3] & 0x3F);
  return (b0 & 0x1F) << 6 | (uint32_t)(s[ofs + 1] & 0x3F);
}

uint32_t hs_tessel_ofs_cp_rev(const uint8_t *s, uint64_t ofs) {
  const uint32_t c = s[ofs - 1];
  if (c < 0x80) return c;
  const uint32_t p1 = s[ofs - 2];
  const uint32_t r = (p1 & 0x3F) << 6 | (c & 0x3F);
  if (p1 & 0x40) return r;
  const uint32_t p2 = s[ofs - 3];
  if (p2 & 0x40) return (p2 & 0x0F) << 12 | r;
  const uint32_t p3 = s[ofs - 4];
  return (p3 & 0x07) << 18 | (p2 & 0x3F) << 12 | r;
}

int64_t hs_tessel_index_cp(const uint8_t *s, uint64_t n, uint64_t i) {
  const uint64_t ofs = hs_tessel_index_ofs(s, n, i);
  if (ofs >= n) return -1;
  return hs_tessel_ofs_cp(s, ofs);
}

int64_t hs_tessel_index_cp_rev(const uint8_t *s, uint64_t n, uint64_t i) {
  const uint64_t ofs = hs_tessel_index_ofs_rev(s, n, i);
  if (ofs >= n) return -1;
  return hs_tessel_ofs_cp(s, ofs);
}

/* ---- modified UTF-8 ----------------------------------------------------------------------- */

/* Bytes of the sequence starting at p, cut short at a NUL so that malformed data never leads the
 * walk past its terminator. */
static inline uint64_t mutf8_step(const uint8_t *p) {
  const uint64_t w = lead_width(p[0]);
  uint64_t k = 1;
  while (k < w && p[k] != 0) ++k;
  return k;
}

/* A surrogate stored as its own sequence: ED A0..BF xx, all three bytes present. */
static inline int mutf8_surrogate(const uint8_t *p) {
  return p[0] == 0xED && (p[1] & 0x20) != 0 && p[2] != 0;
}

int64_t hs_tessel_mutf8_strlen(const char *str) {
  const uint8_t *p = (const uint8_t *)str;
  if (p[0] == 0) return 0;
  int64_t j = 0, nuls = 0;
  int surrogate = 0;
  while (p[j] != 0) {
    const uint8_t b = p[j];
    if ((b >> 4) == 0xE && !surrogate && mutf8_surrogate(p + j)) surrogate = 1;
    if (b == 0xC0 && p[j + 1] == 0x80) ++nuls;
    j += (int64_t)mutf8_step(p + j);
  }
  if (nuls == 0 && !surrogate) return j;
  return nuls - j;
}

void hs_tessel_mutf8_trans(const char *str, uint8_t *dst) {
  const uint8_t *p = (const uint8_t *)str;
  while (*p != 0) {
    if (p[0] == 0xC0 && p[1] == 0x80) {
      *dst++ = 0;
      p += 2;
    } else if ((p[0] >> 4) == 0xE && mutf8_surrogate(p)) {
      dst[0] = 0xEF;
      dst[1] = 0xBF;
      dst[2] = 0xBD;
      dst += 3;
      p += 3;
    } else {
      const uint64_t k = mutf8_step(p);
      memcpy(dst, p, k);
      dst += k;
      p += k;
    }
  }
}
