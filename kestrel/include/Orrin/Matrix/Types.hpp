// SPDX-License-Identifier: MIT
// Orrin/Matrix/Types.hpp: the immutable row-major matrix of doubles and the shared vector it lives in.
//   Orrin::Matrix::Types::Matrix m{2, 2, Orrin::Matrix::Types::Vector{1, 2, 3, 4}};
#pragma once

#include <kestrel/export.hpp>

#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace Orrin::Matrix::Types {

/// An immutable, contiguous run of doubles over shared storage. Copies and slices share the
/// storage (nothing is copied); the elements never change once the vector is built.
class KESTREL_API Vector {
public:
    /// The empty vector.
    Vector() noexcept = default;
    /// A new vector holding copies of xs.
    Vector(std::initializer_list<double> xs);
    /// A new vector holding copies of xs.
    explicit Vector(std::span<const double> xs);
    /// A new vector holding copies of xs.
    explicit Vector(const std::vector<double>& xs);
    /// A view of `length` elements of storage from `offset` on; storage must hold at least
    /// offset + length elements (not checked here: used by the library on storage it sized).
    Vector(std::shared_ptr<const double[]> storage, std::int64_t offset, std::int64_t length) noexcept;

    std::int64_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }
    const double* data() const noexcept { return data_; }
    const double* begin() const noexcept { return data_; }
    const double* end() const noexcept { return data_ + size_; }
    /// Element i without a range check: 0 <= i < size() is the caller's duty.
    double operator[](std::int64_t i) const noexcept { return data_[i]; }
    /// Element i; fails with std::out_of_range "vector index out of range" outside [0, size()).
    double at(std::int64_t i) const;
    /// The `length` elements from `offset` on, sharing the storage; fails with std::out_of_range
    /// "vector slice out of range" unless 0 <= offset, 0 <= length and offset + length <= size().
    Vector slice(std::int64_t offset, std::int64_t length) const;
    std::span<const double> span() const noexcept { return {data_, static_cast<std::size_t>(size_)}; }
    operator std::span<const double>() const noexcept { return span(); }
    /// The elements copied into a std::vector.
    std::vector<double> toStdVector() const { return {begin(), end()}; }
    /// The storage this vector is a view of (shared with every copy and slice of it).
    const std::shared_ptr<const double[]>& storage() const noexcept { return storage_; }

    /// Element-wise IEEE equality of equal-length vectors (a vector holding NaN differs from itself).
    friend KESTREL_API bool operator==(const Vector& x, const Vector& y) noexcept;

private:
    std::shared_ptr<const double[]> storage_;
    const double* data_ = nullptr;
    std::int64_t size_ = 0;
};

/// A dense matrix stored row by row: element (r, c) is _vector[r * cols + c].
/// The record itself does not check that _vector holds rows * cols elements (fromVector does);
/// the operations of the library reject a record that breaks this with "input size mismatch".
struct KESTREL_API Matrix {
    std::int64_t rows = 0;
    std::int64_t cols = 0;
    Vector _vector;

    /// Same shape and element-wise IEEE equal (a matrix holding NaN differs from itself).
    friend KESTREL_API bool operator==(const Matrix& x, const Matrix& y) noexcept;
};

/// The multi-line rendering of Orrin::Matrix::debug: one line per row, decimal points aligned,
/// the first line prefixed with "(rows,cols) "; a matrix without elements renders as "".
KESTREL_API std::string show(const Matrix& m);
/// Writes show(m).
KESTREL_API std::ostream& operator<<(std::ostream& os, const Matrix& m);

namespace detail {
/// New zero-filled storage for `count` doubles; a negative count or one whose byte size overflows
/// fails with std::length_error "vector allocation: negative or too large element count".
KESTREL_API std::shared_ptr<double[]> allocate(std::int64_t count);
/// rows * cols, failing like allocate when either is negative or the product overflows.
KESTREL_API std::int64_t elementCount(std::int64_t rows, std::int64_t cols);
/// Fails with std::invalid_argument "input size mismatch" unless m's vector holds rows * cols elements.
KESTREL_API void checkShape(const Matrix& m);
}  // namespace detail

}  // namespace Orrin::Matrix::Types
