// SPDX-License-Identifier: MIT
/* Data/Tessel/cbits.h: the byte-level UTF-8 routines behind Tessel, callable from C and C++.
 *   int32_t status = hs_tessel_is_valid_utf8(bytes, size);   (0 valid, 1 invalid, <0 cut short)
 *
 * The routines take a pointer and a byte count, allocate nothing, never fail and keep no state.
 * Except for hs_tessel_is_valid_utf8 and the two modified-UTF-8 routines, every routine assumes
 * well-formed UTF-8 and does no checking of its own. */
#ifndef DATA_TESSEL_CBITS_H
#define DATA_TESSEL_CBITS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/** Number of code points: the bytes that are not continuation bytes (10xxxxxx). */
uint64_t hs_tessel_length(const uint8_t *buf, uint64_t size);

/** Byte offset of code point i counted from the front; size when there is no such code point
 *  (0 for an empty buffer or i = 0). */
uint64_t hs_tessel_index_ofs(const uint8_t *buf, uint64_t size, uint64_t i);

/** Byte offset of the start of code point i counted from the back (0 = last code point); size
 *  when there is no such code point. */
uint64_t hs_tessel_index_ofs_rev(const uint8_t *buf, uint64_t size, uint64_t i);

/** The code point whose first byte is at ofs. */
uint32_t hs_tessel_ofs_cp(const uint8_t *buf, uint64_t ofs);

/** The code point whose last byte is at ofs - 1. */
uint32_t hs_tessel_ofs_cp_rev(const uint8_t *buf, uint64_t ofs);

/** Code point i from the front, or -1. */
int64_t hs_tessel_index_cp(const uint8_t *buf, uint64_t size, uint64_t i);

/** Code point i from the back (0 = last), or -1. */
int64_t hs_tessel_index_cp_rev(const uint8_t *buf, uint64_t size, uint64_t i);

/** 0 when the bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing above
 *  U+10FFFF), 1 when they are not, and -1, -2 or -3 when they end inside a sequence whose present
 *  bytes were not yet found wrong (minus the number of missing bytes). */
int32_t hs_tessel_is_valid_utf8(const uint8_t *buf, uint64_t size);

/** Number of leading bytes below 0x80. */
uint64_t hs_tessel_ascii_length(const uint8_t *buf, uint64_t size);

/** 1 when no byte has bit 7 set, else 0. A buffer of 0 or 1 byte gives 1 without being read (a
 *  single byte of well-formed UTF-8 is always below 0x80). Reads only the size bytes. */
int32_t hs_tessel_is_ascii(const uint8_t *buf, uint64_t size);

/** Length in UTF-8 bytes of a NUL-terminated modified-UTF-8 string (0xC0 0x80 stands for U+0000,
 *  surrogates may stand as their own 3-byte sequences); negated when the string needs translation
 *  by hs_tessel_mutf8_trans. Never reads past the terminating NUL. */
int64_t hs_tessel_mutf8_strlen(const char *str);

/** Writes the translation of a NUL-terminated modified-UTF-8 string into dst, which has room for
 *  -hs_tessel_mutf8_strlen(str) bytes: 0xC0 0x80 becomes 0x00, each surrogate becomes U+FFFD
 *  (EF BF BD), everything else is copied. The terminator is not written. */
void hs_tessel_mutf8_trans(const char *str, uint8_t *dst);

#ifdef __cplusplus
}
#endif

#endif
