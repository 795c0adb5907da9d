// SPDX-License-Identifier: MIT
// Orrin/Matrix/Function.hpp: two small helpers used with matrices, a counted loop and the square.
//   Orrin::Matrix::Function::for_(0, n, [&](std::int64_t i) { total += Orrin::Matrix::Function::square(x[i]); });
#pragma once

#include <kestrel/export.hpp>

#include <cstdint>
#include <utility>

namespace Orrin::Matrix::Function {

/// Runs action(i) for i = start, start + 1, ..., end - 1 in this order; nothing when start >= end.
template <class Action>
void for_(std::int64_t start, std::int64_t end, Action&& action)
{
    for (std::int64_t i = start; i < end; ++i) action(i);
}

/// x * x (one rounded product; NaN and infinities propagate).
KESTREL_API double square(double x) noexcept;

}  // namespace Orrin::Matrix::Function
