#include "record/timer.hpp"

#include <gtest/gtest.h>

#include "sim/simulator.hpp"

namespace qv {
namespace {

TEST(Timer, StartingSchedulesTheFirstTickOneIntervalLater) {
  VirtualClock clock;
  clock.set_ms(40);
  Timer t(clock, 0, true);
  EXPECT_FALSE(t.running());
  t.set_Interval(10);
  EXPECT_FALSE(t.is_due(49'000));
  EXPECT_TRUE(t.is_due(50'000));
  t.delivered(50'000);
  EXPECT_EQ(t.due_us(), 60'000u);
}

TEST(Timer, SettingTheValueItHasNeverPostponesTheNextTick) {
  VirtualClock clock;
  Timer t(clock, 10, true);  // due at 10 ms
  clock.set_ms(9);
  t.set_Interval(10);
  t.set_Enabled(true);
  EXPECT_EQ(t.due_us(), 10'000u);
  t.set_Interval(20);  // a new value starts afresh
  EXPECT_EQ(t.due_us(), 29'000u);
}

TEST(Timer, IntervalZeroStopsWithoutTouchingEnabled) {
  VirtualClock clock;
  Timer t(clock, 10, true);
  t.set_Interval(0);
  EXPECT_FALSE(t.running());
  EXPECT_TRUE(t.Enabled());
  EXPECT_FALSE(t.is_due(1'000'000));
  Timer off(clock, 1000, false);
  EXPECT_FALSE(off.is_due(5'000'000));
  clock.set_ms(100);
  off.set_Enabled(true);
  EXPECT_TRUE(off.is_due(1'100'000));
}

TEST(Timer, AHostFarBehindResumesFromNowInsteadOfABurst) {
  VirtualClock clock;
  Timer t(clock, 10, true);
  t.delivered(5'000'000);  // five seconds late
  EXPECT_EQ(t.due_us(), 5'010'000u);
}

}  // namespace
}  // namespace qv
