// SPDX-License-Identifier: MIT
// Global.cpp: the global scheduler, batches, worker states and concurrent traversal beside
// OpenMP, oneTBB and a pool of std::packaged_task workers, in one binary. The summary at the end
// prints medians per job (or per call) and the ratios of the goals.
//   scheduler_bench_Global --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

#include "Control/Scheduler.hpp"
#include "Control/Scheduler/Global.hpp"
#include "Harness.hpp"

#ifdef HAVE_TBB
#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>
#include <tbb/partitioner.h>
#include <tbb/task_arena.h>
#endif
#ifdef HAVE_OPENMP
#include <omp.h>
#endif

using namespace Control::Scheduler;
using bench::itersFor;
using bench::setJobs;
using bench::spin;

namespace {

constexpr int kCalls = 10000;
constexpr int kElements = 1000000, kMicroElements = 100000;
constexpr int kBatchJobs = 10000, kBatches = 100;
constexpr int kJobs = 1000000;

int workers() { return static_cast<int>(getCompWorkers(Par)); }

// ---- One call that schedules one trivial job and waits ----------------------------------

void Global_OneJob(benchmark::State& state) {
  GlobalScheduler& gs = globalScheduler();
  std::atomic<int> sink{0};
  for (auto _ : state)
    withGlobalScheduler_(gs, [&](Scheduler<Unit>& s) { scheduleWork_(s, [&] { sink.fetch_add(1, std::memory_order_relaxed); }); });
  setJobs(state, 1);
}

void WithScheduler_OneJob(benchmark::State& state) {
  std::atomic<int> sink{0};
  for (auto _ : state)
    withScheduler_(Par, [&](Scheduler<Unit>& s) { scheduleWork_(s, [&] { sink.fetch_add(1, std::memory_order_relaxed); }); });
  setJobs(state, 1);
}

#ifdef HAVE_OPENMP
void Omp_OneJob(benchmark::State& state) {
  std::atomic<int> sink{0};
  const int n = workers();
  for (auto _ : state) {
#pragma omp parallel num_threads(n)
#pragma omp single
    sink.fetch_add(1, std::memory_order_relaxed);
  }
  setJobs(state, 1);
}
#endif

#ifdef HAVE_TBB
void Tbb_OneJob(benchmark::State& state) {
  tbb::task_arena arena(workers());
  std::atomic<int> sink{0};
  for (auto _ : state) {
    std::promise<void> done;
    arena.enqueue([&] {
      sink.fetch_add(1, std::memory_order_relaxed);
      done.set_value();
    });
    done.get_future().wait();
  }
  setJobs(state, 1);
}
#endif

// A persistent pool of threads taking std::packaged_task jobs from a locked queue.
class TaskPool {
 public:
  explicit TaskPool(int n) {
    for (int i = 0; i < n; ++i)
      threads_.emplace_back([this] {
        for (;;) {
          std::packaged_task<void()> t;
          {
            std::unique_lock lock(m_);
            cv_.wait(lock, [&] { return stop_ || !tasks_.empty(); });
            if (tasks_.empty()) return;
            t = std::move(tasks_.front());
            tasks_.pop_front();
          }
          t();
        }
      });
  }
  ~TaskPool() {
    {
      std::lock_guard lock(m_);
      stop_ = true;
    }
    cv_.notify_all();
    for (auto& t : threads_) t.join();
  }
  std::future<void> submit(std::packaged_task<void()> t) {
    auto f = t.get_future();
    {
      std::lock_guard lock(m_);
      tasks_.push_back(std::move(t));
    }
    cv_.notify_one();
    return f;
  }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  std::deque<std::packaged_task<void()>> tasks_;
  bool stop_ = false;
  std::vector<std::thread> threads_;
};

void Pool_OneJob(benchmark::State& state) {
  TaskPool pool(workers());
  std::atomic<int> sink{0};
  for (auto _ : state)
    pool.submit(std::packaged_task<void()>([&] { sink.fetch_add(1, std::memory_order_relaxed); })).wait();
  setJobs(state, 1);
}

// ---- Consecutive calls of 8 trivial jobs (figures per call) -------------------------------

void Global_EightJobs(benchmark::State& state) {
  GlobalScheduler& gs = globalScheduler();
  std::atomic<int> sink{0};
  for (auto _ : state)
    for (int c = 0; c < kCalls; ++c)
      withGlobalScheduler_(gs, [&](Scheduler<Unit>& s) {
        for (int i = 0; i < 8; ++i) scheduleWork_(s, [&] { sink.fetch_add(1, std::memory_order_relaxed); });
      });
  setJobs(state, kCalls);
}

void WithScheduler_EightJobs(benchmark::State& state) {
  std::atomic<int> sink{0};
  for (auto _ : state)
    for (int c = 0; c < kCalls / 10; ++c)  // a tenth as many: each call starts and joins threads
      withScheduler_(Par, [&](Scheduler<Unit>& s) {
        for (int i = 0; i < 8; ++i) scheduleWork_(s, [&] { sink.fetch_add(1, std::memory_order_relaxed); });
      });
  setJobs(state, kCalls / 10);
}

// ---- Traversal of a vector ---------------------------------------------------------------

const std::vector<int>& inputs(int n) {
  static std::map<int, std::vector<int>> cache;
  auto& v = cache[n];
  if (v.empty()) {
    v.resize(static_cast<std::size_t>(n));
    std::iota(v.begin(), v.end(), 0);
  }
  return v;
}

void Ours_Traverse(benchmark::State& state, Comp comp) {
  const int n = static_cast<int>(state.range(0));
  const std::uint64_t k = itersFor(static_cast<double>(state.range(1)));
  const auto& in = inputs(n);
  for (auto _ : state) {
    auto out = traverseConcurrently(comp, [k](int x) { return k == 0 ? x + 1 : static_cast<int>(spin(k, static_cast<std::uint64_t>(x))); }, in);
    benchmark::DoNotOptimize(out.data());
  }
  setJobs(state, n);
}

void Loop_Traverse(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::uint64_t k = itersFor(static_cast<double>(state.range(1)));
  const auto& in = inputs(n);
  for (auto _ : state) {
    std::vector<int> out;
    out.reserve(in.size());
    for (int x : in) out.push_back(k == 0 ? x + 1 : static_cast<int>(spin(k, static_cast<std::uint64_t>(x))));
    benchmark::DoNotOptimize(out.data());
  }
  setJobs(state, n);
}

#ifdef HAVE_TBB
void Tbb_Traverse(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::uint64_t k = itersFor(static_cast<double>(state.range(1)));
  const auto& in = inputs(n);
  tbb::task_arena arena(workers());
  for (auto _ : state) {
    std::vector<int> out(in.size());
    arena.execute([&] {
      tbb::parallel_for(
          tbb::blocked_range<std::size_t>(0, in.size(), 1),
          [&](const tbb::blocked_range<std::size_t>& r) {
            for (std::size_t i = r.begin(); i != r.end(); ++i)
              out[i] = k == 0 ? in[i] + 1 : static_cast<int>(spin(k, static_cast<std::uint64_t>(in[i])));
          },
          tbb::simple_partitioner());
    });
    benchmark::DoNotOptimize(out.data());
  }
  setJobs(state, n);
}
#endif

#ifdef HAVE_OPENMP
// The peer that takes elements exactly as ours do: one at a time, in order, from a shared
// counter (schedule(dynamic, 1)).
void Omp_Traverse(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::uint64_t k = itersFor(static_cast<double>(state.range(1)));
  const auto& in = inputs(n);
  const int threads = workers();
  for (auto _ : state) {
    std::vector<int> out(in.size());
#pragma omp parallel for schedule(dynamic, 1) num_threads(threads)
    for (int i = 0; i < n; ++i)
      out[static_cast<std::size_t>(i)] =
          k == 0 ? in[static_cast<std::size_t>(i)] + 1
                 : static_cast<int>(spin(k, static_cast<std::uint64_t>(in[static_cast<std::size_t>(i)])));
    benchmark::DoNotOptimize(out.data());
  }
  setJobs(state, n);
}
#endif

// ---- Batches and worker states ------------------------------------------------------------

void Ours_Batches(benchmark::State& state) {
  for (auto _ : state) {
    long total = 0;
    withScheduler_<int>(Par, [&](Scheduler<int>& s) {
      for (int b = 0; b < kBatches; ++b) {
        auto xs = runBatch(s, [&](Batch<int>&) {
          for (int i = 0; i < kBatchJobs; ++i) scheduleWork(s, [i] { return i; });
        });
        total += static_cast<long>(xs.size());
      }
    });
    benchmark::DoNotOptimize(total);
  }
  setJobs(state, kBatches * kBatchJobs);
}

// The same jobs collected by runBatch on a collecting scheduler (withScheduler).
void Ours_BatchesCollected(benchmark::State& state) {
  for (auto _ : state) {
    auto rest = withScheduler<int>(Par, [&](Scheduler<int>& s) {
      for (int b = 0; b < kBatches; ++b) {
        auto xs = runBatch(s, [&](Batch<int>&) {
          for (int i = 0; i < kBatchJobs; ++i) scheduleWork(s, [i] { return i; });
        });
        benchmark::DoNotOptimize(xs.data());
      }
    });
    benchmark::DoNotOptimize(rest.data());
  }
  setJobs(state, kBatches * kBatchJobs);
}

void Ours_OneRun(benchmark::State& state) {
  for (auto _ : state) {
    auto xs = withScheduler<int>(Par, [&](Scheduler<int>& s) {
      for (int i = 0; i < kBatches * kBatchJobs; ++i) scheduleWork(s, [i] { return i; });
    });
    benchmark::DoNotOptimize(xs.data());
  }
  setJobs(state, kBatches * kBatchJobs);
}

void Ours_Work(benchmark::State& state, Comp comp) {
  for (auto _ : state) {
    auto xs = withScheduler<std::int64_t>(comp, [&](Scheduler<std::int64_t>& s) {
      for (int i = 0; i < kJobs; ++i) scheduleWorkId(s, [i](WorkerId w) { return w.getWorkerId + i; });
    });
    benchmark::DoNotOptimize(xs.data());
  }
  setJobs(state, kJobs);
}

void Ours_WorkState(benchmark::State& state, Comp comp) {
  auto states = initWorkerStates(comp, [](WorkerId w) { return w.getWorkerId; });
  for (auto _ : state) {
    auto xs = withSchedulerWS(states, [&](SchedulerWS<std::int64_t, std::int64_t>& sws) {
      for (int i = 0; i < kJobs; ++i)
        scheduleWorkState(sws, [i](WorkerId, std::int64_t& st) { return st + i; });
    });
    benchmark::DoNotOptimize(xs.data());
  }
  setJobs(state, kJobs);
}

void registerAll() {
  auto us = [](benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime()->UseRealTime();
  };
  auto ms = [](benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
  };
  us(benchmark::RegisterBenchmark("call/global", Global_OneJob));
#ifdef HAVE_OPENMP
  us(benchmark::RegisterBenchmark("call/omp_parallel_region", Omp_OneJob));
#endif
#ifdef HAVE_TBB
  us(benchmark::RegisterBenchmark("call/tbb_enqueue_promise", Tbb_OneJob));
#endif
  us(benchmark::RegisterBenchmark("call/packaged_task_pool", Pool_OneJob));
  us(benchmark::RegisterBenchmark("call/withScheduler_Par", WithScheduler_OneJob));
  ms(benchmark::RegisterBenchmark("calls8/global", Global_EightJobs));
  ms(benchmark::RegisterBenchmark("calls8/withScheduler_Par", WithScheduler_EightJobs));
  for (auto [n, ns, tag] : {std::tuple{kElements, 0, "trivial"}, std::tuple{kMicroElements, 1000, "1us"}}) {
    const std::string t = tag;
    ms(benchmark::RegisterBenchmark(("traverse_" + t + "/loop").c_str(), Loop_Traverse)->Args({n, ns}));
    ms(benchmark::RegisterBenchmark(("traverse_" + t + "/ours_Par").c_str(), Ours_Traverse, Par)->Args({n, ns}));
#ifdef HAVE_TBB
    ms(benchmark::RegisterBenchmark(("traverse_" + t + "/tbb_simple_grain1").c_str(), Tbb_Traverse)->Args({n, ns}));
#endif
#ifdef HAVE_OPENMP
    ms(benchmark::RegisterBenchmark(("traverse_" + t + "/omp_dynamic1").c_str(), Omp_Traverse)->Args({n, ns}));
#endif
  }
  ms(benchmark::RegisterBenchmark("batches/runBatch_10^4_x100", Ours_BatchesCollected));
  ms(benchmark::RegisterBenchmark("batches/runBatch_10^4_x100_uncollected", Ours_Batches));
  ms(benchmark::RegisterBenchmark("batches/withScheduler_10^6", Ours_OneRun));
  ms(benchmark::RegisterBenchmark("state/scheduleWorkId_ParN1", Ours_Work, ParN(1)));
  ms(benchmark::RegisterBenchmark("state/scheduleWorkState_ParN1", Ours_WorkState, ParN(1)));
  ms(benchmark::RegisterBenchmark("state/scheduleWorkId_Par", Ours_Work, Par));
  ms(benchmark::RegisterBenchmark("state/scheduleWorkState_Par", Ours_WorkState, Par));
}

}  // namespace

int main(int argc, char** argv) {
  return bench::run(
      argc, argv, registerAll,
      {{"global call, 1 job / OpenMP parallel region", "call/global", "call/omp_parallel_region"},
       {"global call, 1 job / oneTBB enqueue + promise", "call/global", "call/tbb_enqueue_promise"},
       {"global call, 1 job / packaged_task pool", "call/global", "call/packaged_task_pool"},
       {"withScheduler(Par) call of 8 jobs / global call of 8 jobs", "calls8/withScheduler_Par", "calls8/global"},
       {"traverse Par / oneTBB parallel_for simple grain 1, trivial f", "traverse_trivial/ours_Par", "traverse_trivial/tbb_simple_grain1"},
       {"speed-up traverse Par over loop, f of 1 us", "traverse_1us/loop", "traverse_1us/ours_Par"},
       {"speed-up oneTBB over loop, f of 1 us", "traverse_1us/loop", "traverse_1us/tbb_simple_grain1"},
       {"speed-up OpenMP dynamic,1 over loop, f of 1 us", "traverse_1us/loop", "traverse_1us/omp_dynamic1"},
       {"traverse Par / OpenMP dynamic,1, trivial f", "traverse_trivial/ours_Par", "traverse_trivial/omp_dynamic1"},
       {"runBatch 10^4 x 100 / one withScheduler of 10^6, per job", "batches/runBatch_10^4_x100", "batches/withScheduler_10^6"},
       {"scheduleWorkState / scheduleWorkId, ParN 1", "state/scheduleWorkState_ParN1", "state/scheduleWorkId_ParN1"},
       {"scheduleWorkState / scheduleWorkId, Par", "state/scheduleWorkState_Par", "state/scheduleWorkId_Par"}});
}
