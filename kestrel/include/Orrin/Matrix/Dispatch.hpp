// SPDX-License-Identifier: MIT
// Orrin/Matrix/Dispatch.hpp: which vector instructions the product and QR kernels use.
//   Orrin::Matrix::Dispatch::useAtMost(Orrin::Matrix::Dispatch::Isa::Avx2);  // use at most AVX2
// By default the kernels use the widest instruction set the processor (and operating system)
// offers. Every choice computes exactly the same bits, so the choice changes speed only: tests,
// fuzzers and benchmarks use it to reach each path from outside the library.
#pragma once

#include <kestrel/export.hpp>

namespace Orrin::Matrix::Dispatch {

/// The instruction sets the kernels have a path for, from the narrowest.
enum class Isa { Scalar, Avx2, Avx512 };

/// Limits the kernels to isa and narrower: from now on, in every thread, they use the widest
/// instruction set that is not wider than isa and that this processor offers. Returns that one.
/// useAtMost(Isa::Avx512) restores the default. Calls running at the same time finish on either
/// path, with the same results.
KESTREL_API Isa useAtMost(Isa isa) noexcept;

/// The instruction set the kernels use now.
KESTREL_API Isa active() noexcept;

/// The widest instruction set this processor offers (the default choice).
KESTREL_API Isa best() noexcept;

/// "scalar", "avx2" or "avx512".
KESTREL_API const char* name(Isa isa) noexcept;

}  // namespace Orrin::Matrix::Dispatch
