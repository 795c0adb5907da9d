// SPDX-License-Identifier: MIT
// Control/Scheduler/Types.hpp: the scheduler's handle, its results, statuses and exceptions.
//   Results<int> r = withSchedulerR<int>(Par, [](Scheduler<int>& s) { scheduleWork(s, [] { return 1; }); });
#pragma once

#include <scheduler/export.hpp>

#include <atomic>
#include <charconv>
#include <cstdint>
#include <exception>
#include <iosfwd>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "Control/Scheduler/Computation.hpp"
#include "Control/Scheduler/Queue.hpp"
#include "Control/Scheduler/Thread.hpp"

namespace Control::Scheduler::Types {

using Computation::Comp;
using Queue::JQueue;
using Queue::Mailbox;
using Queue::Unit;
using Queue::WorkerId;

// ---- Exceptions -------------------------------------------------------------------------

/// Raised by `_terminate` in the thread that calls it.
class SCHEDULER_API TerminateEarlyException : public std::exception {
 public:
  const char* what() const noexcept override { return "TerminateEarlyException"; }
};
/// Raised by `_cancelBatch` in the calling thread; delivered to every worker to abort a batch.
class SCHEDULER_API CancelBatchException : public std::exception {
 public:
  const char* what() const noexcept override { return "CancelBatchException"; }
};
/// Delivered to every worker when its scheduler is torn down.
class SCHEDULER_API WorkerTerminateException : public std::exception {
 public:
  const char* what() const noexcept override { return "WorkerTerminateException"; }
};
/// Raised when one WorkerStates value is used by two schedulers at once.
class SCHEDULER_API MutexException : public std::exception {
 public:
  const char* what() const noexcept override {
    return "MutexException: WorkerStates cannot be used at the same time by different schedulers";
  }
};

/// The text of any exception: what() for std::exception, a fixed text otherwise.
SCHEDULER_API std::string describeException(const std::exception_ptr& e);

/// The exception a job threw, as reported by its worker. what() is
/// "WorkerException " followed by the job's exception at precedence 11.
class SCHEDULER_API WorkerException : public std::exception {
 public:
  explicit WorkerException(std::exception_ptr e);
  const std::exception_ptr& exception() const noexcept { return exception_; }
  const char* what() const noexcept override { return text_.c_str(); }

 private:
  std::exception_ptr exception_;
  std::string text_;
};

SCHEDULER_API std::string show(const TerminateEarlyException&);
SCHEDULER_API std::string show(const CancelBatchException&);
SCHEDULER_API std::string show(const WorkerTerminateException&);
/// "MutexException" (what() is the longer display text).
SCHEDULER_API std::string show(const MutexException&);
SCHEDULER_API std::string show(const WorkerException& e);
/// As show, in parentheses when d >= 11.
SCHEDULER_API std::string showsPrec(int d, const WorkerException& e);

/// True when e holds an exception of type E.
template <class E>
bool holds(const std::exception_ptr& e) noexcept {
  try {
    std::rethrow_exception(e);
  } catch (const E&) {
    return true;
  } catch (...) {
    return false;
  }
}

// ---- Batch ids --------------------------------------------------------------------------

struct SCHEDULER_API BatchId {
  std::int64_t getBatchId = 0;
  friend constexpr bool operator==(BatchId, BatchId) = default;
  friend constexpr auto operator<=>(BatchId, BatchId) = default;
  /// Parses "BatchId {getBatchId = n}", optionally parenthesised.
  static std::optional<BatchId> read(std::string_view text);
};
/// "BatchId {getBatchId = n}".
SCHEDULER_API std::string show(BatchId b);
SCHEDULER_API std::string showsPrec(int d, BatchId b);

// ---- Rendering of result values ---------------------------------------------------------

namespace detail {
SCHEDULER_API std::string showDouble(double v);
SCHEDULER_API std::string showString(std::string_view s);
[[noreturn]] SCHEDULER_API void throwEmptyStructure(int which);  // 0 maximum, 1 minimum, 2 foldl1
[[noreturn]] SCHEDULER_API void throwUninitializedEarly();
[[noreturn]] SCHEDULER_API void throwSchedulerEnded();

/// s in parentheses (built in place: GCC 12 warns falsely on "(" + s + ")" at -O3).
inline std::string parenthesise(std::string s) {
  s.insert(s.begin(), '(');
  s.push_back(')');
  return s;
}

/// A value at precedence d, as the result lists render it.
template <class T>
std::string showValue(int d, const T& v) {
  if constexpr (std::is_same_v<T, bool>) {
    return v ? "True" : "False";
  } else if constexpr (std::is_integral_v<T>) {
    std::string s = std::to_string(v);
    if constexpr (std::is_signed_v<T>)
      if (d > 6 && v < 0) return parenthesise(std::move(s));
    return s;
  } else if constexpr (std::is_floating_point_v<T>) {
    std::string s = showDouble(static_cast<double>(v));
    return d > 6 && s.front() == '-' ? parenthesise(std::move(s)) : s;
  } else if constexpr (std::is_convertible_v<const T&, std::string_view>) {
    return showString(v);
  } else if constexpr (std::is_same_v<T, Unit>) {
    return "()";
  } else {
    return showsPrec(d, v);  // the element type's own rendering, found by argument lookup
  }
}
}  // namespace detail

// ---- Early and Results ------------------------------------------------------------------

/// How a run is stopped early: `Early` v keeps the results collected so far, then v;
/// `EarlyWith` v replaces all results by v. The constructor makes `Early`; EarlyWith(v) the other.
template <class A>
class Early {
 public:
  explicit Early(A v) : value_(std::move(v)) {}
  static Early with(A v) {
    Early e(std::move(v));
    e.with_ = true;
    return e;
  }
  bool isEarlyWith() const noexcept { return with_; }
  const A& value() const& noexcept { return value_; }
  A&& value() && noexcept { return std::move(value_); }
  friend bool operator==(const Early&, const Early&) = default;

 private:
  A value_;
  bool with_ = false;
};
template <class A>
Early<A> EarlyWith(A v) {
  return Early<A>::with(std::move(v));
}
/// The value of either alternative.
template <class A>
const A& unEarly(const Early<A>& e) {
  return e.value();
}

template <class A>
struct Finished {
  std::vector<A> results;
  friend bool operator==(const Finished&, const Finished&) = default;
};
template <class A>
struct FinishedEarly {
  std::vector<A> results;
  A value;
  friend bool operator==(const FinishedEarly&, const FinishedEarly&) = default;
};
template <class A>
struct FinishedEarlyWith {
  A value;
  friend bool operator==(const FinishedEarlyWith&, const FinishedEarlyWith&) = default;
};

/// The outcome of a run: `Finished` xs, `FinishedEarly` xs v or `FinishedEarlyWith` v.
/// Folds visit the list first, then v.
template <class A>
class Results {
 public:
  using Variant = std::variant<Finished<A>, FinishedEarly<A>, FinishedEarlyWith<A>>;
  Results(Finished<A> f) : v_(std::move(f)) {}
  Results(FinishedEarly<A> f) : v_(std::move(f)) {}
  Results(FinishedEarlyWith<A> f) : v_(std::move(f)) {}

  const Variant& variant() const noexcept { return v_; }
  Variant& variant() noexcept { return v_; }
  bool isFinished() const noexcept { return v_.index() == 0; }
  bool isFinishedEarly() const noexcept { return v_.index() == 1; }
  bool isFinishedEarlyWith() const noexcept { return v_.index() == 2; }

  friend bool operator==(const Results&, const Results&) = default;

  /// Parses what show produces (element types: int, long, long long, double).
  static std::optional<Results> read(std::string_view text);

 private:
  Variant v_;
};

/// Calls f on every value, list first, then v.
template <class A, class F>
void forEach(const Results<A>& r, F&& f) {
  std::visit(
      [&](const auto& x) {
        using X = std::decay_t<decltype(x)>;
        if constexpr (!std::is_same_v<X, FinishedEarlyWith<A>>)
          for (const A& a : x.results) f(a);
        if constexpr (!std::is_same_v<X, Finished<A>>) f(x.value);
      },
      r.variant());
}

/// All values in fold order (list, then v).
template <class A>
std::vector<A> toList(const Results<A>& r) {
  std::vector<A> out;
  forEach(r, [&](const A& a) { out.push_back(a); });
  return out;
}

template <class A>
std::size_t length(const Results<A>& r) {
  std::size_t n = 0;
  forEach(r, [&](const A&) { ++n; });
  return n;
}

/// The same shape with f applied to every value.
template <class A, class F, class B = std::invoke_result_t<F&, const A&>>
Results<B> fmap(F&& f, const Results<A>& r) {
  return std::visit(
      [&](const auto& x) -> Results<B> {
        using X = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<X, FinishedEarlyWith<A>>) {
          return FinishedEarlyWith<B>{f(x.value)};
        } else {
          std::vector<B> ys;
          ys.reserve(x.results.size());
          for (const A& a : x.results) ys.push_back(f(a));
          if constexpr (std::is_same_v<X, Finished<A>>)
            return Finished<B>{std::move(ys)};
          else
            return FinishedEarly<B>{std::move(ys), f(x.value)};
        }
      },
      r.variant());
}

/// Left fold over all values.
template <class A, class B, class F>
B foldl(F&& f, B acc, const Results<A>& r) {
  forEach(r, [&](const A& a) { acc = f(std::move(acc), a); });
  return acc;
}

/// Right fold over all values.
template <class A, class B, class F>
B foldr(F&& f, B acc, const Results<A>& r) {
  const auto xs = toList(r);
  for (auto it = xs.rbegin(); it != xs.rend(); ++it) acc = f(*it, std::move(acc));
  return acc;
}

/// Left fold without start value; throws std::invalid_argument "foldl1: empty structure" on
/// an empty `Finished`.
template <class A, class F>
A foldl1(F&& f, const Results<A>& r) {
  std::optional<A> acc;
  forEach(r, [&](const A& a) { acc = acc ? f(std::move(*acc), a) : a; });
  if (!acc) detail::throwEmptyStructure(2);
  return std::move(*acc);
}
/// Throws std::invalid_argument "maximum: empty structure" on an empty `Finished`.
template <class A>
A maximum(const Results<A>& r) {
  std::optional<A> acc;
  forEach(r, [&](const A& a) {
    if (!acc || *acc < a) acc = a;
  });
  if (!acc) detail::throwEmptyStructure(0);
  return std::move(*acc);
}
/// Throws std::invalid_argument "minimum: empty structure" on an empty `Finished`.
template <class A>
A minimum(const Results<A>& r) {
  std::optional<A> acc;
  forEach(r, [&](const A& a) {
    if (!acc || a < *acc) acc = a;
  });
  if (!acc) detail::throwEmptyStructure(1);
  return std::move(*acc);
}

/// Equality with a caller-supplied element comparison.
template <class A, class B, class Eq>
bool eqWith(Eq&& eq, const Results<A>& x, const Results<B>& y) {
  if (x.variant().index() != y.variant().index()) return false;
  const auto xs = toList(x);
  const auto ys = toList(y);
  if (xs.size() != ys.size()) return false;
  for (std::size_t i = 0; i < xs.size(); ++i)
    if (!eq(xs[i], ys[i])) return false;
  return true;
}

/// "Finished [1,2]", "FinishedEarly [1] 5", "FinishedEarlyWith 5"; in parentheses when d >= 11.
template <class A>
std::string showsPrec(int d, const Results<A>& r) {
  auto list = [](const std::vector<A>& xs) {
    std::string s = "[";
    for (std::size_t i = 0; i < xs.size(); ++i) {
      if (i != 0) s += ',';
      s += detail::showValue(0, xs[i]);
    }
    return s + "]";
  };
  std::string body = std::visit(
      [&](const auto& x) -> std::string {
        using X = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<X, Finished<A>>)
          return "Finished " + list(x.results);
        else if constexpr (std::is_same_v<X, FinishedEarly<A>>)
          return "FinishedEarly " + list(x.results) + " " + detail::showValue(11, x.value);
        else
          return "FinishedEarlyWith " + detail::showValue(11, x.value);
      },
      r.variant());
  return d >= 11 ? detail::parenthesise(std::move(body)) : body;
}
template <class A>
std::string show(const Results<A>& r) {
  return showsPrec(0, r);
}
template <class A>
std::ostream& operator<<(std::ostream& os, const Results<A>& r) {
  return os << show(r);
}

/// `Finished` xs -> xs; `FinishedEarly` xs v -> v followed by xs; `FinishedEarlyWith` v -> [v].
/// (On the raw, newest-first outcome this puts v where the newest result belongs.)
template <class A>
std::vector<A> resultsToList(Results<A> r) {
  return std::visit(
      [](auto&& x) -> std::vector<A> {
        using X = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<X, Finished<A>>) {
          return std::move(x.results);
        } else if constexpr (std::is_same_v<X, FinishedEarly<A>>) {
          std::vector<A> out;
          out.reserve(x.results.size() + 1);
          out.push_back(std::move(x.value));
          for (auto& a : x.results) out.push_back(std::move(a));
          return out;
        } else {
          std::vector<A> out;
          out.push_back(std::move(x.value));
          return out;
        }
      },
      std::move(r.variant()));
}

/// Reverses the list of `Finished` and `FinishedEarly`; v and `FinishedEarlyWith` stay.
template <class A>
Results<A> reverseResults(Results<A> r) {
  std::visit(
      [](auto& x) {
        using X = std::decay_t<decltype(x)>;
        if constexpr (!std::is_same_v<X, FinishedEarlyWith<A>>)
          std::reverse(x.results.begin(), x.results.end());
      },
      r.variant());
  return r;
}

// ---- Statuses and the shared state of a run ---------------------------------------------

struct SCHEDULER_API SchedulerIdle {};
struct SCHEDULER_API SchedulerWorkerException {
  WorkerException exception;
};
/// Reported by workers through the status mailbox; taken by the waiting thread.
using SchedulerStatus = std::variant<SchedulerIdle, SchedulerWorkerException>;

namespace detail {
/// The pending-counter credit of the worker running on this thread: jobs it queues itself are
/// counted against a block reserved in one step, instead of one shared increment each (the
/// counter is written by every worker, so each increment would move its cache line). The
/// worker hands back what is left whenever it subtracts its finished jobs, which it always
/// does before it waits, so the counter never drops below the number of unfinished jobs.
struct SCHEDULER_API WorkerCredit {
  const void* jobs = nullptr;  // the queue's state this worker serves
  std::int64_t credit = 0;
};
inline thread_local WorkerCredit* tlsWorkerCredit = nullptr;
inline constexpr std::int64_t kCreditBlock = 64;

/// The result list of a sequential scheduler, in scheduling order: every push and take is one
/// atomic change, from whatever thread. The thread that runs the scheduler (the owner, which
/// makes nearly every change) appends with plain accesses until another thread first touches
/// the list; that thread switches the list for good to a mutex, after a barrier on every thread
/// of the process (Thread::fenceOtherThreads) that either lets it see the owner's change in
/// flight, which it waits for, or lets the owner see the switch. A mutex on every push would
/// cost a job of the sequential scheduler one locked instruction more, more than its whole
/// cost otherwise. Without the barrier (an old kernel) the list uses the mutex from the start.
template <class A>
class SeqResults {
 public:
  SeqResults() : owner_(std::this_thread::get_id()), shared_(!Thread::canFenceOtherThreads()) {}

  void push(A v) {
    change([&](std::vector<A>& xs) { xs.push_back(std::move(v)); });
  }
  /// The list, leaving it empty.
  std::vector<A> take() {
    std::vector<A> out;
    change([&](std::vector<A>& xs) { out.swap(xs); });
    return out;
  }

 private:
  template <class F>
  void change(F&& f) {
    if (!shared_.load(std::memory_order_relaxed) && std::this_thread::get_id() == owner_) {
      // Announce the change, then look for a switch: the switching thread's barrier orders
      // the two for the processor, this fence for the compiler.
      ownerBusy_.store(true, std::memory_order_relaxed);
      std::atomic_signal_fence(std::memory_order_seq_cst);
      if (!shared_.load(std::memory_order_relaxed)) {
        struct Done {
          std::atomic<bool>& busy;
          ~Done() { busy.store(false, std::memory_order_release); }
        } done{ownerBusy_};
        f(xs_);
        return;
      }
      ownerBusy_.store(false, std::memory_order_release);
    } else if (!shared_.load(std::memory_order_acquire)) {
      share();
    }
    std::lock_guard lock(m_);
    f(xs_);
  }
  void share() {
    std::lock_guard lock(m_);
    if (shared_.load()) return;
    shared_.store(true);
    Thread::fenceOtherThreads();
    while (ownerBusy_.load(std::memory_order_acquire)) std::this_thread::yield();
  }

  const std::thread::id owner_;
  std::atomic<bool> shared_;
  std::atomic<bool> ownerBusy_{false};
  std::mutex m_;
  std::vector<A> xs_;
};
}  // namespace detail

/// The state shared by the workers of one scheduler.
template <class A>
struct Jobs {
  explicit Jobs(std::int64_t n) : jobsNumWorkers(n) {}
  /// Counts one more queued job (from a worker of this scheduler: from its credit).
  void countJob() {
    detail::WorkerCredit* c = detail::tlsWorkerCredit;
    if (c != nullptr && c->jobs == this) {
      if (c->credit == 0) {
        jobsQueueCount.fetch_add(detail::kCreditBlock);
        c->credit = detail::kCreditBlock;
      }
      --c->credit;
    } else {
      jobsQueueCount.fetch_add(1);
    }
  }
  const std::int64_t jobsNumWorkers;
  JQueue<A> jobsQueue;
  /// Pending counter: starts at 1 (the caller's token), +1 per job, -1 per finished job.
  alignas(64) std::atomic<std::int64_t> jobsQueueCount{1};
  Mailbox<SchedulerStatus> jobsSchedulerStatus;
  /// Set by the scheduling thread before it waits for the last batch of the run.
  std::atomic<bool> jobsFinal{false};
};

/// Everything a Scheduler handle refers to. Lists held here are in scheduling order.
template <class A>
struct SchedulerState {
  SchedulerState(std::int64_t n, bool seq, bool collect)
      : numWorkers(n), sequential(seq), collecting(collect) {}

  const std::int64_t numWorkers;
  const bool sequential;
  const bool collecting;
  /// Set once the run that made this state has returned; every later use fails.
  std::atomic<bool> ended{false};

  std::unique_ptr<Jobs<A>> jobs;                              // threaded only
  const std::vector<Thread::WorkerThread>* workers = nullptr;  // threaded only
  detail::SeqResults<A> seqResults;                            // sequential only

  std::atomic<std::int64_t> batchId{0};
  std::mutex cells;  // guards earlyResults and batchEarly (changed by exchange)
  std::optional<Results<A>> earlyResults;
  std::optional<Early<A>> batchEarly;

  void setEarlyResults(Results<A> r) {
    std::lock_guard lock(cells);
    earlyResults.emplace(std::move(r));
  }
  std::optional<Results<A>> readEarlyResults() {
    std::lock_guard lock(cells);
    return earlyResults;
  }
  /// The early-result cell's value, moved out: for the end of a run, which hands it on.
  std::optional<Results<A>> takeEarlyResults() {
    std::lock_guard lock(cells);
    return std::exchange(earlyResults, std::nullopt);
  }
  std::optional<Early<A>> readBatchEarly() {
    std::lock_guard lock(cells);
    return batchEarly;
  }
  std::optional<Early<A>> takeBatchEarly() {
    std::lock_guard lock(cells);
    return std::exchange(batchEarly, std::nullopt);
  }
  void setBatchEarly(Early<A> e) {
    std::lock_guard lock(cells);
    batchEarly.emplace(std::move(e));
  }
};

/// Builds the outcome (scheduling order) from the collected results and the batch-early value.
template <class A>
Results<A> outcome(std::vector<A> xs, std::optional<Early<A>> be) {
  if (!be) return Finished<A>{std::move(xs)};
  if (be->isEarlyWith()) return FinishedEarlyWith<A>{std::move(*be).value()};
  return FinishedEarly<A>{std::move(xs), std::move(*be).value()};
}

/// The handle user code schedules with. Valid only during the call that created it; used
/// afterwards, every operation throws std::logic_error. Copies refer to the same scheduler.
template <class A>
class Scheduler {
 public:
  explicit Scheduler(std::shared_ptr<SchedulerState<A>> st) : st_(std::move(st)) {}

  std::int64_t _numWorkers() const noexcept { return st_->numWorkers; }

  /// Queues f (WorkerId -> A). Sequential: runs it at once on the calling thread with
  /// WorkerId 0, its exception propagating from this call.
  template <class F>
  void _scheduleWorkId(F f) {
    SchedulerState<A>& st = live();
    if (st.sequential) {
      if (st.collecting)
        st.seqResults.push(f(WorkerId{0}));
      else
        (void)f(WorkerId{0});
      return;
    }
    Jobs<A>& jobs = *st.jobs;
    if (st.collecting) {
      Queue::JobBody<A> body([f = std::move(f)](WorkerId w, Queue::ResultCell<A>& c) mutable {
        c.store(f(w));
      });
      jobs.countJob();
      jobs.jobsQueue.pushBody(std::move(body));
    } else {
      Queue::JobBody<A> body(
          [f = std::move(f)](WorkerId w, Queue::ResultCell<A>&) mutable { (void)f(w); });
      jobs.countJob();
      jobs.jobsQueue.pushBody(std::move(body));
    }
  }

  /// Stops the whole run: `Early` v keeps the results completed so far (jobs not yet started
  /// are dropped) and appends v; `EarlyWith` v replaces them. Throws TerminateEarlyException.
  [[noreturn]] void _terminate(Early<A> e) {
    SchedulerState<A>& st = live();
    if (e.isEarlyWith()) {
      st.batchId.fetch_add(1);
      st.setEarlyResults(FinishedEarlyWith<A>{std::move(e).value()});
    } else {
      std::vector<A> xs = st.sequential ? st.seqResults.take()
                                        : st.jobs->jobsQueue.takeResultsInOrder();
      st.batchId.fetch_add(1);
      st.setEarlyResults(FinishedEarly<A>{std::move(xs), std::move(e).value()});
    }
    throw TerminateEarlyException();
  }

  /// Lets the workers finish everything queued so far and collects it (raw: newest first).
  Results<A> _waitForCurrentBatch() { return reverseResults(waitForCurrentBatchInOrder()); }
  /// The same in scheduling order.
  Results<A> waitForCurrentBatchInOrder();

  /// The early-result cell (raw: lists newest first).
  std::optional<Results<A>> _earlyResults() {
    auto r = live().readEarlyResults();
    if (r) r = reverseResults(std::move(*r));
    return r;
  }
  BatchId _currentBatchId() { return BatchId{live().batchId.load()}; }

  /// Cancels batch bid with early if it is still the current one; false otherwise. Threaded:
  /// on success closes the pop gate, stores early and throws CancelBatchException.
  /// Sequential: stores early and returns true.
  bool _cancelBatch(BatchId bid, Early<A> early) {
    SchedulerState<A>& st = live();
    std::int64_t expected = bid.getBatchId;
    if (!st.batchId.compare_exchange_strong(expected, expected + 1)) return false;
    if (st.sequential) {
      st.setBatchEarly(std::move(early));
      return true;
    }
    // The gate is open while the batch is waited for; cancelled from the scheduling thread
    // before that wait, it is closed already and stays so.
    st.jobs->jobsQueue.tryBlockPop();
    st.setBatchEarly(std::move(early));
    throw CancelBatchException();
  }

  /// The batch-early cell (sequential: taken, leaving it empty; threaded: read).
  std::optional<Early<A>> _batchEarly() {
    SchedulerState<A>& st = live();
    return st.sequential ? st.takeBatchEarly() : st.readBatchEarly();
  }

  const std::shared_ptr<SchedulerState<A>>& state() const noexcept { return st_; }

 private:
  SchedulerState<A>& live() const {
    SchedulerState<A>& st = *st_;
    if (st.ended.load(std::memory_order_acquire)) detail::throwSchedulerEnded();
    return st;
  }
  std::shared_ptr<SchedulerState<A>> st_;
};

// ---- Batches and worker states ----------------------------------------------------------

/// The handle of one batch of a scheduler: the batch id read when the handle was made.
/// Cancelling succeeds only while that batch is the current one; copies refer to the same batch.
template <class A>
class Batch {
 public:
  explicit Batch(Scheduler<A> s) : s_(std::move(s)), id_(s_._currentBatchId()) {}

  /// Cancels this batch; its outcome is the results completed by then, then v. False when the
  /// batch has ended already. Threaded: on success throws CancelBatchException (never returns
  /// true). Sequential: returns true.
  bool batchCancel(A v) { return s_._cancelBatch(id_, Early<A>(std::move(v))); }
  /// Cancels this batch; its outcome is v alone. As batchCancel otherwise.
  bool batchCancelWith(A v) { return s_._cancelBatch(id_, EarlyWith<A>(std::move(v))); }
  /// True once the scheduler's batch id differs from the one of this handle.
  bool batchHasFinished() { return s_._currentBatchId() != id_; }

  BatchId batchId() const noexcept { return id_; }
  Scheduler<A>& scheduler() noexcept { return s_; }

 private:
  Scheduler<A> s_;
  BatchId id_;
};

/// One value of type WS per worker of a strategy: element i belongs to the worker with index i.
/// The use flag keeps two schedulers from using the same states at once. Not copyable: pass it
/// by reference to every scheduler that uses it, one after another.
template <class WS>
class WorkerStates {
 public:
  WorkerStates(Comp comp, std::vector<WS> states)
      : comp_(std::move(comp)), states_(std::move(states)) {}
  WorkerStates(const WorkerStates&) = delete;
  WorkerStates& operator=(const WorkerStates&) = delete;

  /// The strategy the states were made for.
  const Comp& _workerStatesComp() const noexcept { return comp_; }
  /// The states, one per worker, in worker-index order (fixed length; elements mutable).
  std::vector<WS>& _workerStatesArray() noexcept { return states_; }
  const std::vector<WS>& _workerStatesArray() const noexcept { return states_; }
  /// The use flag: 0 free, 1 used by a scheduler.
  std::atomic<std::int64_t>& _workerStatesMutex() noexcept { return flag_; }

 private:
  Comp comp_;
  std::vector<WS> states_;
  std::atomic<std::int64_t> flag_{0};
};

/// A scheduler whose jobs can use the state of the worker that runs them.
template <class WS, class A>
struct SchedulerWS {
  WorkerStates<WS>& _workerStates;
  Scheduler<A>& _getScheduler;
};

}  // namespace Control::Scheduler::Types

template <>
struct std::hash<Control::Scheduler::Types::BatchId> {
  std::size_t operator()(Control::Scheduler::Types::BatchId b) const noexcept {
    return std::hash<std::int64_t>{}(b.getBatchId);
  }
};
