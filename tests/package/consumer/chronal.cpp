// SPDX-License-Identifier: MIT
// Packaging check: the installed chronal multiplies past 64 bits (GMP inside) and reads its rendering.
#include <Data/Number/Integer.hpp>

int main()
{
    using Data::Number::Integer;
    const Integer big = Integer(4294967296LL) * Integer(4294967296LL) * Integer(10);
    return show(big) == "184467440737095516160" && Integer::read(show(big)) == big ? 0 : 1;
}
