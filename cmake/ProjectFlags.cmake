# SPDX-License-Identifier: MIT
# Flags every target of the suite is built with.
#
# Floating point: results are compared to the last bit, so no contraction of a*b+c into a fused
# multiply-add (GCC does it by default when the target has FMA) and never fast-math.
add_compile_options(-ffp-contract=off -fno-fast-math)

# Warnings: applied to our own targets through veltro_suite_warnings (not to consumers).
add_library(veltro_suite_warnings INTERFACE)
target_compile_options(veltro_suite_warnings INTERFACE
  $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wpedantic>
  $<$<COMPILE_LANGUAGE:C>:-Wall -Wextra -Wpedantic>
  $<$<BOOL:${VELTRO_SUITE_WERROR}>:-Werror>)

if(VELTRO_SUITE_SANITIZE)
  add_compile_options(-fsanitize=${VELTRO_SUITE_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${VELTRO_SUITE_SANITIZE})
endif()
