// SPDX-License-Identifier: MIT
// Packaging check: the installed tessel headers and library are usable from a plain program.
#include <Data/Tessel.hpp>

int main() {
  const Data::Tessel::Tessel t = Data::Tessel::fromString(U"caf\u00E9");
  return Data::Tessel::length(t) == 4 && hs_tessel_is_valid_utf8(t.data(), 5) == 0 ? 0 : 1;
}
