// SPDX-License-Identifier: MIT
// indexed.hpp: index-aware map, fold and traverse for sequences (index: position), maps (index:
// key) and the single-value wrappers Tagged and Solo (index: Unit).
//   indexed::ifoldr([](std::int64_t i, int x, std::string acc) { ... }, std::string(), v)
#pragma once
#include <wayfare/export.hpp>

#include "indexed/Containers.hpp"
#include "indexed/Effect.hpp"
#include "indexed/Foldable.hpp"
#include "indexed/Functor.hpp"
#include "indexed/IndexTraits.hpp"
#include "indexed/Monoid.hpp"
#include "indexed/Traversable.hpp"
#include "indexed/Unit.hpp"
#include "indexed/Wrappers.hpp"
