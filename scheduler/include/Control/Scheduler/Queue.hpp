// SPDX-License-Identifier: MIT
// Control/Scheduler/Queue.hpp: the job queue between the scheduling thread and the workers,
// with the result cells of its jobs, the pop gate, and the one-slot mailbox.
//   auto q = newJQueue<int>(); pushJQueue(*q, mkJob<int>(...)); unblockPopJQueue(*q);
//   popJQueue(*q)(WorkerId{0}); readResults(*q);   // newest first
#pragma once

#include <scheduler/export.hpp>

#include <algorithm>
#include <atomic>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iosfwd>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "Control/Scheduler/Thread.hpp"

namespace Control::Scheduler::Queue {

/// The value of "nothing": the result type of jobs run for their effects.
struct SCHEDULER_API Unit {
  friend constexpr bool operator==(Unit, Unit) noexcept { return true; }
  friend constexpr auto operator<=>(Unit, Unit) noexcept { return std::strong_ordering::equal; }
};

/// One-slot mailbox: empty or holding one value. put waits until empty, take until full,
/// read until full (leaving it full). Every blocking wait is an interruption point.
template <class T>
class Mailbox {
 public:
  Mailbox() = default;
  explicit Mailbox(T v) : value_(std::move(v)), full_(true) {}
  Mailbox(const Mailbox&) = delete;
  Mailbox& operator=(const Mailbox&) = delete;

  void put(T v) {
    for (;;) {
      if (tryPut(v)) return;
      Thread::waitUntil(word_, [&] { return !full_.load(); }, 0);
    }
  }
  T take() {
    for (;;) {
      if (auto v = tryTake()) return std::move(*v);
      Thread::waitUntil(word_, [&] { return full_.load(); }, Thread::kStatusSpinNs);
    }
  }
  T read() {
    for (;;) {
      {
        std::lock_guard lock(m_);
        if (value_) return *value_;
      }
      Thread::waitUntil(word_, [&] { return full_.load(); }, Thread::kStatusSpinNs);
    }
  }
  /// Fills the slot if it is empty; never waits. The value is moved from only on success.
  bool tryPut(T& v) {
    {
      std::lock_guard lock(m_);
      if (value_) return false;
      value_.emplace(std::move(v));
      full_.store(true);
    }
    word_.notifyAll();
    return true;
  }
  std::optional<T> tryTake() {
    std::optional<T> out;
    {
      std::lock_guard lock(m_);
      if (!value_) return out;
      out.emplace(std::move(*value_));
      value_.reset();
      full_.store(false);
    }
    word_.notifyAll();
    return out;
  }
  bool isEmpty() const noexcept { return !full_.load(); }

 private:
  mutable std::mutex m_;
  std::optional<T> value_;
  std::atomic<bool> full_{false};
  Thread::WaitWord word_;
};

/// The mailbox of nothing, lock-free: used as the pop gate, read before every pop.
template <>
class Mailbox<Unit> {
 public:
  Mailbox() = default;
  explicit Mailbox(Unit) : full_(1) {}
  Mailbox(const Mailbox&) = delete;
  Mailbox& operator=(const Mailbox&) = delete;

  void put(Unit = {}) {
    for (;;) {
      std::uint32_t empty = 0;
      if (full_.compare_exchange_strong(empty, 1)) break;
      Thread::waitUntil(word_, [&] { return full_.load() == 0; }, 0);
    }
    word_.notifyAll();
  }
  Unit take() {
    for (;;) {
      std::uint32_t full = 1;
      if (full_.compare_exchange_strong(full, 0)) break;
      Thread::waitUntil(word_, [&] { return full_.load() == 1; }, 0);
    }
    word_.notifyAll();
    return {};
  }
  Unit read() {
    if (full_.load(std::memory_order_acquire) == 0)
      Thread::waitUntil(word_, [&] { return full_.load() == 1; }, Thread::kGateSpinNs, 0);
    return {};
  }
  bool tryTake() {
    std::uint32_t full = 1;
    if (!full_.compare_exchange_strong(full, 0)) return false;
    word_.notifyAll();
    return true;
  }
  bool isEmpty() const noexcept { return full_.load() == 0; }

 private:
  std::atomic<std::uint32_t> full_{0};
  Thread::WaitWord word_;
};

/// The 0-based index of a worker within its scheduler.
struct SCHEDULER_API WorkerId {
  std::int64_t getWorkerId = 0;

  friend constexpr bool operator==(WorkerId, WorkerId) = default;
  friend constexpr auto operator<=>(WorkerId, WorkerId) = default;
  friend constexpr WorkerId operator+(WorkerId a, WorkerId b) { return {a.getWorkerId + b.getWorkerId}; }
  friend constexpr WorkerId operator-(WorkerId a, WorkerId b) { return {a.getWorkerId - b.getWorkerId}; }
  friend constexpr WorkerId operator*(WorkerId a, WorkerId b) { return {a.getWorkerId * b.getWorkerId}; }
  constexpr WorkerId& operator++() { ++getWorkerId; return *this; }
  constexpr WorkerId& operator--() { --getWorkerId; return *this; }

  /// Parses "WorkerId {getWorkerId = n}", optionally parenthesised, white space between tokens.
  static std::optional<WorkerId> read(std::string_view text);
};
/// "WorkerId {getWorkerId = 3}".
SCHEDULER_API std::string show(WorkerId w);
/// As show, in parentheses when d >= 11.
SCHEDULER_API std::string showsPrec(int d, WorkerId w);
SCHEDULER_API std::ostream& operator<<(std::ostream& os, WorkerId w);

/// The result cell of a job: empty until the job stores its value.
template <class A>
class ResultCell {
 public:
  ResultCell() noexcept {}
  ~ResultCell() { clear(); }
  ResultCell(const ResultCell&) = delete;
  ResultCell& operator=(const ResultCell&) = delete;

  /// Writes v into the cell (a plain write: only the job's worker writes it).
  void store(A v) {
    if (has_) {
      value_ = std::move(v);
    } else {
      ::new (static_cast<void*>(std::addressof(value_))) A(std::move(v));
      has_ = true;
    }
  }
  bool has() const noexcept { return has_; }
  A& value() noexcept { return value_; }
  void clear() noexcept {
    if (has_) {
      value_.~A();
      has_ = false;
    }
  }

 private:
  bool has_ = false;
  union {
    A value_;
  };
};

/// A job body: a callable run once with the worker's index and the job's result cell.
/// Small callables live inline (no allocation per job); larger ones on the heap.
template <class A>
class JobBody {
 public:
  JobBody() noexcept = default;
  template <class G, class = std::enable_if_t<!std::is_same_v<std::decay_t<G>, JobBody>>>
  explicit JobBody(G&& g) {
    using F = std::decay_t<G>;
    if constexpr (sizeof(F) <= kInline && alignof(F) <= alignof(std::max_align_t) &&
                  std::is_nothrow_move_constructible_v<F>) {
      ::new (static_cast<void*>(buf_)) F(std::forward<G>(g));
      invoke_ = [](void* p, WorkerId w, ResultCell<A>& c) { (*static_cast<F*>(p))(w, c); };
      if constexpr (!(std::is_trivially_copyable_v<F> && std::is_trivially_destructible_v<F>)) {
        manage_ = [](Op op, void* dst, void* src) noexcept {
          if (op == Op::Move) {
            ::new (dst) F(std::move(*static_cast<F*>(src)));
            static_cast<F*>(src)->~F();
          } else {
            static_cast<F*>(dst)->~F();
          }
        };
      }
    } else {
      F* heap = new F(std::forward<G>(g));
      std::memcpy(buf_, &heap, sizeof heap);
      invoke_ = [](void* p, WorkerId w, ResultCell<A>& c) { (**static_cast<F**>(p))(w, c); };
      manage_ = [](Op op, void* dst, void* src) noexcept {
        if (op == Op::Move)
          std::memcpy(dst, src, sizeof(F*));
        else
          delete *static_cast<F**>(dst);
      };
    }
  }
  JobBody(JobBody&& o) noexcept { moveFrom(o); }
  JobBody& operator=(JobBody&& o) noexcept {
    if (this != &o) {
      reset();
      moveFrom(o);
    }
    return *this;
  }
  ~JobBody() { reset(); }

  explicit operator bool() const noexcept { return invoke_ != nullptr; }
  void operator()(WorkerId w, ResultCell<A>& c) { invoke_(buf_, w, c); }
  void reset() noexcept {
    if (manage_ != nullptr) manage_(Op::Destroy, buf_, nullptr);
    invoke_ = nullptr;
    manage_ = nullptr;
  }

 private:
  static constexpr std::size_t kInline = 16;
  enum class Op { Move, Destroy };
  using Invoke = void (*)(void*, WorkerId, ResultCell<A>&);
  using Manage = void (*)(Op, void*, void*) noexcept;

  void moveFrom(JobBody& o) noexcept {
    if (o.manage_ != nullptr)
      o.manage_(Op::Move, buf_, o.buf_);
    else
      std::memcpy(buf_, o.buf_, kInline);
    invoke_ = o.invoke_;
    manage_ = o.manage_;
    o.invoke_ = nullptr;
    o.manage_ = nullptr;
  }

  alignas(std::max_align_t) unsigned char buf_[kInline] = {};
  Invoke invoke_ = nullptr;
  Manage manage_ = nullptr;
};

/// A job: `Job` (its result goes to its cell, collected by readResults) or `Job_` (its result
/// is discarded). Build with mkJob or Job_.
template <class A>
class Job {
 public:
  explicit Job(JobBody<A> body, bool collects) : body_(std::move(body)), collects_(collects) {}
  /// True for a `Job` (with a result cell), false for a `Job_`.
  bool collects() const noexcept { return collects_; }
  JobBody<A>& body() noexcept { return body_; }

 private:
  JobBody<A> body_;
  bool collects_;
};

/// A `Job`: maker receives the store function (value -> void, writing the job's cell) and
/// returns the body (WorkerId -> void).
template <class A, class Maker>
Job<A> mkJob(Maker maker) {
  return Job<A>(JobBody<A>([maker = std::move(maker)](WorkerId w, ResultCell<A>& cell) mutable {
                  auto store = [&cell](A v) { cell.store(std::move(v)); };
                  maker(store)(w);
                }),
                true);
}

/// A `Job_`: body (WorkerId -> anything) runs for its effects; nothing is stored.
template <class A, class Body>
Job<A> Job_(Body body) {
  return Job<A>(JobBody<A>([body = std::move(body)](WorkerId w, ResultCell<A>&) mutable {
                  (void)body(w);
                }),
                false);
}

/// The unbounded FIFO job queue of one scheduler. Pushing is one fetch-and-add on the tail
/// index; popping one compare-and-swap on the head index; jobs and their result cells live in
/// chunks of 1024 slots that are freed with the queue. See docs/scheduler.md for why this
/// layout replaces a list snapshot swapped whole.
template <class A>
class JQueue {
  struct Slot;

 public:
  /// A popped job: call it once with the worker's index. Its body runs in place in the queue.
  class Popped {
   public:
    explicit Popped(Slot* s) noexcept : slot_(s) {}
    /// False for the empty result of pop on a closed queue.
    explicit operator bool() const noexcept { return slot_ != nullptr; }
    Popped(Popped&& o) noexcept : slot_(std::exchange(o.slot_, nullptr)) {}
    Popped& operator=(Popped&&) = delete;
    ~Popped() { finish(); }
    void operator()(WorkerId w) {
      struct Finish {
        Popped& p;
        ~Finish() { p.finish(); }
      } finish{*this};
      slot_->body(w, slot_->cell);
    }

   private:
    void finish() noexcept {
      if (slot_ == nullptr) return;
      slot_->body.reset();
      slot_->state.store(slot_->cell.has() ? kResult : kDone, std::memory_order_release);
      slot_ = nullptr;
    }
    Slot* slot_;
  };

  JQueue() {
    Chunk* c = newChunk(0);
    first_.store(c);
    pushHint_.store(c);
    popHint_.store(c);
    collectHint_ = c;
  }
  JQueue(const JQueue&) = delete;
  JQueue& operator=(const JQueue&) = delete;
  ~JQueue() {
    // Slots need a visit only if a job was queued and never run (its body is alive) or if the
    // results hold values with destructors; otherwise the chunks are simply freed.
    const bool visit = dropped_.load() || head_.load() != tail_.load() ||
                       !std::is_trivially_destructible_v<A>;
    for (Chunk* c = first_.load(); c != nullptr;) {
      Chunk* next = c->next.load();
      if (visit) {
        for (Slot& s : c->slots) {
          if (s.state.load() == kReady) s.body.reset();  // queued, never run
          s.cell.clear();
        }
      }
      freeChunk(c);
      c = next;
    }
  }

  /// Queues job (never waits on the pop gate) and wakes one sleeping popper: while the gate
  /// is open for every job, while it is closed only for the first job of an empty queue (that
  /// popper wakes while the batch is being scheduled and waits at the gate, ready to start;
  /// opening the gate wakes the others). A batch of many jobs thus costs one wake-up, not one
  /// per job.
  void push(Job<A> job) { pushBody(std::move(job.body())); }
  void pushBody(JobBody<A>&& body) noexcept {
    const std::uint64_t t = tail_.fetch_add(1);
    Slot& s = slotAt(t, pushHint_);
    s.body = std::move(body);
    s.state.store(kReady, std::memory_order_release);
    if (notEmpty_.waiters.load() != 0 &&
        (!gate_.isEmpty() || t == head_.load(std::memory_order_relaxed)))
      notEmpty_.notifyOne();
  }

  /// Waits at the pop gate, then takes the oldest job, spinning briefly and then sleeping
  /// while the queue is empty (and at the gate again once a job has come). On a closed queue
  /// returns an empty Popped instead of waiting.
  Popped pop() {
    for (;;) {
      gate_.read();
      std::uint64_t h = head_.load(std::memory_order_acquire);
      while (h < tail_.load(std::memory_order_acquire)) {
        if (head_.compare_exchange_weak(h, h + 1)) return Popped(&claim(h));
      }
      if (closed_.load(std::memory_order_acquire)) return Popped(nullptr);
      Thread::waitUntil(
          notEmpty_,
          [&] { return head_.load() < tail_.load() || closed_.load(); },
          Thread::kWorkSpinNs, 0);
    }
  }

  /// Marks the queue as finished with: poppers waiting for a job return empty-handed, now and
  /// later. Used when the last job of a run has finished and no job can be queued any more.
  void close() noexcept {
    closed_.store(true, std::memory_order_release);
    notEmpty_.notifyAll();
  }

  /// The oldest job if the gate is open and the queue is not empty; never waits.
  std::optional<Popped> tryPop() {
    if (gate_.isEmpty()) return std::nullopt;
    std::uint64_t h = head_.load(std::memory_order_acquire);
    while (h < tail_.load(std::memory_order_acquire)) {
      if (head_.compare_exchange_weak(h, h + 1)) return Popped(&claim(h));
    }
    return std::nullopt;
  }

  /// Closes the pop gate (waits if it is closed already).
  void blockPop() { gate_.take(); }
  /// Opens the pop gate (waits if it is open already) and wakes the poppers waiting behind it
  /// or for a job.
  void unblockPop() {
    gate_.put();
    notEmpty_.notifyAll();
  }
  /// Closes the gate if it is open; true when it was.
  bool tryBlockPop() { return gate_.tryTake(); }

  /// Drops every job not yet popped; result cells stay for the next collection.
  void clearPending() {
    std::uint64_t h = head_.load();
    std::uint64_t t = tail_.load();
    while (!head_.compare_exchange_weak(h, t)) t = tail_.load();
    if (h != t) dropped_.store(true);
  }

  /// Takes the values of the jobs pushed since the last collection that completed, in push
  /// order, and drops the jobs not yet popped, in one atomic step.
  std::vector<A> takeResultsInOrder() {
    std::lock_guard lock(collectMutex_);
    std::uint64_t h = head_.load();
    std::uint64_t t = tail_.load();
    while (!head_.compare_exchange_weak(h, t)) t = tail_.load();
    if (h != t) dropped_.store(true);
    std::vector<A> out;
    out.reserve(static_cast<std::size_t>(t - base_));
    Chunk* c = collectHint_;
    for (std::uint64_t i = base_; i < t;) {
      while (i / kChunk != c->index) c = nextChunk(c);
      // The slots of this chunk in [i, t).
      const std::uint64_t end = std::min<std::uint64_t>(t, (c->index + 1) * kChunk);
      for (Slot* s = &c->slots[i % kChunk]; i < end; ++i, ++s) {
        if (s->state.load(std::memory_order_acquire) == kResult) {
          out.push_back(std::move(s->cell.value()));
          if constexpr (!std::is_trivially_destructible_v<A>) s->cell.clear();
        }
      }
    }
    base_ = t;
    collectHint_ = c;
    return out;
  }

  /// Frees the chunks that lie wholly before the collection point, keeping the one the next
  /// push or collection starts in, so that a queue serving many batches holds no more than
  /// the jobs of one. Only while no worker can be inside the queue: every job pushed so far
  /// has finished and been collected and the pop gate is closed (the end of a batch).
  /// Returns the number of chunks freed.
  std::size_t releaseCollected() {
    std::lock_guard lock(collectMutex_);
    const std::uint64_t keep = base_ / kChunk;
    Chunk* c = first_.load();
    std::size_t freed = 0;
    for (Chunk* next; c->index < keep && (next = c->next.load()) != nullptr; c = next, ++freed) {
      for (Slot& s : c->slots)
        if (s.state.load(std::memory_order_relaxed) == kReady) s.body.reset();  // dropped unrun
      freeChunk(c);
    }
    if (freed != 0) {
      first_.store(c);
      pushHint_.store(c);
      popHint_.store(c);
      collectHint_ = c;
    }
    return freed;
  }

  /// Jobs pushed and not yet popped (a snapshot).
  std::uint64_t pendingCount() const noexcept {
    const auto h = head_.load();
    const auto t = tail_.load();
    return t > h ? t - h : 0;
  }

 private:
  static constexpr std::size_t kChunk = 1024;
  static constexpr std::uint8_t kEmpty = 0, kReady = 1, kDone = 2, kResult = 3;

  struct Slot {
    std::atomic<std::uint8_t> state{kEmpty};
    ResultCell<A> cell;
    JobBody<A> body;
  };
  struct Chunk {
    explicit Chunk(std::uint64_t i) : index(i) {}
    std::uint64_t index;
    std::atomic<Chunk*> next{nullptr};
    Slot slots[kChunk];
  };

  // Chunks of finished queues are kept for the next queue of this type, up to kPoolBytes:
  // a run of 10^5 jobs fills some 100 chunks, and memory freed back to the system after each
  // run would be faulted in again, page by page, by the next one (a quarter of the cost of a
  // job queued from a job). The pool is never destroyed, so a queue may outlive static
  // destruction; what it holds stays reachable.
  static constexpr std::size_t kPoolBytes = std::size_t{8} << 20;
  struct ChunkPool {
    std::mutex m;
    std::vector<Chunk*> chunks;
  };
  static ChunkPool& pool() {
    static ChunkPool* p = new ChunkPool;
    return *p;
  }
  static Chunk* newChunk(std::uint64_t index) {
    ChunkPool& p = pool();
    {
      std::lock_guard lock(p.m);
      if (!p.chunks.empty()) {
        Chunk* c = p.chunks.back();
        p.chunks.pop_back();
        c->index = index;
        return c;
      }
    }
    return new Chunk(index);
  }
  /// Takes a chunk whose bodies are all empty; resets its slots and keeps it if there is room.
  static void freeChunk(Chunk* c) noexcept {
    for (Slot& s : c->slots) {
      s.state.store(kEmpty, std::memory_order_relaxed);
      s.cell.clear();
    }
    c->next.store(nullptr, std::memory_order_relaxed);
    ChunkPool& p = pool();
    {
      std::lock_guard lock(p.m);
      if (p.chunks.size() < kPoolBytes / sizeof(Chunk)) {
        try {
          p.chunks.push_back(c);
          return;
        } catch (...) {  // no memory for the pointer: free the chunk instead
        }
      }
    }
    delete c;
  }

  Chunk* nextChunk(Chunk* c) {
    Chunk* n = c->next.load(std::memory_order_acquire);
    if (n == nullptr) {
      Chunk* fresh = newChunk(c->index + 1);
      if (c->next.compare_exchange_strong(n, fresh))
        n = fresh;
      else
        freeChunk(fresh);
    }
    return n;
  }

  Slot& slotAt(std::uint64_t i, std::atomic<Chunk*>& hint) {
    const std::uint64_t k = i / kChunk;
    Chunk* c = hint.load(std::memory_order_acquire);
    if (c->index > k) c = first_.load(std::memory_order_acquire);
    const Chunk* start = c;
    while (c->index < k) c = nextChunk(c);
    if (c != start) {
      Chunk* h = hint.load(std::memory_order_acquire);
      while (h->index < c->index && !hint.compare_exchange_weak(h, c)) {
      }
    }
    return c->slots[i % kChunk];
  }

  Slot& claim(std::uint64_t h) {
    Slot& s = slotAt(h, popHint_);
    // The pusher reserved this index before publishing the job: wait for the publication.
    for (int spins = 0; s.state.load(std::memory_order_acquire) != kReady; ++spins) {
      if (spins > 128) std::this_thread::yield();
    }
    return s;
  }

  alignas(64) std::atomic<std::uint64_t> tail_{0};
  alignas(64) std::atomic<std::uint64_t> head_{0};
  alignas(64) Thread::WaitWord notEmpty_;
  std::atomic<Chunk*> pushHint_{nullptr};
  std::atomic<Chunk*> popHint_{nullptr};
  std::atomic<Chunk*> first_{nullptr};
  Mailbox<Unit> gate_;
  std::atomic<bool> closed_{false};
  std::atomic<bool> dropped_{false};  // some job was dropped unrun by a collection or a clear
  std::mutex collectMutex_;
  std::uint64_t base_ = 0;
  Chunk* collectHint_ = nullptr;
};

/// A new queue: empty, with its pop gate closed (no pop proceeds before unblockPopJQueue).
template <class A>
std::unique_ptr<JQueue<A>> newJQueue() {
  return std::make_unique<JQueue<A>>();
}
template <class A>
void pushJQueue(JQueue<A>& q, Job<A> job) {
  q.push(std::move(job));
}
/// The next job's body; waits at the gate and while the queue is empty.
template <class A>
typename JQueue<A>::Popped popJQueue(JQueue<A>& q) {
  return q.pop();
}
template <class A>
void blockPopJQueue(JQueue<A>& q) {
  q.blockPop();
}
template <class A>
void unblockPopJQueue(JQueue<A>& q) {
  q.unblockPop();
}
template <class A>
void clearPendingJQueue(JQueue<A>& q) {
  q.clearPending();
}
/// The values of the completed `Job` jobs pushed since the last collection, newest first;
/// jobs not yet popped are dropped.
template <class A>
std::vector<A> readResults(JQueue<A>& q) {
  auto v = q.takeResultsInOrder();
  std::reverse(v.begin(), v.end());
  return v;
}

}  // namespace Control::Scheduler::Queue

template <>
struct std::hash<Control::Scheduler::Queue::WorkerId> {
  std::size_t operator()(Control::Scheduler::Queue::WorkerId w) const noexcept {
    return std::hash<std::int64_t>{}(w.getWorkerId);
  }
};
