// SPDX-License-Identifier: MIT
// Accuracy of every special function of veltro beside its peers on the rows of data/*.csv: one CSV
// line per (function, implementation, row) on stdout in the format of AccuracyCsv.hpp, a summary
// per implementation on stderr. scripts/accuracy-plots reads the CSV and writes docs/accuracy.md.
//   veltro_bench_accuracy > rows.csv                 (every function)
//   veltro_bench_accuracy logGamma incompleteBeta    (only these)
#include <string>

#include "Peers.hpp"

int main(int argc, char** argv)
{
    using namespace veltro::bench;
    setUpPeers();
    printAccuracyHeader();
    for (const FunctionFile& fn : functions()) {
        bool wanted = argc == 1;
        for (int i = 1; i < argc; ++i) wanted = wanted || fn.function == std::string(argv[i]);
        if (wanted) printAccuracyRows(readFunctionRows(fn), implementations(fn.function));
    }
    return 0;
}
