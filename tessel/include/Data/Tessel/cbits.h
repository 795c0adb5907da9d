// SPDX-License-Identifier: MIT
/* Data/Tessel/cbits.h: the byte-level UTF-8 routines behind Tessel, callable from C and C++.
 *   int32_t status = hs_tessel_is_valid_utf8(bytes, size);   (0 valid, 1 invalid, <0 cut short)
 *
 * The routines take a pointer and a byte count, allocate nothing, never fail and keep no state.
 * Except for hs_tessel_is_valid_utf8 and the two modified-UTF-8 routines, every routine assumes
 * well-formed UTF-8 and does no checking of its own. */
#ifndef DATA_TESSEL_CBITS_H
#define DATA_TESSEL_CBITS_H

#include <tessel/export.hpp>

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/** Number of code points: the bytes that are not continuation bytes (10xxxxxx). */
TESSEL_API uint64_t hs_tessel_length(const uint8_t *buf, uint64_t size);

/** Byte offset of code point i counted from the front; size when there is no such code point
 *  (0 for an empty buffer or i = 0). */
TESSEL_API uint64_t hs_tessel_index_ofs(const uint8_t *buf, uint64_t size, uint64_t i);

/** Byte offset of the start of code point i counted from the back (0 = last code point); size
 *  when there is no such code point. */
TESSEL_API uint64_t hs_tessel_index_ofs_rev(const uint8_t *buf, uint64_t size, uint64_t i);

/** The code point whose first byte is at ofs. */
TESSEL_API uint32_t hs_tessel_ofs_cp(const uint8_t *buf, uint64_t ofs);

/** The code point whose last byte is at ofs - 1. */
TESSEL_API uint32_t hs_tessel_ofs_cp_rev(const uint8_t *buf, uint64_t ofs);

/** Code point i from the front, or -1. */
TESSEL_API int64_t hs_tessel_index_cp(const uint8_t *buf, uint64_t size, uint64_t i);

/** Code point i from the back (0 = last), or -1. */
TESSEL_API int64_t hs_tessel_index_cp_rev(const uint8_t *buf, uint64_t size, uint64_t i);

/** 0 when the bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing above
 *  U+10FFFF), 1 when they are not, and -1, -2 or -3 when they end inside a sequence whose present
 *  bytes were not yet found wrong (minus the number of missing bytes). */
TESSEL_API int32_t hs_tessel_is_valid_utf8(const uint8_t *buf, uint64_t size);

/** Number of leading bytes below 0x80. */
TESSEL_API uint64_t hs_tessel_ascii_length(const uint8_t *buf, uint64_t size);

/** 1 when no byte has bit 7 set, else 0. A buffer of 0 or 1 byte gives 1 without being read (a
 *  single byte of well-formed UTF-8 is always below 0x80). Reads only the size bytes. */
TESSEL_API int32_t hs_tessel_is_ascii(const uint8_t *buf, uint64_t size);

/** Length in UTF-8 bytes of a NUL-terminated modified-UTF-8 string (0xC0 0x80 stands for U+0000,
 *  surrogates may stand as their own 3-byte sequences); negated when the string needs translation
 *  by hs_tessel_mutf8_trans. Never reads past the terminating NUL. */
TESSEL_API int64_t hs_tessel_mutf8_strlen(const char *str);

/** Writes the translation of a NUL-terminated modified-UTF-8 string into dst, which has room for
 *  -hs_tessel_mutf8_strlen(str) bytes: 0xC0 0x80 becomes 0x00, each surrogate becomes U+FFFD
 *  (EF BF BD), everything else is copied. The terminator is not written. */
TESSEL_API void hs_tessel_mutf8_trans(const char *str, uint8_t *dst);

/* Kernel levels of the bulk routines hs_tessel_length, hs_tessel_is_valid_utf8,
 * hs_tessel_ascii_length and hs_tessel_is_ascii. Every level gives identical results; they differ
 * in speed only. By default the routines use the highest level the processor offers. */
#define HS_TESSEL_LEVEL_PLAIN 0  /* one byte at a time */
#define HS_TESSEL_LEVEL_WORD 1   /* eight bytes at a time */
#define HS_TESSEL_LEVEL_AVX2 2   /* 32 bytes at a time, when the processor has AVX2 */
#define HS_TESSEL_LEVEL_AVX512 3 /* 64 bytes at a time, when the processor has AVX-512 (F and BW) */

/** Limits the bulk routines to levels up to max_level ("use at most AVX2" is
 *  hs_tessel_use_level(HS_TESSEL_LEVEL_AVX2)): from now on, in every thread, they use the highest
 *  level not above max_level that the processor offers (PLAIN below 0). Returns that level.
 *  hs_tessel_use_level(HS_TESSEL_LEVEL_AVX512) restores the default. For tests, fuzzers and
 *  benchmarks; calls running at the same time finish on either level, with the same results. */
TESSEL_API int32_t hs_tessel_use_level(int32_t max_level);

/** The level the bulk routines use now. */
TESSEL_API int32_t hs_tessel_level(void);

#ifdef __cplusplus
}
#endif

#endif
