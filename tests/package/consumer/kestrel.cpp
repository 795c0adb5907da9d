// SPDX-License-Identifier: MIT
// Packaging check: the installed kestrel headers and library are usable from another project.
#include <Orrin/Matrix.hpp>

int main()
{
    const auto m = Orrin::Matrix::fromRowLists({{1, 2}, {3, 4}});
    return Orrin::Matrix::multiply(m, m) == Orrin::Matrix::fromRowLists({{7, 10}, {15, 22}}) ? 0 : 1;
}
