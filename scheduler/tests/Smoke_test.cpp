#include <gtest/gtest.h>
#include <Control/Scheduler.hpp>
using namespace Control::Scheduler;
TEST(Smoke, Runs) {
  auto xs = withScheduler(ParN(2), [](Scheduler<int>& s) { for (int i = 0; i < 100; ++i) scheduleWork(s, [i] { return i; }); });
  ASSERT_EQ(xs.size(), 100u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(xs[i], i);
}
