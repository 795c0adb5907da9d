// SPDX-License-Identifier: MIT
// Construction, access and arithmetic of the immutable matrix.
#include "NoContraction.hpp"  // first: no fused multiply-add in this unit, whatever the flags

#include <Orrin/Matrix.hpp>

#include "Orrin/Matrix/KBN.hpp"
#include "Orrin/Matrix/Kernels.hpp"
#include "Orrin/Matrix/Messages.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Orrin::Matrix {

using Types::detail::allocate;
using Types::detail::checkShape;
using Types::detail::elementCount;

namespace {
Matrix fromStorage(std::int64_t r, std::int64_t c, std::shared_ptr<double[]> storage, std::int64_t count)
{
    return Matrix{r, c, Vector(std::move(storage), 0, count)};
}
}  // namespace

// ---- Construction ---------------------------------------------------------------------------

Matrix fromVector(std::int64_t r, std::int64_t c, Vector v)
{
    std::int64_t count = 0;
    // A negative size or a product that overflows is never the length of a vector.
    if (r < 0 || c < 0 || __builtin_mul_overflow(r, c, &count) || count != v.size())
        msg::fail(msg::inputSizeMismatch);
    return Matrix{r, c, std::move(v)};
}

Matrix fromList(std::int64_t r, std::int64_t c, std::span<const double> xs)
{
    return fromVector(r, c, Vector(xs));
}

Matrix fromList(std::int64_t r, std::int64_t c, std::initializer_list<double> xs)
{
    return fromVector(r, c, Vector(xs));
}

Matrix fromRows(std::span<const Vector> xs)
{
    if (xs.empty()) msg::fail(msg::emptyRows);
    const std::int64_t nCol = xs.front().size();
    for (const Vector& x : xs.subspan(1))
        if (x.size() != nCol) msg::fail(msg::rowSizes);
    if (nCol == 0) msg::fail(msg::zeroColumns);
    const auto nRow = static_cast<std::int64_t>(xs.size());
    const std::int64_t count = elementCount(nRow, nCol);
    auto storage = allocate(count);
    for (std::int64_t i = 0; i < nRow; ++i)
        std::memcpy(storage.get() + i * nCol, xs[static_cast<std::size_t>(i)].data(),
                    static_cast<std::size_t>(nCol) * sizeof(double));
    return fromStorage(nRow, nCol, std::move(storage), count);
}

Matrix fromRows(std::initializer_list<Vector> xs)
{
    return fromRows(std::span<const Vector>(xs.begin(), xs.size()));
}

Matrix fromRowLists(std::initializer_list<std::initializer_list<double>> xs)
{
    std::vector<Vector> rows;
    rows.reserve(xs.size());
    for (const auto& x : xs) rows.emplace_back(x);
    return fromRows(rows);
}

Matrix fromRowLists(const std::vector<std::vector<double>>& xs)
{
    std::vector<Vector> rows;
    rows.reserve(xs.size());
    for (const auto& x : xs) rows.emplace_back(x);
    return fromRows(rows);
}

Matrix fromColumns(std::span<const Vector> xs)
{
    return transpose(fromRows(xs));
}

Matrix fromColumns(std::initializer_list<Vector> xs)
{
    return fromColumns(std::span<const Vector>(xs.begin(), xs.size()));
}

Matrix ident(std::int64_t n)
{
    const std::int64_t count = elementCount(n, n);
    auto storage = allocate(count);
    for (std::int64_t i = 0; i < n; ++i) storage[i * n + i] = 1.0;
    return fromStorage(n, n, std::move(storage), count);
}

Matrix diag(std::span<const double> v)
{
    const auto n = static_cast<std::int64_t>(v.size());
    const std::int64_t count = elementCount(n, n);
    auto storage = allocate(count);
    for (std::int64_t i = 0; i < n; ++i) storage[i * n + i] = v[static_cast<std::size_t>(i)];
    return fromStorage(n, n, std::move(storage), count);
}

// ---- Access ---------------------------------------------------------------------------------

std::pair<std::int64_t, std::int64_t> dimension(const Matrix& m) noexcept
{
    return {m.rows, m.cols};
}

Vector toVector(const Matrix& m) noexcept
{
    return m._vector;
}

std::vector<double> toList(const Matrix& m)
{
    return m._vector.toStdVector();
}

std::vector<std::vector<double>> toRowLists(const Matrix& m)
{
    std::vector<std::vector<double>> out;
    for (const Vector& r : toRows(m)) out.push_back(r.toStdVector());
    return out;
}

std::vector<Vector> toRows(const Matrix& m)
{
    checkShape(m);
    std::vector<Vector> out;
    out.reserve(static_cast<std::size_t>(m.rows));
    for (std::int64_t i = 0; i < m.rows; ++i) out.push_back(row(m, i));
    return out;
}

std::vector<Vector> toColumns(const Matrix& m)
{
    checkShape(m);
    std::vector<Vector> out;
    out.reserve(static_cast<std::size_t>(m.cols));
    for (std::int64_t j = 0; j < m.cols; ++j) out.push_back(column(m, j));
    return out;
}

Vector row(const Matrix& m, std::int64_t i)
{
    std::int64_t offset = 0;
    if (__builtin_mul_overflow(i, m.cols, &offset)) msg::fail<std::out_of_range>(msg::sliceRange);
    return m._vector.slice(offset, m.cols);
}

Vector column(const Matrix& m, std::int64_t j)
{
    checkShape(m);
    if (j < 0 || (j >= m.cols && m.rows > 0)) msg::fail<std::out_of_range>(msg::indexRange);
    auto storage = allocate(m.rows);
    const double* src = m._vector.data();
    for (std::int64_t i = 0; i < m.rows; ++i) storage[i] = src[i * m.cols + j];
    return Vector(std::move(storage), 0, m.rows);
}

bool hasNaN(const Matrix& m) noexcept
{
    return std::any_of(m._vector.begin(), m._vector.end(), [](double x) { return std::isnan(x); });
}

std::string debug(const Matrix& m)
{
    return show(m);
}

namespace detail {
std::int64_t checkedIndex(std::int64_t rows, std::int64_t cols, std::int64_t i, std::int64_t j)
{
    if (i < 0 || i >= rows) msg::fail<std::out_of_range>(msg::rowOutOfBounds);
    if (j < 0 || j >= cols) msg::fail<std::out_of_range>(msg::columnOutOfBounds);
    return i * cols + j;
}
}  // namespace detail

// ---- Arithmetic -----------------------------------------------------------------------------

Matrix multiply(const Matrix& a, const Matrix& b)
{
    checkShape(a);
    checkShape(b);
    const std::int64_t count = elementCount(a.rows, b.cols);
    auto storage = allocate(count);
    const std::int64_t terms = std::min(a.cols, b.rows);
    detail::multiplyKernel(Dispatch::active(), a._vector.data(), a.rows, a.cols, b._vector.data(), b.cols, terms,
                           storage.get());
    return fromStorage(a.rows, b.cols, std::move(storage), count);
}

Vector multiplyV(const Matrix& m, std::span<const double> v)
{
    checkShape(m);
    const auto n = static_cast<std::int64_t>(v.size());
    if (m.cols != n)
        msg::fail(std::string(msg::unconformable) + "(" + std::to_string(m.cols) + "," + std::to_string(n) + ")");
    auto storage = allocate(m.rows);
    const double* x = v.data();
    // Four rows side by side: four independent sums keep the processor busy; each row's sum is the
    // plain sequence over k.
    std::int64_t i = 0;
    for (; i + 4 <= m.rows; i += 4) {
        const double* r0 = m._vector.data() + i * n;
        const double* r1 = r0 + n;
        const double* r2 = r1 + n;
        const double* r3 = r2 + n;
        double s0 = 0.0, c0 = 0.0, s1 = 0.0, c1 = 0.0, s2 = 0.0, c2 = 0.0, s3 = 0.0, c3 = 0.0;
        for (std::int64_t k = 0; k < n; ++k) {
            detail::kbnAdd(s0, c0, r0[k] * x[k]);
            detail::kbnAdd(s1, c1, r1[k] * x[k]);
            detail::kbnAdd(s2, c2, r2[k] * x[k]);
            detail::kbnAdd(s3, c3, r3[k] * x[k]);
        }
        storage[i] = s0 + c0;
        storage[i + 1] = s1 + c1;
        storage[i + 2] = s2 + c2;
        storage[i + 3] = s3 + c3;
    }
    for (; i < m.rows; ++i) {
        const double* r = m._vector.data() + i * n;
        double s = 0.0, c = 0.0;
        for (std::int64_t k = 0; k < n; ++k) detail::kbnAdd(s, c, r[k] * x[k]);
        storage[i] = s + c;
    }
    return Vector(std::move(storage), 0, m.rows);
}

Matrix power(const Matrix& m, std::int64_t k)
{
    if (k < 1) msg::fail(msg::powerExponent);
    if (k == 1) return m;
    const Matrix p = power(m, k / 2);
    const Matrix q = multiply(p, p);
    return k % 2 == 1 ? multiply(q, m) : q;
}

Matrix transpose(const Matrix& m)
{
    checkShape(m);
    const std::int64_t r = m.rows;
    const std::int64_t c = m.cols;
    auto storage = allocate(m._vector.size());
    const double* src = m._vector.data();
    double* dst = storage.get();
    // Square tiles keep both the rows read and the rows written in cache.
    constexpr std::int64_t tile = 32;
    for (std::int64_t i0 = 0; i0 < r; i0 += tile) {
        const std::int64_t i1 = std::min(r, i0 + tile);
        for (std::int64_t j0 = 0; j0 < c; j0 += tile) {
            const std::int64_t j1 = std::min(c, j0 + tile);
            for (std::int64_t i = i0; i < i1; ++i)
                for (std::int64_t j = j0; j < j1; ++j) dst[j * r + i] = src[i * c + j];
        }
    }
    return fromStorage(c, r, std::move(storage), m._vector.size());
}

double norm(std::span<const double> v) noexcept
{
    double s = 0.0;
    double c = 0.0;
    for (const double x : v) detail::kbnAdd(s, c, x * x);
    return std::sqrt(s + c);
}

double center(const Matrix& m)
{
    checkShape(m);
    if (m.rows == 0 || m.cols == 0) msg::fail<std::out_of_range>(msg::indexRange);
    return m._vector[(m.rows / 2) * m.cols + m.cols / 2];
}

}  // namespace Orrin::Matrix
