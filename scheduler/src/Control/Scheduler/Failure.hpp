// SPDX-License-Identifier: MIT
// Failure.hpp (private): the one place the scheduler's fixed texts are thrown from.
#pragma once

#include <string_view>

namespace Control::Scheduler::detail {
[[noreturn]] void failInvalid(std::string_view text);  // std::invalid_argument
[[noreturn]] void failLogic(std::string_view text);    // std::logic_error
}  // namespace Control::Scheduler::detail
