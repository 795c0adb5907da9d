// SPDX-License-Identifier: MIT
// Processors.hpp (private): the processors the process may run on, read once.
#pragma once

#include <vector>

namespace Control::Scheduler::detail {

/// The processor numbers in the process's affinity mask, read on first use under a guard and
/// never again; never empty.
const std::vector<int>& allowedProcessors();

}  // namespace Control::Scheduler::detail
