// SPDX-License-Identifier: MIT
// Thread.cpp: futex waits, cooperative delivery of asynchronous exceptions, pinned threads.
#include "Control/Scheduler/Thread.hpp"

#include <linux/futex.h>
#include <linux/membarrier.h>
#include <pthread.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>

#include "Control/Scheduler/Processors.hpp"

namespace Control::Scheduler::Thread {
namespace {

void futexWait(std::atomic<std::uint32_t>& word, std::uint32_t expected) noexcept {
  syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word), FUTEX_WAIT_PRIVATE, expected,
          nullptr, nullptr, 0);
}

void futexWake(std::atomic<std::uint32_t>& word, int count) noexcept {
  syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word), FUTEX_WAKE_PRIVATE, count, nullptr,
          nullptr, 0);
}

thread_local std::shared_ptr<ThreadControl> tlsOwner;
thread_local ThreadControl* tlsControl = nullptr;

}  // namespace

void WaitWord::notifyAll() noexcept {
  seq.fetch_add(1);
  if (waiters.load() != 0) futexWake(seq, INT_MAX);
}

void WaitWord::notifyOne() noexcept {
  seq.fetch_add(1);
  if (waiters.load() != 0) futexWake(seq, 1);
}

ThreadControl& current() {
  if (tlsControl == nullptr) {
    tlsOwner = std::make_shared<ThreadControl>();
    tlsControl = tlsOwner.get();
  }
  return *tlsControl;
}

void interruptionPoint() { current().check(false); }

void ThreadControl::check(bool blocking) {
  if (!hasPending()) return;
  if (mask_ == MaskingState::Unmasked || (blocking && mask_ == MaskingState::MaskedInterruptible))
    raise();
}

void ThreadControl::raise() {
  std::exception_ptr e;
  {
    std::lock_guard lock(m_);
    e = pending_;
    if (!sticky_) {
      pending_ = nullptr;
      hasPending_.store(false);
    }
    raised_.store(delivered_);
  }
  ack_.notifyAll();
  throw AsyncException(std::move(e));
}

void ThreadControl::deliver(std::exception_ptr e, bool sticky, bool waitRaised) {
  WaitWord* site = nullptr;
  {
    std::lock_guard lock(m_);
    if (!sticky_) {  // a sticky termination is never replaced
      pending_ = std::move(e);
      sticky_ = sticky;
    }
    ++delivered_;
    hasPending_.store(true);
    site = site_;
    // Wake the target while holding m_: it cannot leave the wait (and free the word) meanwhile.
    if (site != nullptr) site->notifyAll();
  }
  if (waitRaised) awaitRaised();
}

void ThreadControl::awaitRaised() {
  std::uint64_t target;
  {
    std::lock_guard lock(m_);
    target = delivered_;
  }
  waitUntil(ack_, [&] { return raised_.load() >= target || finished_.load(); }, 0);
}

void ThreadControl::markFinished() noexcept {
  finished_.store(true);
  ack_.notifyAll();
}

bool ThreadControl::enterWait(WaitWord& w) {
  std::lock_guard lock(m_);
  if (hasPending_.load()) return false;
  site_ = &w;
  return true;
}

void ThreadControl::leaveWait() noexcept {
  std::lock_guard lock(m_);
  site_ = nullptr;
}

void blockOn(WaitWord& w, std::uint32_t key) {
  ThreadControl& ctl = current();
  if (ctl.mask() == MaskingState::MaskedUninterruptible) {
    futexWait(w.seq, key);
    return;
  }
  if (!ctl.enterWait(w)) ctl.raise();
  futexWait(w.seq, key);
  ctl.leaveWait();
  ctl.check(true);
}

bool canFenceOtherThreads() noexcept {
  static const bool available =
      syscall(SYS_membarrier, MEMBARRIER_CMD_REGISTER_PRIVATE_EXPEDITED, 0, 0) == 0;
  return available;
}

void fenceOtherThreads() noexcept {
  syscall(SYS_membarrier, MEMBARRIER_CMD_PRIVATE_EXPEDITED, 0, 0);
}

void WorkerThread::deliver(std::exception_ptr e, bool sticky, bool waitRaised) const {
  control_->deliver(std::move(e), sticky, waitRaised);
}

void WorkerThread::join() noexcept {
  if (thread_.joinable()) thread_.join();
}

int processorFor(std::int64_t capability) {
  const auto& cpus = detail::allowedProcessors();
  const auto p = static_cast<std::int64_t>(cpus.size());
  const std::int64_t r = ((capability % p) + p) % p;
  return cpus[static_cast<std::size_t>(r)];
}

WorkerThread WorkerThread::start(std::optional<std::int64_t> capability,
                                 std::function<void()> body) {
  WorkerThread w;
  w.control_ = std::make_shared<ThreadControl>();
  const int cpu = capability ? processorFor(*capability) : -1;
  w.thread_ = std::thread([ctl = w.control_, cpu, body = std::move(body)] {
    tlsOwner = ctl;
    tlsControl = ctl.get();
    ctl->setMask(MaskingState::MaskedInterruptible);
    if (cpu >= 0) {
      // Best effort: a processor that left the mask since start-up only loses the pinning.
      cpu_set_t set;
      CPU_ZERO(&set);
      CPU_SET(cpu, &set);
      pthread_setaffinity_np(pthread_self(), sizeof set, &set);
    }
    try {
      body();
    } catch (...) {
      // A worker that ends by an exception just ends; its scheduler learns of failures
      // through its status mailbox.
    }
    ctl->markFinished();
  });
  return w;
}

}  // namespace Control::Scheduler::Thread
