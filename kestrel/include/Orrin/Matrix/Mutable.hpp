// SPDX-License-Identifier: MIT
// Orrin/Matrix/Mutable.hpp: a mutable matrix for building a result in place, then freezing it.
//   auto mm = Orrin::Matrix::Mutable::unsafeNew(2, 2);
//   Orrin::Matrix::Mutable::unsafeWrite(mm, 0, 1, 3.0);
//   Orrin::Matrix::Matrix m = Orrin::Matrix::Mutable::unsafeFreeze(mm);   // mm is not written again
//
// An MMatrix belongs to the computation that made it: it is not shared between threads, and
// copies of the handle refer to the same storage.
#pragma once

#include <kestrel/export.hpp>

#include <Orrin/Matrix/Types.hpp>

#include <cstdint>
#include <memory>
#include <span>
#include <type_traits>
#include <utility>

namespace Orrin::Matrix::Mutable {

/// rows x cols doubles in row-major order: element (r, c) is _vector[r * cols + c].
struct KESTREL_API MMatrix {
    std::int64_t rows = 0;
    std::int64_t cols = 0;
    std::shared_ptr<double[]> _vector;
};

/// A new r x c matrix of 0.0. Fails with std::invalid_argument "Orrin.Matrix.Mutable.unsafeNew:
/// negative number of rows" when r < 0, then "Orrin.Matrix.Mutable.unsafeNew: negative number of
/// columns" when c < 0; an overflowing element count fails with std::length_error.
KESTREL_API MMatrix unsafeNew(std::int64_t r, std::int64_t c);
/// A new r x c matrix with every element x; negative or overflowing sizes fail with
/// std::length_error "vector allocation: negative or too large element count".
KESTREL_API MMatrix replicate(std::int64_t r, std::int64_t c, double x);
/// A new mutable matrix holding a copy of m's elements.
KESTREL_API MMatrix thaw(const Types::Matrix& m);
/// A Matrix sharing mm's storage (no copy): mm must not be written afterwards.
KESTREL_API Types::Matrix unsafeFreeze(const MMatrix& mm) noexcept;

/// Element (r, c) WITHOUT a range check.
inline double unsafeRead(const MMatrix& mm, std::int64_t r, std::int64_t c) noexcept
{
    return mm._vector[r * mm.cols + c];
}
/// Stores x at (r, c) WITHOUT a range check.
inline void unsafeWrite(const MMatrix& mm, std::int64_t r, std::int64_t c, double x) noexcept
{
    mm._vector[r * mm.cols + c] = x;
}
/// Stores f(element) at (r, c) WITHOUT a range check.
template <class F>
void unsafeModify(const MMatrix& mm, std::int64_t r, std::int64_t c, F&& f)
{
    double& slot = mm._vector[r * mm.cols + c];
    slot = f(slot);
}

namespace detail {
/// A copy of x that shares no storage with anything else.
KESTREL_API Types::Vector detach(const Types::Vector& x);
KESTREL_API std::int64_t checkedIndex(std::int64_t rows, std::int64_t cols, std::int64_t r, std::int64_t c);
}  // namespace detail

/// f applied to an immutable view of mm's current contents (no copy). The result is complete when
/// immutably returns; a Matrix or Vector result is detached from mm's storage, so later writes to
/// mm cannot change it.
template <class F>
auto immutably(const MMatrix& mm, F&& f)
{
    const Types::Matrix view{mm.rows, mm.cols,
                             Types::Vector(std::shared_ptr<const double[]>(mm._vector), 0, mm.rows * mm.cols)};
    using Result = std::decay_t<decltype(f(view))>;
    if constexpr (std::is_same_v<Result, Types::Matrix>) {
        Types::Matrix r = f(view);
        return Types::Matrix{r.rows, r.cols, detail::detach(r._vector)};
    } else if constexpr (std::is_same_v<Result, Types::Vector>) {
        return detail::detach(f(view));
    } else {
        return f(view);
    }
}

/// k(storage, r * cols + c) after checking r (std::out_of_range "row out of bounds" when r < 0 or
/// r >= rows) and then c ("column out of bounds" when c < 0 or c >= cols); storage is a
/// std::span<double> over all rows * cols elements.
template <class K>
decltype(auto) bounds(K&& k, const MMatrix& mm, std::int64_t r, std::int64_t c)
{
    const std::int64_t index = detail::checkedIndex(mm.rows, mm.cols, r, c);
    return k(std::span<double>(mm._vector.get(), static_cast<std::size_t>(mm.rows * mm.cols)), index);
}
/// k(storage, r * cols + c) WITHOUT any check.
template <class K>
decltype(auto) unsafeBounds(K&& k, const MMatrix& mm, std::int64_t r, std::int64_t c)
{
    return k(std::span<double>(mm._vector.get(), static_cast<std::size_t>(mm.rows * mm.cols)), r * mm.cols + c);
}

}  // namespace Orrin::Matrix::Mutable
