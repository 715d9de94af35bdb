// The boss battle: arrival and descent, the sway cycle with the clock's wind-back, the volleys
// of swirls and their switch of pattern, and the counters that outlive a game.
#include <gtest/gtest.h>

#include <climits>

#include "tests/stage_support.hpp"

namespace qv::testing {
namespace {

constexpr int32_t kBossSlot = 10;

// A rig standing at the first frame of the sway, everything before played untouched.
struct BossRig : StageRig {
  BossRig() { run_to(2129); }
  int32_t x() const { return s.en_x[kBossSlot]; }
  int32_t y() const { return s.en_y[kBossSlot]; }
  // Runs frames until the clock is wound back, and returns how many ran.
  int32_t to_wind_back() {
    int32_t n = 0;
    do {
      frame();
      ++n;
    } while (s.stage_count != 2130);
    return n;
  }
};

TEST(StageBoss, ArrivesAboveTheSurfaceAndDescends) {
  StageRig rig;
  rig.run_to(2000);
  rig.s.roll_y = 5;
  rig.frame();  // 2001: placed, and drawn too, wholly above the surface
  EXPECT_EQ(rig.s.en_x[kBossSlot], 100);
  EXPECT_EQ(rig.s.en_y[kBossSlot], -260);
  EXPECT_EQ(rig.s.en_hits[kBossSlot], 200);
  EXPECT_EQ(rig.s.en_size[kBossSlot], 200);
  EXPECT_EQ(rig.s.roll_y, -200);
  EXPECT_EQ(rig.count(kBoss), 0);
  rig.frame();
  EXPECT_EQ(rig.s.en_y[kBossSlot], -258);
  // Its sprite starts 130 pixels left of its hit box and covers the pods still passing.
  EXPECT_TRUE(rig.drawn_at(kBoss, -30, -258));
  EXPECT_EQ(rig.count(kBoss), kPlayWidth * 2);
  rig.run_to(2129);
  EXPECT_EQ(rig.s.en_y[kBossSlot], -4);
  EXPECT_EQ(rig.s.en_x[kBossSlot], 100);
}

TEST(StageBoss, SwaysAndWindsTheClockBackDriftingLeft) {
  BossRig rig;
  rig.s.loop_i = 777;
  rig.s.bl_x[0] = 1234;
  rig.frame();  // 2130: the boss moves, the attack block waits
  EXPECT_EQ(rig.x(), 102);
  EXPECT_EQ(rig.s.bl_x[0], 1234);
  EXPECT_EQ(rig.s.loop_i, 777);
  rig.run_to(2149);
  EXPECT_EQ(rig.x(), 140);
  rig.run_to(2169);
  EXPECT_EQ(rig.x(), 100);
  rig.run_to(2189);
  EXPECT_EQ(rig.x(), 140);
  rig.run_to(2209);
  EXPECT_EQ(rig.x(), 100);
  EXPECT_GT(rig.count(kSwirl), 0);
  EXPECT_EQ(rig.s.volley_no, 7);
  EXPECT_EQ(rig.s.volley_count, 7);

  // The wind-back frame: the boss stands and shows, the swirls neither move nor show.
  const int32_t swirl_y = rig.s.bl_y[40];
  rig.s.loop_i = 777;
  rig.frame();
  EXPECT_EQ(rig.s.stage_count, 2130);
  EXPECT_EQ(rig.s.volley_no, 0);
  EXPECT_EQ(rig.x(), 100);
  EXPECT_EQ(rig.y(), -4);
  EXPECT_TRUE(rig.drawn_at(kBoss, -30, -4));
  EXPECT_EQ(rig.count(kSwirl), 0);
  EXPECT_EQ(rig.s.bl_y[40], swirl_y);
  EXPECT_EQ(rig.s.loop_i, 777);

  // Later cycles run 2131 to 2210, eighty frames, and end two pixels further left.
  EXPECT_EQ(rig.to_wind_back(), 80);
  EXPECT_EQ(rig.x(), 98);
  EXPECT_EQ(rig.to_wind_back(), 80);
  EXPECT_EQ(rig.x(), 96);
  EXPECT_EQ(rig.s.volley_count, 21);
}

TEST(StageBoss, FiresItsFirstVolleyOn2140AndSwitchesPatternOnThe30th) {
  BossRig rig;
  rig.run_to(2139);
  EXPECT_EQ(rig.s.volley_no, 0);
  rig.frame();  // placed at one point below the boss's middle, and moved in the same frame
  const int32_t fan_x = rig.x() + 100, fan_y = rig.y() + 150;
  const int32_t fan[6][2] = {{7, 10}, {4, 11}, {1, 12}, {-1, 12}, {-4, 11}, {-7, 10}};
  for (int32_t j = 0; j < 6; ++j) {
    EXPECT_EQ(rig.s.bl_x[j], fan_x + fan[j][0]) << j;
    EXPECT_EQ(rig.s.bl_y[j], fan_y + fan[j][1]) << j;
    EXPECT_EQ(rig.s.bl_on[j], 1);
    EXPECT_EQ(rig.s.bl_size[j], 20);
    EXPECT_TRUE(rig.drawn_at(kSwirl, rig.s.bl_x[j], rig.s.bl_y[j])) << j;
  }
  EXPECT_EQ(rig.s.volley_no, 1);
  EXPECT_EQ(rig.s.volley_count, 1);

  // Four whole cycles of seven volleys, then the second volley of the fifth is the 30th.
  int32_t cycles = 0;
  while (rig.s.volley_count < 30) {
    rig.frame();
    cycles += rig.s.stage_count == 2130;
  }
  EXPECT_EQ(cycles, 4);
  EXPECT_EQ(rig.s.stage_count, 2150);
  EXPECT_EQ(rig.s.volley_no, 2);
  // Still fired as a fan from the middle, but already moved by the crossing steps.
  const int32_t cross[6][2] = {{0, 10}, {3, 9}, {5, 8}, {0, 10}, {-3, 9}, {-5, 8}};
  for (int32_t j = 6; j < 12; ++j) {
    EXPECT_EQ(rig.s.bl_x[j], rig.x() + 100 + cross[j - 6][0]) << j;
    EXPECT_EQ(rig.s.bl_y[j], rig.y() + 150 + cross[j - 6][1]) << j;
  }
  rig.run_to(2160);  // from the next volley on, two trios from the flanks
  for (int32_t j = 12; j < 18; ++j) {
    const int32_t from = j < 15 ? rig.x() : rig.x() + 200;
    EXPECT_EQ(rig.s.bl_x[j], from + cross[j - 12][0]) << j;
    EXPECT_EQ(rig.s.bl_y[j], rig.y() + 150 + cross[j - 12][1]) << j;
  }
  EXPECT_EQ(rig.s.volley_count, 30);
  EXPECT_EQ(rig.s.volley_no, 3);
}

TEST(StageBoss, VolleyCountersOutliveTheGame) {
  BossRig rig;
  rig.run_to(2179);
  ASSERT_EQ(rig.s.volley_no, 4);
  rig.s.stage_count = 0;  // a restart from the beginning leaves the counters alone
  rig.run_to(2179);
  EXPECT_EQ(rig.s.volley_no, 4);  // no volley on 2140 to 2170 of the new game's first cycle
  EXPECT_EQ(rig.s.volley_count, 4);
  rig.frame();  // 2180: the fifth volley, into its own slots
  EXPECT_EQ(rig.s.volley_no, 5);
  EXPECT_EQ(rig.s.bl_x[24], rig.x() + 100 + 7);
  EXPECT_EQ(rig.s.bl_y[24], rig.y() + 150 + 10);

  // Left at seven, no volley comes in the first cycle at all.
  rig.s.volley_no = 7;
  rig.s.stage_count = 2130;
  rig.run_to(2209);
  EXPECT_EQ(rig.s.volley_no, 7);
  EXPECT_EQ(rig.s.volley_count, 5);
  rig.frame();
  EXPECT_EQ(rig.s.volley_no, 0);

  // Thirty volleys fired in an earlier game: the next battle starts in the second pattern.
  rig.s.volley_count = 30;
  rig.run_to(2140);
  EXPECT_EQ(rig.s.volley_no, 1);
  EXPECT_EQ(rig.s.volley_count, 30);
  EXPECT_EQ(rig.s.bl_x[0], rig.x());
  EXPECT_EQ(rig.s.bl_x[3], rig.x() + 200);
}

TEST(StageBoss, SwirlSlotsTheVolleysNeverReach) {
  BossRig rig;
  rig.run_to(2135);
  // 48 to 50 are drawn where they stand but never moved.
  rig.s.bl_on[49] = 1;
  rig.s.bl_x[49] = 200;
  rig.s.bl_y[49] = 300;
  rig.s.bl_on[47] = 1;
  rig.s.bl_x[47] = 100;
  rig.s.bl_y[47] = 300;
  rig.frame();
  EXPECT_EQ(rig.s.bl_x[49], 200);
  EXPECT_EQ(rig.s.bl_y[49], 300);
  EXPECT_TRUE(rig.drawn_at(kSwirl, 200, 300));
  EXPECT_EQ(rig.s.bl_x[47], 93);
  EXPECT_EQ(rig.s.bl_y[47], 310);
  EXPECT_TRUE(rig.drawn_at(kSwirl, 93, 310));

  // 42 to 47 fly on for as long as the battle lasts: they stop at the end of the range.
  rig.s.bl_y[45] = INT32_MAX - 3;
  rig.s.bl_x[42] = INT32_MAX - 2;
  rig.s.bl_x[47] = INT32_MIN + 1;
  rig.frame();
  EXPECT_EQ(rig.s.bl_y[45], INT32_MAX);
  EXPECT_EQ(rig.s.bl_x[42], INT32_MAX);
  EXPECT_EQ(rig.s.bl_x[47], INT32_MIN);
  rig.frame();
  EXPECT_EQ(rig.s.bl_y[45], INT32_MAX);
  // The volley slots themselves keep the checked arithmetic.
  rig.s.bl_y[41] = INT32_MAX - 3;
  EXPECT_THROW(rig.frame(), RunTimeError);
}

TEST(StageBoss, ADeadBossVanishesAtOnceAndItsVolleysStayUnarmed) {
  BossRig rig;
  rig.run_to(2145);
  rig.s.en_hits[kBossSlot] = 0;  // the shot hit test runs before the script in the same tick
  rig.frame();
  EXPECT_EQ(rig.count(kBoss), 0);
  EXPECT_EQ(rig.s.roll_y, -198);
  EXPECT_EQ(rig.x(), 134);  // the sway goes on unseen
  rig.run_to(2150);
  for (int32_t j = 6; j < 12; ++j) EXPECT_EQ(rig.s.bl_on[j], 0) << j;
  for (int32_t j = 0; j < 6; ++j) EXPECT_EQ(rig.s.bl_on[j], 1) << "fired before, flying on";
  EXPECT_EQ(rig.s.volley_no, 2);
  EXPECT_EQ(rig.s.volley_count, 2);
}

}  // namespace
}  // namespace qv::testing
