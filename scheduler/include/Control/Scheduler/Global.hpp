// SPDX-License-Identifier: MIT
// Control/Scheduler/Global.hpp: one scheduler whose worker threads are started once and reused
// by every caller that finds it free.
//   withGlobalScheduler_(globalScheduler(), [](Scheduler<Unit>& s) { scheduleWork_(s, work); });
#pragma once

#include <scheduler/export.hpp>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "Control/Scheduler.hpp"

namespace Control::Scheduler::Global {

/// A scheduler of nothing whose workers live from one call to the next. One caller at a time
/// uses it; a caller that finds it in use runs on a private scheduler instead of waiting.
/// Destroying it terminates and joins its workers (after a call still using it has ended).
class SCHEDULER_API GlobalScheduler {
 public:
  /// Starts the workers for comp (newGlobalScheduler).
  explicit GlobalScheduler(Comp comp);
  ~GlobalScheduler();
  GlobalScheduler(const GlobalScheduler&) = delete;
  GlobalScheduler& operator=(const GlobalScheduler&) = delete;

  /// The strategy of its workers.
  const Comp& globalSchedulerComp() const noexcept { return comp_; }
  /// The ids of its current worker threads (empty while it has none: after a failed renewal,
  /// or once the process-wide instance has been shut down at exit).
  std::vector<std::thread::id> globalSchedulerThreadIds() const;

  struct Engine;
  /// The scheduler taken for one call; ends the use when destroyed. Empty when the scheduler
  /// was in use. Renews the scheduler (new workers) instead of putting it back when the call
  /// failed, was interrupted or ended early.
  class SCHEDULER_API Lease {
   public:
    Lease(GlobalScheduler* gs, Engine* e) noexcept : gs_(gs), engine_(e) {}
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    ~Lease();
    explicit operator bool() const noexcept { return engine_ != nullptr; }
    Scheduler<Unit>& scheduler() noexcept;
    /// Marks the scheduler as spent: the workers are replaced when the lease ends.
    void spend() noexcept { spent_ = true; }

   private:
    GlobalScheduler* gs_;
    Engine* engine_;
    bool spent_ = false;
  };
  /// Takes the scheduler without waiting (an empty lease when it is in use).
  Lease tryTake();

  /// At process exit: stops the workers if no call is using the scheduler, and leaves it taken
  /// so that later callers run on private schedulers. A call in progress keeps its workers,
  /// which end with the process.
  void shutdown() noexcept;

 private:
  void putBack(Engine* e, bool renew) noexcept;
  void replaceEngine(std::unique_ptr<Engine> e) noexcept;

  const Comp comp_;
  std::atomic<bool> busy_{false};  // the mailbox: false = free (full), true = taken
  std::unique_ptr<Engine> engine_;  // touched only by the holder of busy_
  mutable std::mutex idsMutex_;
  std::vector<std::thread::id> ids_;
};

/// A global scheduler for comp with its workers started.
SCHEDULER_API GlobalScheduler newGlobalScheduler(const Comp& comp);

/// The process-wide global scheduler for Par, created on first use (once, under the guard of
/// a function-local static) and never destroyed; its workers are stopped at process exit if
/// no call is using them then.
SCHEDULER_API GlobalScheduler& globalScheduler();

/// Runs action (taking Scheduler<Unit>&) with gs's scheduler and waits for everything it
/// queued. If another caller is using it, runs action on a private scheduler for the same
/// strategy instead (withScheduler_), without waiting. An exception of the action or of a job
/// reaches the caller unchanged and gs gets new workers, as after early termination (`terminate`
/// from the action or a job ends the call normally); otherwise the same workers serve the next
/// caller.
template <class Action>
void withGlobalScheduler_(GlobalScheduler& gs, Action&& action) {
  GlobalScheduler::Lease lease = gs.tryTake();
  if (!lease) {
    withScheduler_<Unit>(gs.globalSchedulerComp(), action);
    return;
  }
  Scheduler<Unit>& s = lease.scheduler();
  Types::SchedulerState<Unit>& st = *s.state();
  try {
    action(s);
    if (!st.readEarlyResults()) (void)s.waitForCurrentBatchInOrder();
  } catch (const TerminateEarlyException&) {
    lease.spend();
    if (!st.readEarlyResults()) throw;  // thrown by hand, not by terminate
    return;
  } catch (...) {
    lease.spend();
    throw;
  }
  if (st.readEarlyResults()) lease.spend();
}

}  // namespace Control::Scheduler::Global

namespace Control::Scheduler {
using Global::globalScheduler;
using Global::GlobalScheduler;
using Global::newGlobalScheduler;
using Global::withGlobalScheduler_;
}  // namespace Control::Scheduler
