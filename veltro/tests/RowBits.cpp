// SPDX-License-Identifier: MIT
// Prints every special function of veltro on every row of bench/data as bit patterns, one line per
// (function, row): "<function> <row> <bits in hex, or nan> [<failure text>]". Built twice by the test of
// cmake/ContractedBuild.cmake, which compares the outputs of the two builds.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "Peers.hpp"

int main()
{
    using namespace veltro::bench;
    for (const FunctionFile& fn : functions()) {
        const FunctionRows rows = readFunctionRows(fn);
        for (const Impl& impl : implementations(fn.function)) {
            if (impl.name != "veltro") continue;
            for (std::size_t i = 0; i < rows.args.size(); ++i) {
                double v = 0.0;
                std::string failure;
                try {
                    v = impl.f(rows.args[i].data());
                } catch (const std::exception& e) {
                    failure = e.what();
                }
                // A NaN's sign and payload are not part of the result.
                if (std::isnan(v)) {
                    std::printf("%s %zu nan %s\n", fn.function, i, failure.c_str());
                    continue;
                }
                std::uint64_t bits = 0;
                std::memcpy(&bits, &v, sizeof bits);
                std::printf("%s %zu %016llx %s\n", fn.function, i, static_cast<unsigned long long>(bits), failure.c_str());
            }
        }
    }
    return 0;
}
