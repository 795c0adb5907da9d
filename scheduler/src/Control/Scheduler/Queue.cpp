// SPDX-License-Identifier: MIT
// Queue.cpp: text form of worker ids.
#include "Control/Scheduler/Queue.hpp"

#include <ostream>

#include "Control/Scheduler/ReadText.hpp"

namespace Control::Scheduler::Queue {

std::string show(WorkerId w) {
  return "WorkerId {getWorkerId = " + std::to_string(w.getWorkerId) + "}";
}
std::string showsPrec(int d, WorkerId w) { return d >= 11 ? detail::parenthesise(show(w)) : show(w); }
std::ostream& operator<<(std::ostream& os, WorkerId w) { return os << show(w); }

std::optional<WorkerId> WorkerId::read(std::string_view text) {
  auto v = detail::readRecord(text, "WorkerId", "getWorkerId");
  if (!v) return std::nullopt;
  return WorkerId{*v};
}

}  // namespace Control::Scheduler::Queue
