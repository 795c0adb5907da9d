// SPDX-License-Identifier: MIT
// Global.cpp: the reusable scheduler: its workers, handing it out, renewing it, and the
// process-wide instance.
#include "Control/Scheduler/Global.hpp"

namespace Control::Scheduler::Global {

using Thread::Mask;
using Thread::MaskingState;

/// One threaded scheduler of nothing with its workers, serving call after call.
struct GlobalScheduler::Engine {
  std::shared_ptr<Types::SchedulerState<Unit>> state;
  std::vector<Thread::WorkerThread> workers;
  Scheduler<Unit> handle;

  explicit Engine(const Comp& comp)
      : state(Internal::initScheduler<Unit>(comp, false)), handle(state) {
    workers = Internal::spawnWorkers(*state->jobs, comp);
    state->workers = &workers;
  }
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;
  /// Terminates and joins the workers; the handle fails if it is used afterwards.
  ~Engine() {
    Internal::stopWorkers(workers);
    state->ended.store(true, std::memory_order_release);
    state->workers = nullptr;
    state->jobs.reset();
  }
};

GlobalScheduler::GlobalScheduler(Comp comp) : comp_(std::move(comp)) {
  replaceEngine(std::make_unique<Engine>(comp_));
}

GlobalScheduler::~GlobalScheduler() {
  // A call still using the scheduler puts it back when it ends; wait for that.
  while (busy_.exchange(true, std::memory_order_acquire)) std::this_thread::yield();
  engine_.reset();
}

GlobalScheduler newGlobalScheduler(const Comp& comp) { return GlobalScheduler(comp); }

std::vector<std::thread::id> GlobalScheduler::globalSchedulerThreadIds() const {
  std::lock_guard lock(idsMutex_);
  return ids_;
}

void GlobalScheduler::replaceEngine(std::unique_ptr<Engine> e) noexcept {
  std::vector<std::thread::id> ids;
  if (e) {
    ids.reserve(e->workers.size());
    for (const auto& w : e->workers) ids.push_back(w.id());
  }
  {
    std::lock_guard lock(idsMutex_);
    ids_.swap(ids);
  }
  engine_ = std::move(e);  // the old workers are terminated and joined here
}

GlobalScheduler::Lease GlobalScheduler::tryTake() {
  if (busy_.exchange(true, std::memory_order_acquire)) return Lease(this, nullptr);
  if (!engine_) {
    // The last renewal could not start workers: try again now.
    try {
      Mask deferred(MaskingState::MaskedInterruptible);
      replaceEngine(std::make_unique<Engine>(comp_));
    } catch (...) {
      busy_.store(false, std::memory_order_release);
      throw;
    }
  }
  return Lease(this, engine_.get());
}

void GlobalScheduler::putBack(Engine* e, bool renew) noexcept {
  if (renew && e == engine_.get()) {
    // Start the new workers, then stop the spent ones. If no thread can be started, the
    // scheduler is left without workers and the next caller tries again.
    std::unique_ptr<Engine> fresh;
    try {
      fresh = std::make_unique<Engine>(comp_);
    } catch (...) {
    }
    replaceEngine(std::move(fresh));
  }
  busy_.store(false, std::memory_order_release);
}

void GlobalScheduler::shutdown() noexcept {
  if (busy_.exchange(true, std::memory_order_acquire)) return;  // in use: left to the exit
  replaceEngine(nullptr);
}

GlobalScheduler::Lease::~Lease() {
  if (engine_ == nullptr) return;
  Mask blocked(MaskingState::MaskedUninterruptible);
  gs_->putBack(engine_, spent_);
}

Scheduler<Unit>& GlobalScheduler::Lease::scheduler() noexcept { return engine_->handle; }

namespace {
/// Stops the process-wide scheduler's workers during static destruction.
struct ShutdownAtExit {
  GlobalScheduler& gs;
  ~ShutdownAtExit() { gs.shutdown(); }
};
}  // namespace

GlobalScheduler& globalScheduler() {
  // Never destroyed: a caller on another thread, or a job that calls exit, may still use it
  // while static objects are destroyed.
  static GlobalScheduler* const gs = new GlobalScheduler(Par);
  static const ShutdownAtExit shutdown{*gs};
  return *gs;
}

}  // namespace Control::Scheduler::Global
