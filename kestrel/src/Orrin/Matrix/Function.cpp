// SPDX-License-Identifier: MIT
// The small helpers of Orrin/Matrix/Function.hpp whose arithmetic is fixed.
#include "NoContraction.hpp"  // first: no fused multiply-add in this unit, whatever the flags

#include <Orrin/Matrix/Function.hpp>

namespace Orrin::Matrix::Function {

double square(double x) noexcept
{
    return x * x;
}

}  // namespace Orrin::Matrix::Function
