// SPDX-License-Identifier: MIT
// Prints kestrel's products, matrix-vector products, norms and QR factors of random matrices of
// every flavour of Reference.hpp as bit patterns, one element per line. Built twice by the test of
// cmake/ContractedBuild.cmake, which compares the outputs of the two builds.
#include "NoContraction.hpp"  // first: the random inputs are the same in both builds

#include "Reference.hpp"

#include <Orrin/Matrix.hpp>
#include <Orrin/Matrix/Algorithms.hpp>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <span>
#include <vector>

namespace {

namespace om = Orrin::Matrix;

om::Types::Matrix toMatrix(const ref::Dense& d) { return om::fromList(d.rows, d.cols, d.x); }

void print(const char* what, int flavour, std::span<const double> xs)
{
    for (std::size_t k = 0; k < xs.size(); ++k) {
        // The sign and payload of a NaN are not part of the result (which NaN an operation on two
        // NaNs or on inf - inf gives depends on the instructions chosen).
        if (std::isnan(xs[k])) {
            std::printf("%s %d %zu nan\n", what, flavour, k);
            continue;
        }
        std::uint64_t bits = 0;
        std::memcpy(&bits, &xs[k], sizeof bits);
        std::printf("%s %d %zu %016llx\n", what, flavour, k, static_cast<unsigned long long>(bits));
    }
}

} // namespace

int main()
{
    using ref::Flavour;
    std::mt19937_64 gen(20260917);
    const Flavour flavours[] = {Flavour::Gaussian, Flavour::SmallInts, Flavour::WideRange,
                                Flavour::Cancelling, Flavour::Special, Flavour::Extreme};
    for (int f = 0; f < 6; ++f) {
        // Shapes that leave partial strips and vector tails on every path.
        for (const auto& [m, k, n] : {std::array<std::int64_t, 3>{19, 37, 23}, {64, 64, 64}, {5, 130, 9}}) {
            const auto a = toMatrix(ref::random(m, k, flavours[f], gen));
            const auto b = toMatrix(ref::random(k, n, flavours[f], gen));
            print("multiply", f, om::toList(om::multiply(a, b)));
            const auto v = ref::random(k, 1, flavours[f], gen);
            print("multiplyV", f, om::toList(om::fromVector(m, 1, om::multiplyV(a, v.x))));
            print("norm", f, std::vector<double>{om::norm(v.x)});
        }
        for (const auto& [m, n] : {std::array<std::int64_t, 2>{40, 24}, {9, 9}, {70, 33}}) {
            const auto [q, r] = om::Algorithms::qr(toMatrix(ref::random(m, n, flavours[f], gen)));
            print("qr.q", f, om::toList(q));
            print("qr.r", f, om::toList(r));
        }
    }
    return 0;
}
