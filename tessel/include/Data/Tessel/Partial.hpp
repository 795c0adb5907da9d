// SPDX-License-Identifier: MIT
// Data/Tessel/Partial.hpp: accessors of Tessel that fail on an empty text or a bad index.
//   char32_t c = Data::Tessel::Partial::head(t);   // throws "head: empty Tessel" when t is empty
#pragma once

#include <tessel/export.hpp>

#include "Data/Tessel.hpp"

namespace Data::Tessel::Partial {

/// First code point; throws std::invalid_argument("head: empty Tessel") on the empty text.
TESSEL_API char32_t head(const Tessel& t);
/// Last code point; throws std::invalid_argument("last: empty Tessel") on the empty text.
TESSEL_API char32_t last(const Tessel& t);
/// All but the first code point; throws std::invalid_argument("tail: empty Tessel") when empty.
TESSEL_API Tessel tail(const Tessel& t);
/// All but the last code point; throws std::invalid_argument("init: empty Tessel") when empty.
TESSEL_API Tessel init(const Tessel& t);
/// Code point i; throws std::out_of_range("index: not within Tessel") when i is negative or not
/// below the length.
TESSEL_API char32_t index(const Tessel& t, std::int64_t i);

}  // namespace Data::Tessel::Partial
