// SPDX-License-Identifier: MIT
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sched.h>

#include <limits>
#include <thread>

#include "Control/Scheduler/Computation.hpp"
#include "TestSupport.hpp"

using namespace Control::Scheduler::Computation;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

TEST(Computation, WorkerCounts) {
  const std::int64_t caps = numCapsRef();
  EXPECT_GE(caps, 1);
  cpu_set_t set;
  ASSERT_EQ(sched_getaffinity(0, sizeof set, &set), 0);
  EXPECT_EQ(caps, CPU_COUNT(&set));
  const struct {
    Comp c;
    std::int64_t n;
  } rows[] = {
      {Seq, 1},           {Par, caps},         {ParPrime, caps},       {ParOn({3, 3}), 2},
      {ParOn({-1}), 1},   {ParN(1), 1},        {ParN(65535), 65535},   {ParN(0), caps},
      {ParOn({}), caps},  {ParOn({1, 2, 3}), 3},
  };
  for (const auto& r : rows) EXPECT_EQ(getCompWorkers(r.c), r.n) << show(r.c);
}

TEST(Computation, ShorthandsAreTheirValues) {
  EXPECT_EQ(Par, ParOn({}));
  EXPECT_EQ(ParPrime, ParN(0));
  EXPECT_NE(Par, ParPrime);
  EXPECT_TRUE(isPar(ParOn({})));
  EXPECT_FALSE(isPar(ParOn({0})));
  EXPECT_TRUE(isParPrime(ParN(0)));
  EXPECT_FALSE(isParPrime(ParN(1)));
  EXPECT_EQ(Comp{}, Seq);
  EXPECT_NE(ParOn({1, 2}), ParOn({2, 1}));
  EXPECT_EQ(std::hash<Comp>{}(ParOn({1, 2})), std::hash<Comp>{}(ParOn({1, 2})));
}

TEST(Computation, JoinTable) {
  const Comp a = ParOn({1}), b = ParOn({2, 3});
  const struct {
    Comp x, y, r;
  } rows[] = {
      {Seq, Seq, Seq},           {Seq, ParN(3), ParN(3)},   {Seq, a, a},
      {Par, ParPrime, Par},      {ParPrime, Par, ParPrime}, {Par, a, Par},
      {ParPrime, ParN(9), ParPrime},
      {a, Seq, a},               {a, Par, Par},             {a, b, ParOn({1, 2, 3})},
      {a, ParPrime, ParPrime},   {a, ParN(8), a},           {ParN(8), a, a},
      {ParN(4), Seq, ParN(4)},   {ParN(4), Par, Par},       {ParN(4), ParPrime, ParPrime},
      {ParN(4), ParN(2), ParN(4)}, {ParN(2), ParN(4), ParN(4)}, {ParN(3), ParN(3), ParN(3)},
  };
  for (const auto& r : rows)
    EXPECT_EQ(joinComp(r.x, r.y), r.r) << show(r.x) << " + " << show(r.y);
}

TEST(Computation, CombineIsAssociativeWithSeqNeutral) {
  const Comp cs[] = {Seq, Par, ParPrime, ParOn({1}), ParOn({2, 5}), ParN(1), ParN(7)};
  for (const auto& x : cs) {
    EXPECT_EQ(joinComp(Seq, x), x);
    EXPECT_EQ(joinComp(x, Seq), x);
    for (const auto& y : cs)
      for (const auto& z : cs)
        EXPECT_EQ(joinComp(joinComp(x, y), z), joinComp(x, joinComp(y, z)))
            << show(x) << show(y) << show(z);
  }
}

TEST(Computation, FoldsAndRepetition) {
  EXPECT_EQ(joinComps({}), Seq);
  EXPECT_EQ(joinComps({ParN(3)}), ParN(3));
  EXPECT_EQ(joinComps({ParOn({1}), ParOn({2}), ParOn({3})}), ParOn({1, 2, 3}));
  EXPECT_EQ(stimes(3, ParOn({0})), ParOn({0, 0, 0}));
  EXPECT_EQ(stimes(5, ParOn({1, 2})), ParOn({1, 2, 1, 2, 1, 2, 1, 2, 1, 2}));
  EXPECT_EQ(stimes(1, ParN(4)), ParN(4));
  EXPECT_EQ(stimes(6, ParN(4)), ParN(4));
  for (std::int64_t k : {std::int64_t{0}, std::int64_t{-1}, std::numeric_limits<std::int64_t>::min()})
    EXPECT_THAT([&] { (void)stimes(k, Seq); },
                (ThrowsMessage<std::invalid_argument>(StrEq("stimes: positive multiplier expected"))));
}

TEST(Computation, TextAndParsing) {
  const struct {
    Comp c;
    const char* text;
    const char* at11;
  } rows[] = {
      {Seq, "Seq", "Seq"},
      {Par, "Par", "Par"},
      {ParPrime, "ParN 0", "(ParN 0)"},
      {ParN(3), "ParN 3", "(ParN 3)"},
      {ParOn({1, 2}), "ParOn [1,2]", "(ParOn [1,2])"},
      {ParOn({-4, 9223372036854775807}), "ParOn [-4,9223372036854775807]",
       "(ParOn [-4,9223372036854775807])"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(show(r.c), r.text);
    EXPECT_EQ(showsPrec(11, r.c), r.at11);
    EXPECT_EQ(showsPrec(1, r.c), r.at11);
    EXPECT_EQ(showsPrec(0, r.c), r.text);
    EXPECT_EQ(Comp::read(r.text), r.c) << r.text;
    EXPECT_EQ(Comp::read(r.at11), r.c) << r.at11;
  }
  const Comp list[] = {Seq, ParN(2), ParOn({1})};
  EXPECT_EQ(showList(list), "[Seq,ParN 2,ParOn [1]]");
  EXPECT_EQ(Comp::read("  ( ParOn [ 1 , -2 ] )  "), ParOn({1, -2}));
  EXPECT_EQ(Comp::read("ParOn []"), Par);
  for (const char* bad : {"", "ParN", "ParN -1", "ParN 65536", "ParOn [1,", "Seq Seq", "(Seq", "Par'"})
    EXPECT_EQ(Comp::read(bad), std::nullopt) << bad;
}

TEST(Computation, CapabilityCountIsReadOnce) {
  const std::int64_t before = getCompWorkers(Par);
  cpu_set_t saved, one;
  ASSERT_EQ(sched_getaffinity(0, sizeof saved, &saved), 0);
  CPU_ZERO(&one);
  for (int i = 0; i < CPU_SETSIZE; ++i)
    if (CPU_ISSET(i, &saved)) {
      CPU_SET(i, &one);
      break;
    }
  ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
  const std::int64_t after = getCompWorkers(Par);
  const std::int64_t afterPrime = getCompWorkers(ParPrime);
  ASSERT_EQ(sched_setaffinity(0, sizeof saved, &saved), 0);
  EXPECT_EQ(after, before);
  EXPECT_EQ(afterPrime, before);
}
