// SPDX-License-Identifier: MIT
// Packaging check: the installed wayfare folds a vector with its positions and renders the unit index.
#include <indexed.hpp>

#include <cstdint>
#include <vector>

int main() {
  using namespace indexed;
  const std::vector<int> v{4, 5, 6};
  const auto weighted = ifoldl([](std::int64_t i, std::int64_t acc, int x) { return acc + i * x; }, 0, v);
  return weighted == 17 && show(Unit{}) == "()" ? 0 : 1;
}
