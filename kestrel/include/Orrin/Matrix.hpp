// SPDX-License-Identifier: MIT
// Orrin/Matrix.hpp: dense row-major matrices of doubles: construction, access, compensated arithmetic.
//   auto m = Orrin::Matrix::fromRowLists({{1, 2}, {3, 4}});
//   auto p = Orrin::Matrix::multiply(m, m);   // (2,2) 7 10 / 15 22
//
// Every sum of products and every sum of squares is accumulated with the Kahan-Babuska-Neumaier
// update, so results are fixed to the bit whatever the machine (the fast product paths chosen at
// run time compute exactly the same bits as the plain loop).
#pragma once

#include <kestrel/export.hpp>

#include <Orrin/Matrix/Function.hpp>
#include <Orrin/Matrix/Types.hpp>

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace Orrin::Matrix {

using Types::Matrix;
using Types::Vector;

// ---- Construction ---------------------------------------------------------------------------

/// The r x c matrix sharing v; fails with std::invalid_argument "input size mismatch" unless
/// r * c equals v's length (negative r or c, or a product that overflows, never match).
KESTREL_API Matrix fromVector(std::int64_t r, std::int64_t c, Vector v);
/// fromVector of a copy of xs (row-major).
KESTREL_API Matrix fromList(std::int64_t r, std::int64_t c, std::span<const double> xs);
KESTREL_API Matrix fromList(std::int64_t r, std::int64_t c, std::initializer_list<double> xs);
/// The matrix whose rows are xs, copied in order. Fails with std::invalid_argument:
/// "Orrin.Matrix.fromRows: empty list of rows!" for no rows, then "Orrin.Matrix.fromRows: row sizes
/// do not match" at the first row whose length differs from the first's, then
/// "Orrin.Matrix.fromRows: zero columns in matrix" when the rows are empty.
KESTREL_API Matrix fromRows(std::span<const Vector> xs);
KESTREL_API Matrix fromRows(std::initializer_list<Vector> xs);
/// fromRows of the lists.
KESTREL_API Matrix fromRowLists(std::initializer_list<std::initializer_list<double>> xs);
KESTREL_API Matrix fromRowLists(const std::vector<std::vector<double>>& xs);
/// The transpose of fromRows(xs): the vectors become the columns. Fails as fromRows.
KESTREL_API Matrix fromColumns(std::span<const Vector> xs);
KESTREL_API Matrix fromColumns(std::initializer_list<Vector> xs);
/// n x n identity; n x n matrix with v on the diagonal and zeros elsewhere.
KESTREL_API Matrix ident(std::int64_t n);
KESTREL_API Matrix diag(std::span<const double> v);

/// Element (i, j) = f(i, j), called in row-major order. Negative or overflowing sizes fail with
/// std::length_error "vector allocation: negative or too large element count".
template <class F>
Matrix generate(std::int64_t r, std::int64_t c, F&& f)
{
    const std::int64_t count = Types::detail::elementCount(r, c);
    auto storage = Types::detail::allocate(count);
    for (std::int64_t i = 0; i < r; ++i)
        for (std::int64_t j = 0; j < c; ++j) storage[i * c + j] = f(i, j);
    return Matrix{r, c, Vector(std::move(storage), 0, count)};
}

/// Symmetric n x n matrix: f(i, i) at (i, i), then f(i, j) for j = i+1 ... n-1 stored at (i, j) and
/// (j, i), for i = 0 ... n-1 in order; f is never called with i > j.
template <class F>
Matrix generateSym(std::int64_t n, F&& f)
{
    const std::int64_t count = Types::detail::elementCount(n, n);
    auto storage = Types::detail::allocate(count);
    for (std::int64_t i = 0; i < n; ++i) {
        storage[i * n + i] = f(i, i);
        for (std::int64_t j = i + 1; j < n; ++j) {
            const double x = f(i, j);
            storage[i * n + j] = x;
            storage[j * n + i] = x;
        }
    }
    return Matrix{n, n, Vector(std::move(storage), 0, count)};
}

// ---- Access ---------------------------------------------------------------------------------

/// The pair (rows, cols).
KESTREL_API std::pair<std::int64_t, std::int64_t> dimension(const Matrix& m) noexcept;
/// The row-major element vector, shared (no copy).
KESTREL_API Vector toVector(const Matrix& m) noexcept;
KESTREL_API std::vector<double> toList(const Matrix& m);
KESTREL_API std::vector<std::vector<double>> toRowLists(const Matrix& m);
/// The rows as views sharing the matrix's storage.
KESTREL_API std::vector<Vector> toRows(const Matrix& m);
/// The columns as new vectors.
KESTREL_API std::vector<Vector> toColumns(const Matrix& m);
/// Row i as a view of the cols elements from i * cols on; a range outside the storage fails with
/// std::out_of_range "vector slice out of range".
KESTREL_API Vector row(const Matrix& m, std::int64_t i);
/// A new vector of column j; j outside [0, cols) fails with std::out_of_range "vector index out of range".
KESTREL_API Vector column(const Matrix& m, std::int64_t j);
/// Element (i, j) WITHOUT a range check: 0 <= i < rows and 0 <= j < cols are the caller's duty.
inline double unsafeIndex(const Matrix& m, std::int64_t i, std::int64_t j) noexcept
{
    return m._vector[i * m.cols + j];
}
/// True if any element is NaN.
KESTREL_API bool hasNaN(const Matrix& m) noexcept;
/// The multi-line rendering (see Types::show): widths, alignment and prefix as documented in
/// docs/kestrel.md; "" for a matrix without elements.
KESTREL_API std::string debug(const Matrix& m);

namespace detail {
/// i * cols + j after the checks of `bounds` (std::out_of_range "row out of bounds", then
/// "column out of bounds").
KESTREL_API std::int64_t checkedIndex(std::int64_t rows, std::int64_t cols, std::int64_t i, std::int64_t j);
}  // namespace detail

/// k(vector, i * cols + j) after checking i (std::out_of_range "row out of bounds" when i < 0 or
/// i >= rows) and then j ("column out of bounds" when j < 0 or j >= cols).
template <class K>
decltype(auto) bounds(K&& k, const Matrix& m, std::int64_t i, std::int64_t j)
{
    const std::int64_t index = detail::checkedIndex(m.rows, m.cols, i, j);
    return k(m._vector, index);
}
/// k(vector, i * cols + j) WITHOUT any check.
template <class K>
decltype(auto) unsafeBounds(K&& k, const Matrix& m, std::int64_t i, std::int64_t j)
{
    return k(m._vector, i * m.cols + j);
}

// ---- Arithmetic -----------------------------------------------------------------------------

/// The r1 x c2 product: element (i, j) is the compensated dot product of row i of a and column j
/// of b over min(c1, r2) terms (the inner dimensions are not compared). An element count that
/// overflows fails with std::length_error.
KESTREL_API Matrix multiply(const Matrix& a, const Matrix& b);
/// Element i is the compensated dot product of row i of m and v; fails with std::invalid_argument
/// "matrix/vector unconformable (cols,n)" when cols differs from v's length n.
KESTREL_API Vector multiplyV(const Matrix& m, std::span<const double> v);
/// m^k by repeated squaring (k = 1 gives m itself; k odd multiplies the square by m on the right).
/// k < 1 fails with std::invalid_argument "Orrin.Matrix.power: exponent must be at least 1".
KESTREL_API Matrix power(const Matrix& m, std::int64_t k);
/// The c x r matrix with element (j, i) = m(i, j).
KESTREL_API Matrix transpose(const Matrix& m);
/// sqrt of the compensated sum of the squares of v; 0 for the empty vector.
KESTREL_API double norm(std::span<const double> v) noexcept;
/// The element at (rows / 2, cols / 2); an empty matrix fails with std::out_of_range
/// "vector index out of range".
KESTREL_API double center(const Matrix& m);

/// Same shape, f applied to every element in row-major order.
template <class F>
Matrix map(F&& f, const Matrix& m)
{
    Types::detail::checkShape(m);
    const std::int64_t count = m._vector.size();
    auto storage = Types::detail::allocate(count);
    const double* src = m._vector.data();
    for (std::int64_t i = 0; i < count; ++i) storage[i] = f(src[i]);
    return Matrix{m.rows, m.cols, Vector(std::move(storage), 0, count)};
}

}  // namespace Orrin::Matrix
