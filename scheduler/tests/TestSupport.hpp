// SPDX-License-Identifier: MIT
// TestSupport.hpp: shared pieces of the scheduler tests: a per-test watchdog, the strategies
// every behaviour runs under, and the process's thread count.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>

#include "Control/Scheduler.hpp"

namespace testsupport {

/// Threads of this process, from /proc/self/task.
inline long threadCount() {
  long n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/task")) ++n;
  return n;
}

/// The thread count once it has come down to at most limit, or after half a second. A joined
/// thread can stay listed for a moment: the kernel wakes the joiner before the task is gone.
inline long settledThreadCount(long limit) {
  long n = threadCount();
  for (int i = 0; i < 500 && n > limit; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    n = threadCount();
  }
  return n;
}

/// Aborts the test binary when one test runs longer than its budget, so a hang fails fast.
class Watchdog : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { alarm(60); }
  void OnTestEnd(const ::testing::TestInfo&) override { alarm(0); }
};
inline const bool watchdogInstalled = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new Watchdog);
  // Sanitizer runtimes start a helper thread with the first thread; start it before counting.
  std::thread([] {}).join();
  return true;
}();

/// A test run under each strategy of its parameter list; it fails if the test leaves a thread
/// behind.
class StrategyTest : public ::testing::TestWithParam<Control::Scheduler::Comp> {
 protected:
  void SetUp() override { threadsBefore_ = threadCount(); }
  void TearDown() override { EXPECT_LE(settledThreadCount(threadsBefore_), threadsBefore_); }
  const Control::Scheduler::Comp& comp() const { return GetParam(); }
  bool sequential() const { return Control::Scheduler::isSeq(comp()); }
  std::int64_t workers() const { return Control::Scheduler::getCompWorkers(comp()); }

 private:
  long threadsBefore_ = 0;
};

inline std::string compName(const ::testing::TestParamInfo<Control::Scheduler::Comp>& info) {
  std::string s = Control::Scheduler::show(info.param);
  for (char& c : s)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return s;
}

}  // namespace testsupport
