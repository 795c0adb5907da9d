// SPDX-License-Identifier: MIT
// Control/Scheduler.hpp: run jobs on worker threads chosen by a strategy and collect their
// results in scheduling order.
//   std::vector<int> xs = withScheduler(Par, [](Scheduler<int>& s) {
//     for (int i = 0; i < 10; ++i) scheduleWork(s, [i] { return i * i; });
//   });
#pragma once

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
using Types::TerminateEarlyException;
using Types::WorkerException;
using Types::WorkerTerminateException;

namespace detail {
/// Marks a result type to be taken from the action's parameter `Scheduler<A>&`.
struct Deduce {};
template <class M>
struct SchedulerArg {};
template <class C, class R, class A>
struct SchedulerArg<R (C::*)(Scheduler<A>&) const> {
  using type = A;
};
template <class C, class R, class A>
struct SchedulerArg<R (C::*)(Scheduler<A>&)> {
  using type = A;
};
template <class C, class R, class A>
struct SchedulerArg<R (C::*)(Scheduler<A>&) const noexcept> {
  using type = A;
};
template <class C, class R, class A>
struct SchedulerArg<R (C::*)(Scheduler<A>&) noexcept> {
  using type = A;
};
template <class A, class Action>
struct Pick {
  using type = A;
};
template <class Action>
struct Pick<Deduce, Action> {
  using type = typename SchedulerArg<decltype(&std::decay_t<Action>::operator())>::type;
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

}  // namespace Control::Scheduler
