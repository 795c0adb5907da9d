// SPDX-License-Identifier: MIT
// Control/Scheduler/Internal.hpp: the pieces the scheduler is assembled from: starting and
// terminating workers, the worker loop, running a scheduler, and the sequential scheduler.
//   Results<int> raw = withSchedulerInternal<int>(ParN(2), true, action);   // newest first
#pragma once

#include <optional>
#include <utility>
#include <vector>

#include "Control/Scheduler/Types.hpp"

namespace Control::Scheduler::Internal {

using namespace Control::Scheduler::Types;
using Thread::WorkerThread;

/// The capability each worker is pinned to (absent: not pinned), in worker-index order:
/// Par 1..n, ParOn its list, ParN/ParPrime n unpinned, Seq one unpinned.
std::vector<std::optional<std::int64_t>> workerCapabilities(const Comp& comp, std::int64_t n);

/// Delivers WorkerTerminateException to each thread in order (sticky: raised again at every
/// later interruption point) and returns once every thread has raised it or ended. It does
/// not wait for the threads to end.
void terminateWorkers(const std::vector<WorkerThread>& threads);
/// Joins every thread.
void joinWorkers(std::vector<WorkerThread>& threads) noexcept;
/// Delivers WorkerTerminateException to every thread and joins them all (a thread that has
/// ended has raised it, so this gives terminateWorkers' guarantee with one wait per thread).
void stopWorkers(std::vector<WorkerThread>& threads) noexcept;

/// With cancellation deferred, acquire; run use(resource) with the caller's state; if use
/// throws, run release(resource) uninterruptibly and rethrow. On success release is not run.
template <class Acquire, class Release, class Use>
decltype(auto) safeBracketOnError(Acquire&& acquire, Release&& release, Use&& use) {
  auto resource = [&] {
    Thread::Mask deferred(Thread::MaskingState::MaskedInterruptible);
    return acquire();
  }();
  try {
    return use(resource);
  } catch (...) {
    Thread::Mask blocked(Thread::MaskingState::MaskedUninterruptible);
    release(resource);
    throw;
  }
}

/// Puts a status; true when the worker carries on (clean put, or interrupted by a batch
/// cancellation), false when it must end.
template <class A>
bool putStatus(Jobs<A>& jobs, SchedulerStatus status) {
  try {
    jobs.jobsSchedulerStatus.put(std::move(status));
    return true;
  } catch (const Thread::AsyncException& x) {
    return x.is<CancelBatchException>();
  } catch (...) {
    return false;
  }
}

/// The worker loop: pop and run jobs (interruptible), count finished jobs (deferred), and
/// report idle or failure through the status mailbox, until WorkerTerminateException arrives.
/// Finished jobs are subtracted from the pending counter in groups: before the worker would
/// wait for work, and after every kFlushEvery jobs. The counter still reaches 0 exactly when
/// every queued job has finished, since no worker waits while holding uncounted jobs.
template <class A>
void runWorker(Jobs<A>& jobs, WorkerId w, Thread::ThreadControl& ctl) {
  constexpr std::int64_t kFlushEvery = 64;
  std::int64_t done = 0;  // finished jobs not yet subtracted
  detail::WorkerCredit credit{&jobs, 0};
  struct Own {
    detail::WorkerCredit* saved;
    explicit Own(detail::WorkerCredit* c) : saved(std::exchange(detail::tlsWorkerCredit, c)) {}
    ~Own() { detail::tlsWorkerCredit = saved; }
  } own(&credit);
  auto flush = [&] {  // subtracts the finished jobs and hands back the unused credit
    const std::int64_t n = std::exchange(done, 0) + std::exchange(credit.credit, 0);
    return n != 0 && jobs.jobsQueueCount.fetch_sub(n) == n;
  };
  for (;;) {
    bool idle = false;
    try {
      bool ran = false;
      {
        Thread::Mask enabled(ctl, Thread::MaskingState::Unmasked);
        ctl.check(false);
        // One job per pop, then run it: a job not started stays the queue's, for any worker
        // to take and for a collection to drop.
        if (done == 0) {
          auto job = jobs.jobsQueue.pop();
          if (!job) return;  // the run is over (see below)
          job(w);
          ran = true;
        } else if (auto job = jobs.jobsQueue.tryPop()) {
          (*job)(w);
          ran = true;
        }
      }
      if (ran) ++done;
      if (!ran || done >= kFlushEvery) idle = flush();
    } catch (const Thread::AsyncException& e) {
      if (e.is<WorkerTerminateException>()) return;
      if (e.is<CancelBatchException>()) {
        done = 0;  // the cancelled batch's count is reset by the waiting thread
        credit.credit = 0;
        continue;
      }
      (void)putStatus(jobs, SchedulerWorkerException{WorkerException(e.exception())});
      return;
    } catch (...) {
      auto failure = std::current_exception();
      (void)flush();  // the jobs finished before the failing one
      if (!putStatus(jobs, SchedulerWorkerException{WorkerException(std::move(failure))}))
        return;
      continue;
    }
    if (idle) {
      // The last batch of the run is done once the counter reaches 0 after the scheduling
      // thread has added its final token: no job is left and none can be queued any more.
      // The worker that sees it reports, closes the queue (the other workers leave their wait
      // at once instead of waiting for termination) and ends.
      const bool last = jobs.jobsFinal.load(std::memory_order_acquire);
      if (!putStatus(jobs, SchedulerIdle{})) return;
      if (last) {
        jobs.jobsQueue.close();
        return;
      }
    }
  }
}

/// Starts one worker per capability entry, in worker-index order. If a start fails, the
/// workers started so far are terminated and joined and the failure is rethrown.
template <class A>
std::vector<WorkerThread> spawnWorkers(Jobs<A>& jobs, const Comp& comp) {
  const auto caps = workerCapabilities(comp, jobs.jobsNumWorkers);
  std::vector<WorkerThread> threads;
  threads.reserve(caps.size());
  try {
    for (std::size_t i = 0; i < caps.size(); ++i) {
      const WorkerId w{static_cast<std::int64_t>(i)};
      threads.push_back(
          WorkerThread::start(caps[i], [&jobs, w] { runWorker(jobs, w, Thread::current()); }));
    }
  } catch (...) {
    Thread::Mask blocked(Thread::MaskingState::MaskedUninterruptible);
    stopWorkers(threads);
    throw;
  }
  return threads;
}

/// Fresh threaded scheduler state for comp (workers not started): the pop gate closed, the
/// pending counter 1, every cell empty, batch id 0.
template <class A>
std::shared_ptr<SchedulerState<A>> initScheduler(const Comp& comp, bool collecting) {
  const std::int64_t n = Computation::getCompWorkers(comp);
  auto st = std::make_shared<SchedulerState<A>>(n, false, collecting);
  st->jobs = std::make_unique<Jobs<A>>(n);
  return st;
}

/// Queues f on jobs (build, count, push); its result is stored in the job's cell.
template <class A, class F>
void scheduleJobs(Jobs<A>& jobs, F f) {
  Queue::JobBody<A> body(
      [f = std::move(f)](WorkerId w, Queue::ResultCell<A>& c) mutable { c.store(f(w)); });
  jobs.countJob();
  jobs.jobsQueue.pushBody(std::move(body));
}
/// Queues f on jobs; its result is dropped.
template <class A, class F>
void scheduleJobs_(Jobs<A>& jobs, F f) {
  Queue::JobBody<A> body(
      [f = std::move(f)](WorkerId w, Queue::ResultCell<A>&) mutable { (void)f(w); });
  jobs.countJob();
  jobs.jobsQueue.pushBody(std::move(body));
}

/// Adds the caller's token back: one more count and a job that removes two when it finishes.
template <class A>
void pushTokenJob(Jobs<A>& jobs) {
  std::atomic<std::int64_t>* count = &jobs.jobsQueueCount;
  count->fetch_add(1);
  jobs.jobsQueue.pushBody(
      Queue::JobBody<A>([count](WorkerId, Queue::ResultCell<A>&) { count->fetch_sub(1); }));
}

template <class A>
Results<A> earlyResultsOrFail(SchedulerState<A>& st) {
  auto r = st.takeEarlyResults();
  if (!r) detail::throwUninitializedEarly();
  return std::move(*r);
}

/// Runs action with a sequential scheduler: every job runs at once on this thread.
/// The outcome's lists are in scheduling order.
template <class A, class Action>
Results<A> runSequential(bool collecting, Action& action) {
  auto st = std::make_shared<SchedulerState<A>>(1, true, collecting);
  struct End {
    SchedulerState<A>& st;
    ~End() { st.ended.store(true, std::memory_order_release); }
  } end{*st};
  Scheduler<A> s(st);
  try {
    action(s);
  } catch (const TerminateEarlyException&) {
    return earlyResultsOrFail(*st);
  }
  return outcome(st->seqResults.take(), st->takeBatchEarly());
}

/// Runs action with a threaded scheduler for comp (also for Seq: one worker) and waits for
/// every job. The outcome's lists are in scheduling order. The workers are terminated and
/// joined before this returns, however it ends.
template <class A, class Action>
Results<A> runThreaded(const Comp& comp, bool collecting, Action& action) {
  auto st = initScheduler<A>(comp, collecting);
  std::vector<WorkerThread> workers;
  struct Release {
    SchedulerState<A>& st;
    std::vector<WorkerThread>& workers;
    ~Release() {
      Thread::Mask blocked(Thread::MaskingState::MaskedUninterruptible);
      stopWorkers(workers);
      st.ended.store(true, std::memory_order_release);
      st.workers = nullptr;
      st.jobs.reset();
    }
  } release{*st, workers};
  {
    Thread::Mask deferred(Thread::MaskingState::MaskedInterruptible);
    workers = spawnWorkers(*st->jobs, comp);
  }
  st->workers = &workers;
  Scheduler<A> s(st);
  try {
    action(s);
  } catch (const TerminateEarlyException&) {
    return earlyResultsOrFail(*st);
  }
  Jobs<A>& jobs = *st->jobs;
  jobs.jobsFinal.store(true, std::memory_order_release);
  pushTokenJob(jobs);
  jobs.jobsQueue.unblockPop();
  SchedulerStatus status = jobs.jobsSchedulerStatus.take();
  if (auto* failed = std::get_if<SchedulerWorkerException>(&status)) {
    const std::exception_ptr& e = failed->exception.exception();
    if (holds<TerminateEarlyException>(e)) return earlyResultsOrFail(*st);
    if (!holds<CancelBatchException>(e)) std::rethrow_exception(e);
  }
  return outcome(jobs.jobsQueue.takeResultsInOrder(), st->takeBatchEarly());
}

/// The raw outcome (lists newest first) of running action with a threaded scheduler for comp;
/// collecting selects `scheduleJobs` + `readResults` or `scheduleJobs_` + no collection.
template <class A, class Action>
Results<A> withSchedulerInternal(const Comp& comp, bool collecting, Action&& action) {
  return reverseResults(runThreaded<A>(comp, collecting, action));
}

/// Outcome of action with the sequential scheduler (lists in scheduling order).
template <class A, class Action>
Results<A> withTrivialSchedulerR(Action&& action) {
  return runSequential<A>(true, action);
}
template <class A, class Action>
Results<A> withTrivialSchedulerRIO(Action&& action) {
  return runSequential<A>(true, action);
}

/// A sequential scheduler for work of no result: each job runs at once.
inline Scheduler<Unit> trivialScheduler_() {
  return Scheduler<Unit>(std::make_shared<SchedulerState<Unit>>(1, true, false));
}

}  // namespace Control::Scheduler::Internal

namespace Control::Scheduler::Types {

template <class A>
Results<A> Scheduler<A>::waitForCurrentBatchInOrder() {
  SchedulerState<A>& st = live();
  if (st.sequential) {
    st.batchId.fetch_add(1);
    auto be = st.takeBatchEarly();
    return outcome(st.seqResults.take(), std::move(be));
  }
  Jobs<A>& jobs = *st.jobs;
  Internal::pushTokenJob(jobs);
  jobs.jobsQueue.unblockPop();
  SchedulerStatus status = jobs.jobsSchedulerStatus.take();
  auto be = st.takeBatchEarly();
  std::optional<Results<A>> r;
  if (std::holds_alternative<SchedulerIdle>(status)) {
    jobs.jobsQueue.blockPop();
    st.batchId.fetch_add(1);
    r.emplace(outcome(jobs.jobsQueue.takeResultsInOrder(), std::move(be)));
  } else {
    const std::exception_ptr& e = std::get<SchedulerWorkerException>(status).exception.exception();
    if (!holds<CancelBatchException>(e)) std::rethrow_exception(e);
    jobs.jobsQueue.clearPending();
    // Abort the cancelled batch's jobs still running; each delivery returns once raised, so
    // none of them can write a result or the counter after this.
    const auto cancel = std::make_exception_ptr(CancelBatchException());
    for (const auto& w : *st.workers) w.deliver(cancel, false, true);
    r.emplace(outcome(jobs.jobsQueue.takeResultsInOrder(), std::move(be)));
  }
  jobs.jobsQueueCount.store(1);
  return std::move(*r);
}

}  // namespace Control::Scheduler::Types
