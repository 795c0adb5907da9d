// SPDX-License-Identifier: MIT
// Chebyshev series by Clenshaw's recurrence, additions evaluated left to right as written.
#include "NoContraction.hpp"  // first: no fused multiply-add in this unit, whatever the flags

#include <Numeric/Polynomial/Chebyshev.hpp>

#include <stdexcept>

#include "Messages.hpp"

namespace Numeric::Polynomial::Chebyshev {

namespace {
// Recurrence state of chebyshev: (b0, b1).
struct C {
    double b0;
    double b1;
};
// Recurrence state of chebyshevBroucke: (b0, b1, b2).
struct B {
    double b0;
    double b1;
    double b2;
};
} // namespace

double chebyshev(double x, std::span<const double> a)
{
    const std::size_t n = a.size();
    if (n == 0) msg::fail<std::out_of_range>(msg::chebyshevEmpty);
    const double x2 = x + x;
    C st{0.0, 0.0};
    for (std::size_t k = n - 1; k >= 1; --k) {
        const double b0 = (a[k] + x2 * st.b0) - st.b1;
        st = C{b0, st.b0};
    }
    return (a[0] + x * st.b0) - st.b1;
}

double chebyshevBroucke(double x, std::span<const double> a)
{
    const double x2 = x + x;
    B st{0.0, 0.0, 0.0};
    for (std::size_t k = a.size(); k-- > 0;) {
        const double b0 = (a[k] + x2 * st.b0) - st.b1;
        st = B{b0, st.b0, st.b1};
    }
    return (st.b0 - st.b2) * 0.5;
}

} // namespace Numeric::Polynomial::Chebyshev
