// SPDX-License-Identifier: MIT
// Internal.cpp: worker placement and termination.
#include "Control/Scheduler/Internal.hpp"

namespace Control::Scheduler::Internal {

std::vector<std::optional<std::int64_t>> workerCapabilities(const Comp& comp, std::int64_t n) {
  std::vector<std::optional<std::int64_t>> caps;
  switch (comp.kind()) {
    case Comp::Kind::Seq:
      caps.emplace_back();
      break;
    case Comp::Kind::ParOn:
      if (comp.capabilities().empty())
        for (std::int64_t c = 1; c <= n; ++c) caps.emplace_back(c);
      else
        for (auto c : comp.capabilities()) caps.emplace_back(c);
      break;
    case Comp::Kind::ParN:
      caps.resize(static_cast<std::size_t>(n));
      break;
  }
  return caps;
}

void terminateWorkers(const std::vector<WorkerThread>& threads) {
  // Post to every worker first and then wait for each to raise it: the same guarantee as one
  // delivery after another, without paying one wake-up round trip per worker in sequence.
  const auto e = std::make_exception_ptr(Types::WorkerTerminateException());
  for (const auto& t : threads) t.deliver(e, true, false);
  for (const auto& t : threads) t.control()->awaitRaised();
}

void joinWorkers(std::vector<WorkerThread>& threads) noexcept {
  for (auto& t : threads) t.join();
}

void stopWorkers(std::vector<WorkerThread>& threads) noexcept {
  const auto e = std::make_exception_ptr(Types::WorkerTerminateException());
  for (const auto& t : threads) t.deliver(e, true, false);
  joinWorkers(threads);
}

}  // namespace Control::Scheduler::Internal
