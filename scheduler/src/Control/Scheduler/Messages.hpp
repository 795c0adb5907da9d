// SPDX-License-Identifier: MIT
// Messages.hpp (private): the scheduler's fixed failure texts.
#pragma once

#include <string_view>

namespace Control::Scheduler::msg {
inline constexpr std::string_view stimes = "stimes: positive multiplier expected";
inline constexpr std::string_view maximum = "maximum: empty structure";
inline constexpr std::string_view minimum = "minimum: empty structure";
inline constexpr std::string_view foldl1 = "foldl1: empty structure";
inline constexpr std::string_view uninitializedEarly =
    "Impossible: uninitialized early termination value";
inline constexpr std::string_view schedulerEnded =
    "Control.Scheduler: the scheduler was used after the call that created it returned";
}  // namespace Control::Scheduler::msg
