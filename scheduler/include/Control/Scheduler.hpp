// SPDX-License-Identifier: MIT
// Control/Scheduler.hpp: run jobs on worker threads chosen by a strategy and collect their
// results in scheduling order.
//   std::vector<int> xs = withScheduler(Par, [](Scheduler<int>& s) {
//     for (int i = 0; i < 10; ++i) scheduleWork(s, [i] { return i * i; });
//   });
#pragma once

#include <scheduler/export.hpp>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <iterator>
#include <ranges>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <vector>

#include "Control/Scheduler/Computation.hpp"
#include "Control/Scheduler/Internal.hpp"
#include "Control/Scheduler/Queue.hpp"
#include "Control/Scheduler/Thread.hpp"
#include "Control/Scheduler/Types.hpp"

namespace Control::Scheduler {

using namespace Control::Scheduler::Computation;
using Queue::Unit;
using Queue::WorkerId;
using Thread::AsyncException;
using Thread::interruptionPoint;
using Types::Batch;
using Types::BatchId;
using Types::CancelBatchException;
using Types::Early;
using Types::EarlyWith;
using Types::Finished;
using Types::FinishedEarly;
using Types::FinishedEarlyWith;
using Types::MutexException;
using Types::Results;
using Types::Scheduler;
using Types::SchedulerWS;
using Types::TerminateEarlyException;
using Types::WorkerException;
using Types::WorkerStates;
using Types::WorkerTerminateException;

namespace detail {
/// Marks a result type to be taken from the action's parameter `Scheduler<A>&` (or
/// `SchedulerWS<WS, A>&`).
struct Deduce {};
template <class M>
struct ParamOf {};
template <class C, class R, class P>
struct ParamOf<R (C::*)(P) const> {
  using type = P;
};
template <class C, class R, class P>
struct ParamOf<R (C::*)(P)> {
  using type = P;
};
template <class C, class R, class P>
struct ParamOf<R (C::*)(P) const noexcept> {
  using type = P;
};
template <class C, class R, class P>
struct ParamOf<R (C::*)(P) noexcept> {
  using type = P;
};
template <class P>
struct ResultArg {};
template <class A>
struct ResultArg<Scheduler<A>&> {
  using type = A;
};
template <class WS, class A>
struct ResultArg<SchedulerWS<WS, A>&> {
  using type = A;
};
template <class A, class Action>
struct Pick {
  using type = A;
};
template <class Action>
struct Pick<Deduce, Action> {
  using type =
      typename ResultArg<typename ParamOf<decltype(&std::decay_t<Action>::operator())>::type>::type;
};
template <class A, class Action>
using ResultOf = typename Pick<A, Action>::type;

template <class A>
std::vector<A> inOrderList(Results<A> r) {
  return std::visit(
      [](auto&& x) -> std::vector<A> {
        using X = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<X, Finished<A>>) {
          return std::move(x.results);
        } else if constexpr (std::is_same_v<X, FinishedEarly<A>>) {
          x.results.push_back(std::move(x.value));
          return std::move(x.results);
        } else {
          std::vector<A> out;
          out.push_back(std::move(x.value));
          return out;
        }
      },
      std::move(r.variant()));
}

template <class A, class Action>
Results<A> run(const Comp& comp, bool collecting, Action& action) {
  if (isSeq(comp)) return Internal::runSequential<A>(collecting, action);
  return Internal::runThreaded<A>(comp, collecting, action);
}
}  // namespace detail

/// Runs action with a fresh scheduler for comp, waits for every job and returns the results
/// in scheduling order. After `terminate` v: the results completed by then, then v; after
/// `terminateWith` v: [v]. A job's exception is rethrown here unchanged. Worker threads are
/// joined before this returns. With Seq, jobs run on this thread as they are scheduled.
/// A is taken from the action's parameter `Scheduler<A>&` when not given.
template <class A = detail::Deduce, class Action>
std::vector<detail::ResultOf<A, Action>> withScheduler(const Comp& comp, Action&& action) {
  using R = detail::ResultOf<A, Action>;
  return detail::inOrderList(detail::run<R>(comp, true, action));
}

/// As withScheduler, results not collected.
template <class A = detail::Deduce, class Action>
void withScheduler_(const Comp& comp, Action&& action) {
  using R = std::conditional_t<std::is_same_v<A, detail::Deduce>,
                               typename detail::Pick<A, Action>::type, A>;
  (void)detail::run<R>(comp, false, action);
}

/// As withScheduler, returning the `Results` with its list in scheduling order.
template <class A = detail::Deduce, class Action>
Results<detail::ResultOf<A, Action>> withSchedulerR(const Comp& comp, Action&& action) {
  return detail::run<detail::ResultOf<A, Action>>(comp, true, action);
}

/// withScheduler with Seq.
template <class A = detail::Deduce, class Action>
std::vector<detail::ResultOf<A, Action>> withTrivialScheduler(Action&& action) {
  return withScheduler<A>(Seq, std::forward<Action>(action));
}

/// Queues f (WorkerId -> A); f receives the index of the worker that runs it.
template <class A, class F>
void scheduleWorkId(Scheduler<A>& s, F f) {
  s._scheduleWorkId(std::move(f));
}
/// Queues f (() -> A).
template <class A, class F>
void scheduleWork(Scheduler<A>& s, F f) {
  s._scheduleWorkId([f = std::move(f)](WorkerId) mutable -> A { return f(); });
}
/// Queues f (WorkerId -> anything) on a scheduler of nothing.
template <class F>
void scheduleWorkId_(Scheduler<Unit>& s, F f) {
  s._scheduleWorkId([f = std::move(f)](WorkerId w) mutable {
    (void)f(w);
    return Unit{};
  });
}
/// Queues f (() -> anything) on a scheduler of nothing.
template <class F>
void scheduleWork_(Scheduler<Unit>& s, F f) {
  s._scheduleWorkId([f = std::move(f)](WorkerId) mutable {
    (void)f();
    return Unit{};
  });
}

/// Stops the run: the results completed so far, then v. Never returns.
template <class A, class V>
[[noreturn]] void terminate(Scheduler<A>& s, V&& v) {
  s._terminate(Early<A>(A(std::forward<V>(v))));
}
/// Stops the run with [v] as its whole result. Never returns.
template <class A, class V>
[[noreturn]] void terminateWith(Scheduler<A>& s, V&& v) {
  s._terminate(EarlyWith<A>(A(std::forward<V>(v))));
}
/// Stops a run of nothing. Never returns.
[[noreturn]] inline void terminate_(Scheduler<Unit>& s) { s._terminate(Early<Unit>(Unit{})); }

/// The number of workers of s: 1 for Seq, the list length for ParOn, n for ParN n.
template <class A>
std::int64_t numWorkers(const Scheduler<A>& s) {
  return s._numWorkers();
}

// ---- Batches ---------------------------------------------------------------------------

/// The current batch id of s: 0 at first, 1 more after every batch that ended (collected,
/// cancelled or terminated).
template <class A>
BatchId getCurrentBatch(Scheduler<A>& s) {
  return s._currentBatchId();
}

/// Runs action (taking a Batch<A>&; it schedules jobs with s) as one batch of s, waits for
/// everything it queued and returns the outcome in scheduling order. After a cancellation with
/// `cancelBatch` v: the results completed by then, then v; after `cancelBatchWith` v: v alone.
/// A threaded batch cancelled by the action itself (before the wait: no job has run) gives
/// v alone either way, its jobs dropped. Other exceptions of the action or of a job reach
/// the caller unchanged.
template <class A, class Action>
Results<A> runBatchR(Scheduler<A>& s, Action&& action) {
  Batch<A> b(s);
  try {
    action(b);
  } catch (const CancelBatchException&) {
    // Cancelled from the scheduling thread while the pop gate was closed; a sequential
    // cancellation never throws, so there it was thrown by hand.
    if (s.state()->sequential || !b.batchHasFinished()) throw;
    return Internal::endBatchCancelledBeforeWait(*s.state());
  }
  return s.waitForCurrentBatchInOrder();
}
/// As runBatchR, as a list: the results, then v after a cancellation.
template <class A, class Action>
std::vector<A> runBatch(Scheduler<A>& s, Action&& action) {
  return detail::inOrderList(runBatchR(s, std::forward<Action>(action)));
}
/// As runBatch, results dropped.
template <class A, class Action>
void runBatch_(Scheduler<A>& s, Action&& action) {
  (void)runBatchR(s, std::forward<Action>(action));
}

/// Cancels b: its outcome is the results completed by then, then v. False when b has ended.
/// Threaded: a successful cancellation throws CancelBatchException instead of returning.
template <class A, class V>
bool cancelBatch(Batch<A>& b, V&& v) {
  return b.batchCancel(A(std::forward<V>(v)));
}
/// cancelBatch with nothing, for a batch of nothing.
inline bool cancelBatch_(Batch<Unit>& b) { return b.batchCancel(Unit{}); }
/// Cancels b: its outcome is v alone. As cancelBatch otherwise.
template <class A, class V>
bool cancelBatchWith(Batch<A>& b, V&& v) {
  return b.batchCancelWith(A(std::forward<V>(v)));
}
/// True once b's batch has ended.
template <class A>
bool hasBatchFinished(Batch<A>& b) {
  return b.batchHasFinished();
}

// ---- Worker states ---------------------------------------------------------------------

/// States for the workers of comp: make(WorkerId i) for i = 0, 1, ..., n - 1 in this order
/// (n = getCompWorkers(comp)). A failure of make propagates; the states made so far are dropped.
template <class Make, class WS = std::decay_t<std::invoke_result_t<Make&, WorkerId>>>
WorkerStates<WS> initWorkerStates(const Comp& comp, Make&& make) {
  const std::int64_t n = getCompWorkers(comp);
  std::vector<WS> states;
  states.reserve(static_cast<std::size_t>(n));
  for (std::int64_t i = 0; i < n; ++i) states.push_back(make(WorkerId{i}));
  return WorkerStates<WS>(comp, std::move(states));
}

template <class WS, class A>
const Comp& workerStatesComp(const SchedulerWS<WS, A>& sws) {
  return sws._workerStates._workerStatesComp();
}
template <class WS, class A>
Scheduler<A>& unwrapSchedulerWS(const SchedulerWS<WS, A>& sws) {
  return sws._getScheduler;
}

namespace detail {
/// Runs action with a SchedulerWS over a scheduler for the states' strategy, made by run.
template <class A, class WS, class Action, class Run>
decltype(auto) withStates(WorkerStates<WS>& states, Action& action, Run run) {
  return Internal::withSchedulerWSInternal(states, [&](WorkerStates<WS>& ws) {
    return run(ws._workerStatesComp(), [&](Scheduler<A>& s) {
      SchedulerWS<WS, A> sws{ws, s};
      action(sws);
    });
  });
}
}  // namespace detail

/// withScheduler for the strategy of states, whose jobs may use their worker's state
/// (scheduleWorkState). Fails with MutexException, without running action, while another
/// scheduler uses the same states. A is taken from the action's parameter
/// `SchedulerWS<WS, A>&` when not given.
template <class A = detail::Deduce, class WS, class Action>
std::vector<detail::ResultOf<A, Action>> withSchedulerWS(WorkerStates<WS>& states,
                                                           Action&& action) {
  using R = detail::ResultOf<A, Action>;
  return detail::withStates<R>(states, action, [](const Comp& c, auto&& run) {
    return withScheduler<R>(c, run);
  });
}
/// As withSchedulerWS, results not collected.
template <class A = detail::Deduce, class WS, class Action>
void withSchedulerWS_(WorkerStates<WS>& states, Action&& action) {
  using R = detail::ResultOf<A, Action>;
  detail::withStates<R>(states, action, [](const Comp& c, auto&& run) {
    withScheduler_<R>(c, run);
  });
}
/// As withSchedulerWS, returning the `Results` in scheduling order.
template <class A = detail::Deduce, class WS, class Action>
Results<detail::ResultOf<A, Action>> withSchedulerWSR(WorkerStates<WS>& states,
                                                        Action&& action) {
  using R = detail::ResultOf<A, Action>;
  return detail::withStates<R>(states, action, [](const Comp& c, auto&& run) {
    return withSchedulerR<R>(c, run);
  });
}

/// Queues f (WorkerId, WS& -> A): run by worker w, it receives w and w's state. A worker runs
/// one job at a time, so f may change its state without locking.
template <class WS, class A, class F>
void scheduleWorkState(SchedulerWS<WS, A>& sws, F f) {
  WS* states = sws._workerStates._workerStatesArray().data();
  sws._getScheduler._scheduleWorkId([states, f = std::move(f)](WorkerId w) mutable -> A {
    return f(w, states[w.getWorkerId]);
  });
}
/// As scheduleWorkState, for a scheduler of nothing (f's result is dropped).
template <class WS, class F>
void scheduleWorkState_(SchedulerWS<WS, Unit>& sws, F f) {
  WS* states = sws._workerStates._workerStatesArray().data();
  sws._getScheduler._scheduleWorkId([states, f = std::move(f)](WorkerId w) mutable {
    (void)f(w, states[w.getWorkerId]);
    return Unit{};
  });
}

// ---- Concurrent traversal and replication ------------------------------------------------

/// Queues action n times on s (nothing when n <= 0); each job runs its own copy of action.
template <class A, class F>
void replicateWork(Scheduler<A>& s, std::int64_t n, const F& action) {
  for (std::int64_t k = n; k > 0; --k) scheduleWork(s, action);
}
/// As replicateWork, on a scheduler of nothing.
template <class F>
void replicateWork_(Scheduler<Unit>& s, std::int64_t n, const F& action) {
  for (std::int64_t k = n; k > 0; --k) scheduleWork_(s, action);
}

namespace detail {
/// The number of driver jobs for n jobs under comp: one per worker, at most one per job.
inline std::size_t driversFor(const Comp& comp, std::size_t n) {
  return std::min(n, static_cast<std::size_t>(getCompWorkers(comp)));
}

/// Runs g(0), ..., g(n - 1) as n jobs for comp (see Internal::runIndexed) and hands their
/// values in index order to use, which receives `next` (giving a B&& per call).
template <class B, class G, class Use>
decltype(auto) indexedValues(const Comp& comp, std::size_t n, G&& g, Use&& use) {
  const std::size_t drivers = driversFor(comp, n);
  std::vector<Internal::DriverResults<B>> parts(drivers);
  auto put = [&parts](std::size_t d, std::size_t i, B&& v) { parts[d].put(i, std::move(v)); };
  Internal::runIndexed(comp, n, drivers, g, put);
  Internal::IndexOrder<B> order(parts);
  return use([&]() -> B {
    B* v = order.next();
    if (v == nullptr) throw std::logic_error("Impossible<traverseConcurrently> - Mismatched sizes");
    return std::move(*v);
  });
}

/// A range whose elements are made as it is read (its iterators give values, not references).
template <class C>
concept MadeAsRead = std::ranges::range<const C> &&
                     !std::is_lvalue_reference_v<std::ranges::range_reference_t<const C>>;

/// g(i) = f(element i of c): straight from the container when its shape gives elements by
/// index, else through a table of their addresses made first (in visiting order), or of their
/// copies for a range that makes its elements as it is read. A Shape's forEach passes elements
/// that live as long as the container.
template <class C, class Run>
decltype(auto) withElements(const C& c, Run&& run) {
  using Sh = Internal::Shape<C>;
  using T = typename Sh::element;
  if constexpr (Internal::IndexableShape<C>) {
    std::size_t n = 0;
    if constexpr (requires { std::size(c); })
      n = static_cast<std::size_t>(std::size(c));
    else
      Sh::forEach(c, [&n](const T&) { ++n; });
    return run(n, [&c](std::size_t i) -> const T& { return Sh::at(c, i); });
  } else if constexpr (MadeAsRead<C>) {
    // A range whose elements are made as it is read (std::vector<bool>): keep copies.
    std::deque<T> xs;
    Sh::forEach(c, [&xs](const T& x) { xs.push_back(x); });
    return run(xs.size(), [&xs](std::size_t i) -> const T& { return xs[i]; });
  } else {
    std::vector<const T*> xs;
    Sh::forEach(c, [&xs](const T& x) { xs.push_back(&x); });
    return run(xs.size(), [&xs](std::size_t i) -> const T& { return *xs[i]; });
  }
}
}  // namespace detail

/// The n results of action run n times concurrently on the workers of comp, in scheduling
/// order; empty (and no thread started) when n <= 0. action is called from several threads at
/// once. The runs are n jobs taken one at a time, in order, by whichever worker is free.
template <class F, class B = std::decay_t<std::invoke_result_t<F&>>>
std::vector<B> replicateConcurrently(const Comp& comp, std::int64_t n, F&& action) {
  if (n <= 0) return {};
  const auto count = static_cast<std::size_t>(n);
  return detail::indexedValues<B>(
      comp, count, [&action](std::size_t) -> B { return action(); }, [count](auto&& next) {
        std::vector<B> out;
        out.reserve(count);
        for (std::size_t i = 0; i < count; ++i) out.push_back(next());
        return out;
      });
}
/// As replicateConcurrently, results dropped.
template <class F>
void replicateConcurrently_(const Comp& comp, std::int64_t n, F&& action) {
  if (n <= 0) return;
  const auto count = static_cast<std::size_t>(n);
  auto g = [&action](std::size_t) { return (void)action(), Unit{}; };
  auto put = [](std::size_t, std::size_t, Unit&&) {};
  Internal::runIndexed(comp, count, detail::driversFor(comp, count), g, put);
}

/// f applied to every element of c concurrently on the workers of comp (one job per element,
/// scheduled in c's order and taken one at a time in that order by whichever worker is free),
/// in a container of the same shape: vector, deque, list, array, optional, map and
/// unordered_map (keys kept, values traversed) keep their kind; any other range gives a
/// std::vector unless Internal::Shape is specialised for it. f is called from several threads
/// at once; with Seq, in order on this thread. An exception of f reaches the caller unchanged.
template <class C, class F>
auto traverseConcurrently(const Comp& comp, F&& f, const C& c) {
  using Sh = Internal::Shape<C>;
  using T = typename Sh::element;
  using B = std::decay_t<std::invoke_result_t<F&, const T&>>;
  static_assert(!std::is_void_v<B>, "traverseConcurrently needs f to return a value");
  return detail::withElements(c, [&](std::size_t n, auto element) {
    return detail::indexedValues<B>(
        comp, n, [&f, &element](std::size_t i) -> B { return f(element(i)); },
        [&c](auto&& next) { return Sh::template rebuild<B>(c, next); });
  });
}
/// f run on every element of c concurrently on the workers of comp, results dropped.
template <class C, class F>
void traverseConcurrently_(const Comp& comp, F&& f, const C& c) {
  detail::withElements(c, [&](std::size_t n, auto element) {
    auto g = [&f, &element](std::size_t i) { return (void)f(element(i)), Unit{}; };
    auto put = [](std::size_t, std::size_t, Unit&&) {};
    Internal::runIndexed(comp, n, detail::driversFor(comp, n), g, put);
  });
}

}  // namespace Control::Scheduler
