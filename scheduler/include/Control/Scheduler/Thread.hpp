// SPDX-License-Identifier: MIT
// Control/Scheduler/Thread.hpp: the thread layer under the scheduler: interruptible waits,
// cooperative asynchronous exceptions and worker threads pinned to processors.
//   Thread::waitUntil(word, [&] { return ready.load(); });   // wakes on notify or delivery
#pragma once

#include <scheduler/export.hpp>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include <scheduler/export.hpp>

namespace Control::Scheduler::Thread {

/// A word that threads block on. Whoever changes the state a waiter tests calls notifyAll
/// or notifyOne afterwards; a waiter that read `seq` before the change never sleeps through it.
class SCHEDULER_API WaitWord {
 public:
  std::atomic<std::uint32_t> seq{0};
  std::atomic<std::uint32_t> waiters{0};

  /// Wakes every thread blocked on this word (no system call when none is).
  void notifyAll() noexcept;
  /// Wakes one thread blocked on this word (no system call when none is).
  void notifyOne() noexcept;
};

/// How a thread treats a pending asynchronous exception. Unmasked: raised at every
/// interruption point; MaskedInterruptible: raised only in blocking waits;
/// MaskedUninterruptible: never raised (delivery waits until the mask is lifted).
enum class MaskingState { Unmasked, MaskedInterruptible, MaskedUninterruptible };

/// An exception delivered to this thread by another one. It does not derive from
/// std::exception, so `catch (const std::exception&)` in a job does not swallow a cancellation.
class SCHEDULER_API AsyncException {
 public:
  explicit AsyncException(std::exception_ptr e) : exception_(std::move(e)) {}
  /// The delivered exception.
  const std::exception_ptr& exception() const noexcept { return exception_; }
  /// True when the delivered exception is of type E.
  template <class E>
  bool is() const noexcept {
    try {
      std::rethrow_exception(exception_);
    } catch (const E&) {
      return true;
    } catch (...) {
      return false;
    }
  }

 private:
  std::exception_ptr exception_;
};

/// Per-thread delivery state: the pending exception, the wait the thread is blocked in,
/// and the count of deliveries it has raised. Shared between the thread and its handles.
class SCHEDULER_API ThreadControl {
 public:
  /// Raises the pending exception if the current masking state allows it at a check
  /// (interruptible: a blocking wait; otherwise an explicit interruption point).
  void check(bool blocking);
  bool hasPending() const noexcept { return hasPending_.load(std::memory_order_acquire); }
  MaskingState mask() const noexcept { return mask_; }
  void setMask(MaskingState m) noexcept { mask_ = m; }

  /// Sets e pending, wakes the thread out of a scheduler wait, and (if waitRaised) returns
  /// once the thread has raised it or ended. A sticky exception is raised again at every later
  /// interruption point, so a job that swallows it cannot keep its worker alive.
  void deliver(std::exception_ptr e, bool sticky, bool waitRaised);
  /// Waits until every delivery made so far has been raised or the thread has ended.
  void awaitRaised();
  /// Marks the thread as ended (deliveries to it return at once).
  void markFinished() noexcept;

  // Used by the blocking wait: register/unregister the word the thread sleeps on.
  bool enterWait(WaitWord& w);  // false when a pending exception must be raised first
  void leaveWait() noexcept;
  [[noreturn]] void raise();

 private:
  std::mutex m_;
  WaitWord* site_ = nullptr;
  std::exception_ptr pending_;
  bool sticky_ = false;
  std::uint64_t delivered_ = 0;
  std::atomic<bool> hasPending_{false};
  std::atomic<std::uint64_t> raised_{0};
  std::atomic<bool> finished_{false};
  WaitWord ack_;
  MaskingState mask_ = MaskingState::Unmasked;
};

/// The calling thread's delivery state (created on first use).
SCHEDULER_API ThreadControl& current();

/// Raises a pending asynchronous exception of the calling thread if it is unmasked. Long
/// jobs call this now and then so that cancellation and termination reach them.
SCHEDULER_API void interruptionPoint();

/// Sets the calling thread's masking state for a scope.
class SCHEDULER_API Mask {
 public:
  explicit Mask(MaskingState m) : ctl_(current()), saved_(ctl_.mask()) { ctl_.setMask(m); }
  Mask(ThreadControl& ctl, MaskingState m) : ctl_(ctl), saved_(ctl.mask()) { ctl_.setMask(m); }
  ~Mask() { ctl_.setMask(saved_); }
  Mask(const Mask&) = delete;
  Mask& operator=(const Mask&) = delete;

 private:
  ThreadControl& ctl_;
  MaskingState saved_;
};

/// One blocking step: sleeps while w.seq still equals key (or returns at once). Raises a
/// pending asynchronous exception before or after sleeping unless the thread is masked
/// uninterruptibly.
SCHEDULER_API void blockOn(WaitWord& w, std::uint32_t key);

/// How long a thread spins for a hand-off before it sleeps: a futex sleep and wake-up costs
/// tens of microseconds of latency here, a spin of this length at most one core for as long.
inline constexpr std::int64_t kWorkSpinNs = 10'000;  // a worker waiting for a job
inline constexpr std::int64_t kGateSpinNs = 20'000;  // a worker waiting at the pop gate
inline constexpr std::int64_t kStatusSpinNs = 10'000;  // the scheduling thread waiting for a batch
inline constexpr std::int64_t kSpinYieldNs = 2'000;

/// One pause of a spin loop (lets the sibling hyper-thread run, saves power).
inline void spinPause() noexcept {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

/// Spins until ready() holds or about spinNs nanoseconds have passed; true when ready. The
/// clock is read every 16 pauses, so the bound holds however long a pause takes, and the
/// processor is offered to other ready threads as often.
template <class Ready>
bool spinUntil(Ready& ready, std::int64_t spinNs, std::int64_t yieldNs = kSpinYieldNs) {
  if (ready()) return true;
  if (spinNs <= 0) return false;
  using Clock = std::chrono::steady_clock;
  auto now = Clock::now();
  const auto until = now + std::chrono::nanoseconds(spinNs);
  auto yieldAt = now + std::chrono::nanoseconds(yieldNs);
  for (;;) {
    for (int i = 0; i < 16; ++i) {
      spinPause();
      if (ready()) return true;
    }
    now = Clock::now();
    if (now >= until) return false;
    if (now < yieldAt) continue;
    yieldAt = now + std::chrono::nanoseconds(yieldNs);
    std::this_thread::yield();
  }
}

/// Spins for at most spinNs nanoseconds, then sleeps on w until ready() holds. A hand-off
/// that lands within the spin costs no system call on either side. An interruption point.
template <class Ready>
void waitUntil(WaitWord& w, Ready&& ready, std::int64_t spinNs = 0, std::int64_t yieldNs = kSpinYieldNs) {
  if (spinUntil(ready, spinNs, yieldNs)) return;
  for (;;) {
    if (ready()) return;
    w.waiters.fetch_add(1);
    const std::uint32_t key = w.seq.load();
    if (ready()) {
      w.waiters.fetch_sub(1);
      return;
    }
    struct Leave {
      WaitWord& w;
      ~Leave() { w.waiters.fetch_sub(1); }
    } leave{w};
    blockOn(w, key);
  }
}

/// True when fenceOtherThreads is available here (checked, and registered with the system,
/// once per process).
SCHEDULER_API bool canFenceOtherThreads() noexcept;
/// Makes every other running thread of the process pass a full memory barrier before this
/// returns: a store another thread made before its barrier is visible to the caller afterwards,
/// and a load it makes after its barrier sees the caller's earlier stores. It lets a thread
/// that owns some data touch it with plain accesses and no fence of its own, while a rare
/// other thread pays for taking it over. Only valid when canFenceOtherThreads() is true.
SCHEDULER_API void fenceOtherThreads() noexcept;

/// A started thread with its delivery state; joined by join() or on destruction.
class SCHEDULER_API WorkerThread {
 public:
  WorkerThread() = default;
  WorkerThread(WorkerThread&&) noexcept = default;
  WorkerThread& operator=(WorkerThread&&) noexcept = default;
  ~WorkerThread() { join(); }

  /// Delivers e to the thread; see ThreadControl::deliver.
  void deliver(std::exception_ptr e, bool sticky, bool waitRaised) const;
  const std::shared_ptr<ThreadControl>& control() const noexcept { return control_; }
  void join() noexcept;
  bool joinable() const noexcept { return thread_.joinable(); }
  std::thread::id id() const noexcept { return thread_.get_id(); }

  /// Starts body on a new thread whose masking state starts as MaskedInterruptible; with a
  /// capability c the thread is pinned to processor c mod P (P processors the process may use).
  static WorkerThread start(std::optional<std::int64_t> capability, std::function<void()> body);

 private:
  std::thread thread_;
  std::shared_ptr<ThreadControl> control_;
};

/// The processor that capability c runs on: the (c mod P)-th processor of the process's
/// affinity mask as read at first use, P being its size.
SCHEDULER_API int processorFor(std::int64_t capability);

}  // namespace Control::Scheduler::Thread
