// SPDX-License-Identifier: MIT
// A first look at kestrel: row-major matrices whose products are compensated sums, and QR.
#include <Orrin/Matrix.hpp>
#include <Orrin/Matrix/Algorithms.hpp>

#include <cstdio>

int main() {
  namespace M = Orrin::Matrix;

  // A product whose terms cancel: compensation keeps the small one.
  const auto a = M::fromRowLists({{1e16, 1.0, -1e16}});
  const auto b = M::fromRowLists({{1.0}, {1.0}, {1.0}});
  std::printf("[1e16, 1, -1e16] . [1, 1, 1] = %g   (a plain dot product gives 0)\n",
              M::unsafeIndex(M::multiply(a, b), 0, 0));

  const auto m = M::fromRowLists({{4, 1, 2}, {1, 3, 0}, {2, 0, 5}});
  const auto [q, r] = M::Algorithms::qr(m);
  std::printf("\nm =\n%s\nq =\n%s\nr =\n%s\nq r =\n%s\n", M::debug(m).c_str(), M::debug(q).c_str(),
              M::debug(r).c_str(), M::debug(M::multiply(q, r)).c_str());
}
