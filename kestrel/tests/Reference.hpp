// SPDX-License-Identifier: MIT
// Reference.hpp: the plain row-major loops that kestrel's fast paths must match to the bit, and the
// random matrices (wide exponents, exact cancellation, ties, NaN, infinities) they are compared on.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace ref {

struct Dense {
    std::int64_t rows = 0;
    std::int64_t cols = 0;
    std::vector<double> x;
    double& at(std::int64_t i, std::int64_t j) { return x[static_cast<std::size_t>(i * cols + j)]; }
    double at(std::int64_t i, std::int64_t j) const { return x[static_cast<std::size_t>(i * cols + j)]; }
};

// The compensated step written as plainly as possible, with its branch.
inline void add(double& s, double& c, double x)
{
    const double t = s + x;
    if (std::fabs(s) >= std::fabs(x))
        c = c + ((s - t) + x);
    else
        c = c + ((x - t) + s);
    s = t;
}

inline Dense multiply(const Dense& a, const Dense& b)
{
    Dense out{a.rows, b.cols, std::vector<double>(static_cast<std::size_t>(a.rows * b.cols))};
    const std::int64_t terms = std::min(a.cols, b.rows);
    for (std::int64_t i = 0; i < a.rows; ++i)
        for (std::int64_t j = 0; j < b.cols; ++j) {
            double s = 0.0, c = 0.0;
            for (std::int64_t k = 0; k < terms; ++k) add(s, c, a.at(i, k) * b.at(k, j));
            out.at(i, j) = s + c;
        }
    return out;
}

// Modified Gram-Schmidt exactly as written: column norm, normalise, then project and subtract
// column by column, every loop over the rows of the row-major array.
inline void qr(const Dense& in, Dense& q, Dense& r)
{
    const std::int64_t m = in.rows, n = in.cols;
    q = in;
    r = Dense{n, n, std::vector<double>(static_cast<std::size_t>(n * n), 0.0)};
    for (std::int64_t j = 0; j < n; ++j) {
        double s = 0.0, c = 0.0;
        for (std::int64_t i = 0; i < m; ++i) add(s, c, q.at(i, j) * q.at(i, j));
        const double nu = std::sqrt(s + c);
        r.at(j, j) = nu;
        for (std::int64_t i = 0; i < m; ++i) q.at(i, j) = q.at(i, j) / nu;
        for (std::int64_t k = j + 1; k < n; ++k) {
            double ps = 0.0, pc = 0.0;
            for (std::int64_t i = 0; i < m; ++i) add(ps, pc, q.at(i, j) * q.at(i, k));
            const double p = ps + pc;
            r.at(j, k) = p;
            for (std::int64_t i = 0; i < m; ++i) q.at(i, k) = q.at(i, k) - p * q.at(i, j);
        }
    }
}

// Same bits, or both NaN (which NaN an operation returns is not fixed by IEEE 754).
inline bool sameBits(double x, double y)
{
    return std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(y) || (std::isnan(x) && std::isnan(y));
}

enum class Flavour {
    Gaussian,     // ordinary values
    SmallInts,    // -3 ... 3 and signed zeros: exact cancellation and magnitude ties everywhere
    WideRange,    // exponents from -300 to 300, so that whole terms vanish into the sum
    Cancelling,   // +-2^k for k up to 60 beside small values: large terms cancel, small ones survive
    Special,      // wide range with NaN, +-infinity and +-0 sprinkled in
    Extreme,      // near the ends of the range: products and running sums overflow to infinity
                  // (so big - t meets an infinite t) and products fall into the subnormals
};

inline Dense random(std::int64_t rows, std::int64_t cols, Flavour f, std::mt19937_64& gen)
{
    Dense d{rows, cols, std::vector<double>(static_cast<std::size_t>(rows * cols))};
    std::normal_distribution<double> normal;
    std::uniform_int_distribution<int> small(-3, 3);
    std::uniform_int_distribution<int> expo(-300, 300);
    std::uniform_int_distribution<int> pick(0, 99);
    std::uniform_int_distribution<int> big(0, 60);
    for (double& v : d.x) {
        switch (f) {
        case Flavour::Gaussian: v = normal(gen); break;
        case Flavour::SmallInts: {
            const int k = small(gen);
            v = k == 0 ? (pick(gen) < 50 ? 0.0 : -0.0) : k;
            break;
        }
        case Flavour::WideRange: v = std::ldexp(normal(gen), expo(gen) / 4); break;
        case Flavour::Cancelling:
            v = pick(gen) < 50 ? std::ldexp(small(gen) < 0 ? -1.0 : 1.0, big(gen)) : normal(gen);
            break;
        case Flavour::Special:
            switch (pick(gen)) {
            case 0: v = std::numeric_limits<double>::quiet_NaN(); break;
            case 1: v = std::numeric_limits<double>::infinity(); break;
            case 2: v = -std::numeric_limits<double>::infinity(); break;
            case 3: v = -0.0; break;
            default: v = std::ldexp(normal(gen), expo(gen));
            }
            break;
        case Flavour::Extreme: {
            const int k = pick(gen);
            v = k < 40 ? std::ldexp(normal(gen), 509 + k % 4) : k < 80 ? std::ldexp(normal(gen), -540 + k % 8)
                                                                       : (k % 2 == 0 ? 0.0 : -0.0) + small(gen);
            break;
        }
        }
    }
    return d;
}

}  // namespace ref
