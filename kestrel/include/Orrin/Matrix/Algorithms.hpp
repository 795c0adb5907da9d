// SPDX-License-Identifier: MIT
// Orrin/Matrix/Algorithms.hpp: QR decomposition by modified Gram-Schmidt with compensated sums.
//   auto [q, r] = Orrin::Matrix::Algorithms::qr(a);   // a == multiply(q, r) up to rounding
#pragma once

#include <kestrel/export.hpp>

#include <Orrin/Matrix/Types.hpp>

#include <utility>

namespace Orrin::Matrix::Algorithms {

/// (Q, R) for the m x n matrix a: Q is m x n with orthonormal columns, R is n x n upper triangular
/// (entries below the diagonal are 0.0). Columns are orthogonalised left to right; every norm and
/// projection is a compensated sum over the rows in increasing order, so Q and R are fixed to the
/// bit. A column that becomes zero (rank-deficient input) is divided by 0: Q and the later entries
/// of R then hold infinities or NaN, and nothing fails. m < n is allowed.
KESTREL_API std::pair<Types::Matrix, Types::Matrix> qr(const Types::Matrix& a);

}  // namespace Orrin::Matrix::Algorithms
