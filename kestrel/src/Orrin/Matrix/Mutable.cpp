// SPDX-License-Identifier: MIT
// The mutable matrix: creation, copying in and freezing.
#include "NoContraction.hpp"  // first: no fused multiply-add in this unit, whatever the flags

#include <Orrin/Matrix/Mutable.hpp>

#include "Orrin/Matrix/Messages.hpp"

#include <algorithm>
#include <cstring>

namespace Orrin::Matrix::Mutable {

using Types::detail::allocate;
using Types::detail::elementCount;

MMatrix unsafeNew(std::int64_t r, std::int64_t c)
{
    if (r < 0) msg::fail(msg::negativeRows);
    if (c < 0) msg::fail(msg::negativeColumns);
    return MMatrix{r, c, allocate(elementCount(r, c))};
}

MMatrix replicate(std::int64_t r, std::int64_t c, double x)
{
    const std::int64_t count = elementCount(r, c);
    MMatrix mm{r, c, allocate(count)};
    std::fill_n(mm._vector.get(), count, x);
    return mm;
}

MMatrix thaw(const Types::Matrix& m)
{
    Types::detail::checkShape(m);
    const std::int64_t count = m._vector.size();
    MMatrix mm{m.rows, m.cols, allocate(count)};
    if (count != 0) std::memcpy(mm._vector.get(), m._vector.data(), static_cast<std::size_t>(count) * sizeof(double));
    return mm;
}

Types::Matrix unsafeFreeze(const MMatrix& mm) noexcept
{
    return Types::Matrix{mm.rows, mm.cols, Types::Vector(std::shared_ptr<const double[]>(mm._vector), 0, mm.rows * mm.cols)};
}

namespace detail {

Types::Vector detach(const Types::Vector& x)
{
    return Types::Vector(x.span());
}

std::int64_t checkedIndex(std::int64_t rows, std::int64_t cols, std::int64_t r, std::int64_t c)
{
    if (r < 0 || r >= rows) msg::fail<std::out_of_range>(msg::rowOutOfBounds);
    if (c < 0 || c >= cols) msg::fail<std::out_of_range>(msg::columnOutOfBounds);
    return r * cols + c;
}

}  // namespace detail

}  // namespace Orrin::Matrix::Mutable
