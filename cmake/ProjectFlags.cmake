# SPDX-License-Identifier: MIT
# Flags every target of the project is built with.
#
# Floating point: results are compared to the last bit, so no contraction of a*b+c into a fused
# multiply-add (GCC does it by default when the target has FMA) and never fast-math.
add_compile_options(-ffp-contract=off -fno-fast-math)

# Warnings: applied to our own targets through project_warnings (not to consumers).
add_library(project_warnings INTERFACE)
target_compile_options(project_warnings INTERFACE
  $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wpedantic>
  $<$<COMPILE_LANGUAGE:C>:-Wall -Wextra -Wpedantic>
  $<$<BOOL:${PROJECT_WERROR}>:-Werror>)

if(PROJECT_SANITIZE)
  add_compile_options(-fsanitize=${PROJECT_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${PROJECT_SANITIZE})
endif()
