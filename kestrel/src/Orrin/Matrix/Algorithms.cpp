// SPDX-License-Identifier: MIT
// QR decomposition by modified Gram-Schmidt.
#include "NoContraction.hpp"  // first: no fused multiply-add in this unit, whatever the flags

#include <Orrin/Matrix/Algorithms.hpp>
#include <Orrin/Matrix/Mutable.hpp>

#include "Orrin/Matrix/Kernels.hpp"

namespace Orrin::Matrix::Algorithms {

std::pair<Types::Matrix, Types::Matrix> qr(const Types::Matrix& a)
{
    const Mutable::MMatrix q = Mutable::thaw(a);
    const Mutable::MMatrix r = Mutable::replicate(a.cols, a.cols, 0.0);
    detail::qrKernel(Dispatch::active(), q._vector.get(), q.rows, q.cols, r._vector.get());
    return {Mutable::unsafeFreeze(q), Mutable::unsafeFreeze(r)};
}

}  // namespace Orrin::Matrix::Algorithms
