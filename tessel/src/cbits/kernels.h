// SPDX-License-Identifier: MIT
/* cbits/kernels.h: the interchangeable implementations of the bulk UTF-8 routines.
 *
 * Level 0 applies the byte rules one byte at a time, level 1 works a word (8 bytes) at a time,
 * levels 2 and 3 use AVX2 and AVX-512 and are only offered when the processor has them. All levels
 * give identical results; the public hs_tessel_ routines use the best level the processor offers,
 * chosen when the library is loaded, or the level set by hs_tessel_use_level (Data/Tessel/cbits.h),
 * through which tests, fuzzers and benchmarks reach every level. */
#ifndef TESSEL_CBITS_KERNELS_H
#define TESSEL_CBITS_KERNELS_H

#include "Data/Tessel/cbits.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct tessel_kernels {
  const char *name;
  uint64_t (*length)(const uint8_t *buf, uint64_t size);
  int32_t (*is_valid_utf8)(const uint8_t *buf, uint64_t size);
  uint64_t (*ascii_length)(const uint8_t *buf, uint64_t size);
  int32_t (*is_ascii)(const uint8_t *buf, uint64_t size);
} tessel_kernels;

enum {
  TESSEL_LEVEL_PLAIN = HS_TESSEL_LEVEL_PLAIN,
  TESSEL_LEVEL_WORD = HS_TESSEL_LEVEL_WORD,
  TESSEL_LEVEL_AVX2 = HS_TESSEL_LEVEL_AVX2,
  TESSEL_LEVEL_AVX512 = HS_TESSEL_LEVEL_AVX512
};

/** The kernels of one level, or NULL when the processor lacks the instructions it needs. */
const tessel_kernels *tessel_cbits_kernels(int level);

/** The kernels the public routines use. */
const tessel_kernels *tessel_cbits_active(void);

/* Shared between the C files of the library (hidden from users of the shared object). */
__attribute__((visibility("hidden"))) int32_t tessel_valid_from(const uint8_t *buf, uint64_t size, uint64_t i);
__attribute__((visibility("hidden"))) uint64_t tessel_code_point_start(const uint8_t *buf, uint64_t pos);
__attribute__((visibility("hidden"))) extern const tessel_kernels tessel_kernels_avx2;
__attribute__((visibility("hidden"))) extern const tessel_kernels tessel_kernels_avx512;

#ifdef __cplusplus
}
#endif

#endif
