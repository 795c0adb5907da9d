// SPDX-License-Identifier: MIT
// Kernels.hpp (private): the product and QR loops, in a plain version and in vector versions chosen
// at run time. Every version computes exactly the bits of the plain one: each vector lane runs the
// scalar sequence of one output element (a select instead of the branch, no product fused with a
// sum).
//   detail::multiplyKernel(Dispatch::active(), a, r1, c1, b, c2, L, out);
#pragma once

#include <Orrin/Matrix/Dispatch.hpp>

#include <cstdint>

namespace Orrin::Matrix::detail {

using Isa = Dispatch::Isa;

/// The widest instruction set this processor (and operating system) supports, looked up once.
Isa bestIsa() noexcept;
/// True if code for isa can run here.
bool isaAvailable(Isa isa) noexcept;
const char* isaName(Isa isa) noexcept;

/// out (r1 x c2, row-major) = compensated products of the rows of a (r1 x c1, row-major) and the
/// columns of b (row-major, c2 columns), over L terms each (L <= c1 and L <= rows of b).
void multiplyKernel(Isa isa, const double* a, std::int64_t r1, std::int64_t c1, const double* b,
                    std::int64_t c2, std::int64_t L, double* out);

/// Modified Gram-Schmidt in place: a (m x n, row-major) becomes Q, r (n x n, zero-filled) becomes R.
void qrKernel(Isa isa, double* a, std::int64_t m, std::int64_t n, double* r);

}  // namespace Orrin::Matrix::detail
