// SPDX-License-Identifier: MIT
// Control/Scheduler/Internal.hpp: the pieces the scheduler is assembled from: starting and
// terminating workers, the worker loop, running a scheduler, and the sequential scheduler.
//   Results<int> raw = withSchedulerInternal<int>(ParN(2), true, action);   // newest first
#pragma once

#include <scheduler/export.hpp>

#include <algorithm>
#include <array>
#include <concepts>
#include <deque>
#include <iterator>
#include <list>
#include <map>
#include <optional>
#include <ranges>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Control/Scheduler/Types.hpp"

namespace Control::Scheduler::Internal {

using namespace Control::Scheduler::Types;
using Thread::WorkerThread;

/// The capability each worker is pinned to (absent: not pinned), in worker-index order:
/// Par 1..n, ParOn its list, ParN/ParPrime n unpinned, Seq one unpinned.
SCHEDULER_API std::vector<std::optional<std::int64_t>> workerCapabilities(const Comp& comp, std::int64_t n);

/// Delivers WorkerTerminateException to each thread in order (sticky: raised again at every
/// later interruption point) and returns once every thread has raised it or ended. It does
/// not wait for the threads to end.
SCHEDULER_API void terminateWorkers(const std::vector<WorkerThread>& threads);
/// Joins every thread.
SCHEDULER_API void joinWorkers(std::vector<WorkerThread>& threads) noexcept;
/// Delivers WorkerTerminateException to every thread and joins them all (a thread that has
/// ended has raised it, so this gives terminateWorkers' guarantee with one wait per thread).
SCHEDULER_API void stopWorkers(std::vector<WorkerThread>& threads) noexcept;

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

/// Ends the current batch of a threaded scheduler that was cancelled from the scheduling
/// thread before its wait (the pop gate was closed, so none of its jobs ran): drops its
/// queued jobs, gives the pending counter its token back and builds the outcome from the
/// batch-early value. The batch id was moved on by the cancellation.
template <class A>
Results<A> endBatchCancelledBeforeWait(SchedulerState<A>& st) {
  Jobs<A>& jobs = *st.jobs;
  jobs.jobsQueue.clearPending();
  auto xs = jobs.jobsQueue.takeResultsInOrder();
  jobs.jobsQueueCount.store(1);
  return outcome(std::move(xs), st.takeBatchEarly());
}

/// The use-flag protocol of worker states around run (a function taking the states): fails
/// with MutexException, without calling run, when another scheduler holds the states; frees
/// them again afterwards (also on an exception) if this call took them.
template <class WS, class Run>
decltype(auto) withSchedulerWSInternal(WorkerStates<WS>& states, Run&& run) {
  const std::int64_t previous = states._workerStatesMutex().fetch_or(1);
  if (previous == 1) throw MutexException();
  struct Release {
    std::atomic<std::int64_t>& flag;
    ~Release() { flag.fetch_and(0); }
  } release{states._workerStatesMutex()};
  return run(states);
}

/// How traversal sees a container: the elements it visits (in order), and how a container of
/// the same shape is built from one new value per element. Specialise Shape<C> with
///   template <class F> static void forEach(const C& c, F&& f);   // f(element) for each, in order
///   template <class B, class Next> static auto rebuild(const C& c, Next&& next);
/// where next() gives the value for the next element, and `using element = ...;` (the type
/// visited). Without a specialisation any range is visited in iteration order and rebuilt as
/// std::vector<B>.
/// The type of the elements of a range.
template <class C>
using RangeElement = std::remove_cvref_t<decltype(*std::begin(std::declval<const C&>()))>;

/// Random-access ranges whose elements are objects: the element with index i.
template <class C>
concept IndexableRange = std::ranges::random_access_range<const C> &&
                         std::is_lvalue_reference_v<std::ranges::range_reference_t<const C>>;

/// A range visited in iteration order; random-access ranges of objects also by index.
template <class C>
struct ShapeOfRange {
  using element = RangeElement<C>;
  template <class F>
  static void forEach(const C& c, F&& f) {
    for (const auto& x : c) f(x);
  }
  static const element& at(const C& c, std::size_t i)
    requires IndexableRange<C>
  {
    return std::ranges::begin(c)[static_cast<std::ranges::range_difference_t<const C>>(i)];
  }
};

template <class C, class = void>
struct Shape : ShapeOfRange<C> {
  template <class B, class Next>
  static std::vector<B> rebuild(const C& c, Next&& next) {
    std::vector<B> out;
    if constexpr (requires { std::size(c); }) out.reserve(std::size(c));
    for ([[maybe_unused]] const auto& x : c) out.push_back(next());
    return out;
  }
};

/// Shapes of the standard containers: vector, deque, list and array keep their kind (an array
/// its length); optional visits its value if any; map and unordered_map keep their keys and
/// visit their values.
template <template <class, class> class S, class T, class Al>
struct ShapeOfSequence : ShapeOfRange<S<T, Al>> {
  template <class B, class Next>
  static S<B, std::allocator<B>> rebuild(const S<T, Al>& c, Next&& next) {
    S<B, std::allocator<B>> out;
    for (std::size_t i = 0; i < c.size(); ++i) out.push_back(next());
    return out;
  }
};
template <class T, class Al>
struct Shape<std::deque<T, Al>> : ShapeOfSequence<std::deque, T, Al> {};
template <class T, class Al>
struct Shape<std::list<T, Al>> : ShapeOfSequence<std::list, T, Al> {};
template <class T, std::size_t N>
struct Shape<std::array<T, N>> : ShapeOfRange<std::array<T, N>> {
  template <class B, class Next>
  static std::array<B, N> rebuild(const std::array<T, N>&, Next&& next) {
    // The elements of a braced list are evaluated left to right.
    return [&]<std::size_t... I>(std::index_sequence<I...>) {
      return std::array<B, N>{{((void)I, next())...}};
    }(std::make_index_sequence<N>());
  }
};
template <class T>
struct Shape<std::optional<T>> {
  using element = T;
  template <class F>
  static void forEach(const std::optional<T>& c, F&& f) {
    if (c) f(*c);
  }
  template <class B, class Next>
  static std::optional<B> rebuild(const std::optional<T>& c, Next&& next) {
    if (!c) return std::nullopt;
    return std::optional<B>(next());
  }
};
template <class M>
struct ShapeOfMap {
  using element = typename M::mapped_type;
  template <class F>
  static void forEach(const M& c, F&& f) {
    for (const auto& kv : c) f(kv.second);
  }
};
template <class K, class V, class Cmp, class Al>
struct Shape<std::map<K, V, Cmp, Al>> : ShapeOfMap<std::map<K, V, Cmp, Al>> {
  template <class B, class Next>
  static std::map<K, B, Cmp> rebuild(const std::map<K, V, Cmp, Al>& c, Next&& next) {
    std::map<K, B, Cmp> out(c.key_comp());
    for (const auto& kv : c) out.emplace_hint(out.end(), kv.first, next());
    return out;
  }
};
template <class K, class V, class H, class Eq, class Al>
struct Shape<std::unordered_map<K, V, H, Eq, Al>> : ShapeOfMap<std::unordered_map<K, V, H, Eq, Al>> {
  template <class B, class Next>
  static std::unordered_map<K, B, H, Eq> rebuild(const std::unordered_map<K, V, H, Eq, Al>& c,
                                                 Next&& next) {
    std::unordered_map<K, B, H, Eq> out(c.bucket_count(), c.hash_function(), c.key_eq());
    for (const auto& kv : c) out.emplace(kv.first, next());
    return out;
  }
};

/// Runs f on every element of c in order (the elements Shape<C> visits).
template <class C, class F>
void traverse_(const C& c, F&& f) {
  Shape<C>::forEach(c, f);
}

/// True when Shape<C> gives the element with index i directly (Shape<C>::at(c, i)), so that a
/// traversal needs no table of element addresses.
template <class C>
concept IndexableShape = requires(const C& c) {
  { Shape<C>::at(c, std::size_t{0}) } -> std::convertible_to<const typename Shape<C>::element&>;
};

/// The values one driver of an indexed run computed, in the order it claimed their indices:
/// stored in blocks (never moved once made), with the runs of consecutive indices they belong
/// to. A driver claims indices in increasing order, so its runs are sorted.
template <class B>
class alignas(64) DriverResults {  // one driver's own cache lines
 public:
  DriverResults() = default;
  DriverResults(const DriverResults&) = delete;
  DriverResults& operator=(const DriverResults&) = delete;
  DriverResults(DriverResults&& o) noexcept
      : blocks_(std::move(o.blocks_)), runs_(std::move(o.runs_)), count_(std::exchange(o.count_, 0)) {}
  ~DriverResults() {
    for (std::size_t k = 0; k < count_; ++k) at(k).~B();
    for (B* b : blocks_) std::allocator<B>().deallocate(b, kBlock);
  }

  /// Stores the value of index i (i greater than every index stored before).
  void put(std::size_t i, B&& v) {
    if (!runs_.empty() && runs_.back().start + runs_.back().length == i)
      ++runs_.back().length;
    else
      runs_.push_back(Run{i, 1});
    if (count_ == blocks_.size() * kBlock) {
      blocks_.reserve(blocks_.size() + 1);
      blocks_.push_back(std::allocator<B>().allocate(kBlock));
    }
    ::new (static_cast<void*>(&at(count_))) B(std::move(v));
    ++count_;
  }

  struct Run {
    std::size_t start;
    std::size_t length;
  };
  const std::vector<Run>& runs() const noexcept { return runs_; }
  B& at(std::size_t k) noexcept { return blocks_[k / kBlock][k % kBlock]; }

 private:
  // Blocks of about 16 KiB: a driver's values stay on its own cache lines, and the blocks of a
  // big run come from fresh memory no more than the values themselves would.
  static constexpr std::size_t kBlock = sizeof(B) >= 16384 ? 1 : 16384 / sizeof(B);
  std::vector<B*> blocks_;
  std::vector<Run> runs_;
  std::size_t count_ = 0;
};

/// Gives the values of an indexed run in index order, moving them out of the drivers' blocks:
/// the driver holding the next index is found among the drivers' next runs (a heap ordered by
/// their start), and its run is read to its end.
template <class B>
class IndexOrder {
 public:
  explicit IndexOrder(std::vector<DriverResults<B>>& parts) : parts_(parts), cursor_(parts.size()) {
    for (std::size_t d = 0; d < parts_.size(); ++d)
      if (!parts_[d].runs().empty()) heap_.push_back({parts_[d].runs()[0].start, d});
    std::make_heap(heap_.begin(), heap_.end(), Later{});
  }
  /// The next value; false when every value has been given.
  B* next() {
    if (left_ == 0) {
      if (heap_.empty()) return nullptr;
      std::pop_heap(heap_.begin(), heap_.end(), Later{});
      d_ = heap_.back().driver;
      heap_.pop_back();
      Cursor& c = cursor_[d_];
      left_ = parts_[d_].runs()[c.run].length;
      if (++c.run < parts_[d_].runs().size()) {
        heap_.push_back({parts_[d_].runs()[c.run].start, d_});
        std::push_heap(heap_.begin(), heap_.end(), Later{});
      }
    }
    --left_;
    return &parts_[d_].at(cursor_[d_].value++);
  }

 private:
  struct Cursor {
    std::size_t run = 0;
    std::size_t value = 0;
  };
  struct Entry {
    std::size_t start;
    std::size_t driver;
  };
  struct Later {
    bool operator()(const Entry& a, const Entry& b) const noexcept { return a.start > b.start; }
  };
  std::vector<DriverResults<B>>& parts_;
  std::vector<Cursor> cursor_;
  std::vector<Entry> heap_;
  std::size_t d_ = 0;
  std::size_t left_ = 0;
};

/// Runs the n jobs g(0), ..., g(n - 1) on a scheduler of nothing for comp, as that many
/// scheduled jobs would run: the jobs are taken one at a time in index order by whichever
/// worker is free (a shared claim counter stands for the queue's head), so a job waiting for a
/// later one is never stuck behind it on a busy worker. min(workers, n) driver jobs do the
/// claiming; each checks for a cancellation before every job it takes. put(d, i, g(i)) keeps
/// the value of job i, computed by driver d < drivers. With Seq the jobs run in order on this
/// thread. An exception of g reaches the caller as a job's would.
template <class G, class Put>
void runIndexed(const Comp& comp, std::size_t n, std::size_t drivers, G& g, Put& put) {
  if (n == 0) return;
  const bool seq = Computation::isSeq(comp);
  alignas(64) std::atomic<std::size_t> next{0};
  auto action = [&](Scheduler<Unit>& s) {
    for (std::size_t d = 0; d < drivers; ++d)
      s._scheduleWorkId([&, d](WorkerId) {
        Thread::ThreadControl& ctl = Thread::current();
        for (;;) {
          if (!seq) ctl.check(false);  // a worker's interruption point between two jobs
          const std::size_t i = next.fetch_add(1, std::memory_order_relaxed);
          if (i >= n) break;
          put(d, i, g(i));
        }
        return Unit{};
      });
  };
  if (seq)
    (void)runSequential<Unit>(false, action);
  else
    (void)runThreaded<Unit>(comp, false, action);
}

}  // namespace Control::Scheduler::Internal

namespace Control::Scheduler::Types {

template <class A>
Results<A> Scheduler<A>::waitForCurrentBatchInOrder() {
  SchedulerState<A>& st = live();
  if (st.sequential) {
    auto be = st.takeBatchEarly();
    // A cancelled batch has moved the id on already: one step per batch either way.
    if (!be) st.batchId.fetch_add(1);
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
    // The batch ends here unless it was cancelled already (by the scheduling thread, which
    // caught the cancellation and went on): one step per batch either way.
    if (!be) st.batchId.fetch_add(1);
    r.emplace(outcome(jobs.jobsQueue.takeResultsInOrder(), std::move(be)));
    // Every worker is idle behind the closed gate: a scheduler that runs batch after batch
    // keeps the queue memory of one batch, not of all of them.
    jobs.jobsQueue.releaseCollected();
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
