// The rules every wave and volley of the script follows: windows, spawn frames, the order of
// moving and drawing, unarmed volleys, leftovers, and the blocks that bend the rules.
#include <gtest/gtest.h>

#include <cmath>

#include "stage/blocks.hpp"
#include "system/random.hpp"
#include "tests/stage_support.hpp"

namespace qv::testing {
namespace {

TEST(StageTemplate, SpawnFrameWritesSlotsButNeitherMovesNorDraws) {
  StageRig rig;
  rig.s.stage_count = 1700;
  rig.frame();  // 1701: the eight lattice globes of the ring appear on one point
  for (int32_t i = 0; i <= 7; ++i) {
    EXPECT_EQ(rig.s.en_x[i], 195) << i;
    EXPECT_EQ(rig.s.en_y[i], 150) << i;
    EXPECT_EQ(rig.s.en_hits[i], 1) << i;
    EXPECT_EQ(rig.s.en_size[i], 40) << i;
  }
  EXPECT_TRUE(rig.blank());

  rig.frame();  // 1702: first drawn, each one step away from the point
  const int32_t step_x[] = {3, 2, 0, -2, -3, -2, 0, 2};
  const int32_t step_y[] = {0, 2, 3, 2, 0, -2, -3, -2};
  for (int32_t i = 0; i <= 7; ++i) {
    EXPECT_EQ(rig.s.en_x[i], 195 + step_x[i]) << i;
    EXPECT_EQ(rig.s.en_y[i], 150 + step_y[i]) << i;
    EXPECT_TRUE(rig.drawn_at(kLattice, rig.s.en_x[i], rig.s.en_y[i])) << i;
  }

  // A volley's spawn frame: written and armed from the globes' corners, not moved, not drawn.
  rig.run_to(1750);
  rig.frame();
  for (int32_t j = 20; j <= 43; ++j) {
    const int32_t g = (j - 20) / 3;
    EXPECT_EQ(rig.s.bl_x[j], rig.s.en_x[g] + 10) << j;
    EXPECT_EQ(rig.s.bl_y[j], rig.s.en_y[g] + 10) << j;
    EXPECT_EQ(rig.s.bl_on[j], 1) << j;
    EXPECT_EQ(rig.s.bl_size[j], 20) << j;
  }
  EXPECT_EQ(rig.count(kRinged), 0);
  rig.frame();
  EXPECT_TRUE(rig.drawn_at(kRinged, rig.s.en_x[0] + 10 - 6, rig.s.en_y[0] + 10 + 8));
}

TEST(StageTemplate, WindowsOpenAndCloseOnTheirExclusiveBounds) {
  StageRig rig;
  // Nothing before frame 11; the first wave spawns exactly on it.
  rig.run_to(10);
  EXPECT_EQ(rig.s.en_hits[0], 0);
  rig.frame();
  EXPECT_EQ(rig.s.en_y[0], -50);
  EXPECT_EQ(rig.s.en_y[4], -250);

  // W11's last step is on frame 249; from 250 on it stands where it was, still alive.
  rig.run_to(249);
  EXPECT_EQ(rig.s.en_y[0], -50 + 3 * (249 - 11));
  const int32_t last_y = rig.s.en_y[0];
  rig.frame();
  EXPECT_EQ(rig.s.en_y[0], last_y);
  EXPECT_EQ(rig.s.en_hits[0], 1);

  // The three pods of W1301b are in view on their last frame and gone the frame after.
  rig.run_to(1449);
  for (int32_t i = 16; i <= 18; ++i) {
    EXPECT_EQ(rig.s.en_y[i], 532);
    EXPECT_TRUE(rig.drawn_at(kPod, rig.s.en_x[i], 532)) << i;
  }
  EXPECT_EQ(rig.s.en_x[16], 37);
  EXPECT_EQ(rig.s.en_x[18], 333);
  rig.frame();
  EXPECT_EQ(rig.count(kPod), 0);
  EXPECT_EQ(rig.s.en_y[17], 532);
  EXPECT_EQ(rig.s.en_hits[17], 3);
}

// W321 and W900 open their windows long before they fire.
TEST(StageTemplate, LateSpawnsDoNothingBeforeTheirSpawnFrame) {
  StageRig rig;
  rig.run_to(300);
  for (int32_t j = 11; j <= 13; ++j) rig.s.bl_x[j] = 1000 + j;
  rig.run_to(320);
  for (int32_t j = 11; j <= 13; ++j) EXPECT_EQ(rig.s.bl_x[j], 1000 + j) << "untouched before 321";
  rig.frame();
  for (int32_t j = 11; j <= 13; ++j) {
    EXPECT_EQ(rig.s.bl_x[j], rig.s.en_x[j - 7] + 15);
    EXPECT_EQ(rig.s.bl_y[j], rig.s.en_y[j - 7] + 30);
    EXPECT_EQ(rig.s.bl_on[j], 1);
  }

  rig.run_to(870);
  for (int32_t j = 0; j <= 6; ++j) rig.s.bl_y[j] = 2000 + j;
  rig.run_to(899);
  for (int32_t j = 0; j <= 6; ++j) EXPECT_EQ(rig.s.bl_y[j], 2000 + j) << "untouched before 900";
  rig.frame();
  // The creatures stand at height 47 and the pods at 87 and 187 when they fire.
  EXPECT_EQ(rig.s.bl_y[0], 47 + 30);
  EXPECT_EQ(rig.s.bl_y[3], 87 + 40);
  EXPECT_EQ(rig.s.bl_y[4], 187 + 40);
  EXPECT_EQ(rig.s.bl_size[2], 10);
  EXPECT_EQ(rig.s.bl_size[3], 20);
}

TEST(StageTemplate, ADeadSourceLeavesItsBulletsWrittenButUnarmed) {
  StageRig rig;
  rig.run_to(220);
  rig.s.en_hits[12] = 0;  // shot down before W221 fires
  rig.frame();
  EXPECT_EQ(rig.s.bl_on[2], 0);
  EXPECT_EQ(rig.s.bl_x[2], rig.s.en_x[12] + 15);
  EXPECT_EQ(rig.s.bl_y[2], rig.s.en_y[12] + 30);
  EXPECT_EQ(rig.s.bl_size[2], 10);
  for (int32_t j : {0, 1, 3, 4}) EXPECT_EQ(rig.s.bl_on[j], 1) << j;

  // Moved with the others every frame, never drawn; killing an enemy after it fired leaves
  // its bullet flying.
  rig.s.en_hits[13] = 0;
  const int32_t y2 = rig.s.bl_y[2];
  rig.frame();
  EXPECT_EQ(rig.s.bl_y[2], y2 + 10);
  EXPECT_EQ(rig.s.bl_on[3], 1);
  int32_t expected = 0;
  for (int32_t j : {0, 1, 3, 4}) expected += rig.visible_area(kBall, rig.s.bl_x[j], rig.s.bl_y[j]);
  EXPECT_GT(expected, 0);
  EXPECT_EQ(rig.count(kBall), expected);

  // A fan is unarmed trio by trio: W1791 from the dead middle globe of W1751b.
  rig.run_to(1790);
  rig.s.en_hits[19] = 0;
  rig.frame();
  for (int32_t j = 3; j <= 11; ++j) EXPECT_EQ(rig.s.bl_on[j], (j >= 6 && j <= 8) ? 0 : 1) << j;
}

TEST(StageTemplate, LeftoversKeepTheirPlacesAndFlagsUntilOverwritten) {
  StageRig rig;
  // A lattice globe of W781 that lives on past frame 899 vanishes but stays alive where it
  // rested until W1231 takes its slot.
  rig.run_to(899);
  EXPECT_TRUE(rig.drawn_at(kLattice, 50, 240));
  rig.frame();
  EXPECT_EQ(rig.count(kLattice), 0);
  rig.run_to(1230);
  EXPECT_EQ(rig.s.en_x[6], 50);
  EXPECT_EQ(rig.s.en_y[6], 240);
  EXPECT_EQ(rig.s.en_hits[6], 1);
  rig.frame();
  EXPECT_EQ(rig.s.en_x[6], 50);
  EXPECT_EQ(rig.s.en_y[6], -40);

  // The blobs of W1321 stop in view at y 540, armed, until W1601a overwrites them.
  rig.run_to(1369);
  for (int32_t j = 18; j <= 20; ++j) EXPECT_TRUE(rig.drawn_at(kBlob, rig.s.bl_x[j], 540)) << j;
  EXPECT_EQ(rig.s.bl_x[18], 180);
  EXPECT_EQ(rig.s.bl_x[20], 220);
  rig.run_to(1600);
  for (int32_t j = 18; j <= 20; ++j) {
    EXPECT_EQ(rig.s.bl_y[j], 540);
    EXPECT_EQ(rig.s.bl_on[j], 1);
  }
  rig.frame();
  EXPECT_EQ(rig.s.bl_y[18], rig.s.en_y[12] + 30);
  EXPECT_EQ(rig.s.bl_size[18], 10);

  // The slanted droplets of W1331 stop at y 546 on frame 1399, in view or off to a side,
  // and stay there until W1551a; the straight ones have left by the bottom.
  StageRig again;
  again.run_to(1399);
  for (int32_t j = 6; j <= 17; ++j) {
    EXPECT_EQ(again.s.bl_y[j], (j - 6) % 3 == 1 ? 750 : 546) << j;
  }
  again.run_to(1550);
  EXPECT_EQ(again.s.bl_y[6], 546);
  EXPECT_EQ(again.s.bl_on[6], 1);
}

TEST(StageTemplate, W351aHangsThenRisesWithoutItsSecondBullet) {
  StageRig rig;
  rig.run_to(351);
  for (int32_t j = 0; j <= 4; ++j) {
    EXPECT_EQ(rig.s.bl_x[j], rig.s.en_x[j + 10] + 15) << j;
    EXPECT_EQ(rig.s.bl_y[j], rig.s.en_y[j + 10] + 30) << j;
    EXPECT_EQ(rig.s.bl_on[j], j == 1 ? 0 : 1) << j;
  }
  EXPECT_NE(rig.s.en_hits[11], 0);  // even though creature 11 lives
  const int32_t y0 = rig.s.bl_y[0];
  rig.run_to(360);
  EXPECT_EQ(rig.s.bl_y[0], y0);
  for (int32_t j = 0; j <= 4; ++j) {
    EXPECT_EQ(rig.drawn_at(kBall, rig.s.bl_x[j], rig.s.bl_y[j]), j != 1) << j;
  }
  rig.frame();
  EXPECT_EQ(rig.s.bl_y[0], y0 - 10);
  EXPECT_EQ(rig.s.bl_y[1], y0 - 10);
}

// The integer part of the float product, as the platform's single-precision arithmetic
// gives it; the exact product would sometimes be one less.
int32_t pod_x(float r) {
  return static_cast<int32_t>(r * 390.0f);
}

TEST(StageTemplate, W451aDrawsFourteenRandomXInAscendingSlotOrder) {
  constexpr uint32_t kSeed = 20240607;
  Randomize(kSeed);
  int32_t expected[14];
  for (int32_t& x : expected) x = pod_x(Rnd());
  const float after = Rnd();

  StageRig rig;
  rig.run_to(450);
  Randomize(kSeed);
  rig.frame();
  for (int32_t i = 7; i <= 20; ++i) {
    EXPECT_EQ(rig.s.en_x[i], expected[i - 7]) << i;
    EXPECT_GE(rig.s.en_x[i], 0);
    EXPECT_LE(rig.s.en_x[i], 389);
    EXPECT_EQ(rig.s.en_y[i], -60 * (i - 7));
  }
  rig.run_to(719);  // no other frame of the stage draws a number
  EXPECT_EQ(Rnd(), after);
}

TEST(StageTemplate, W451aTruncatesTheSinglePrecisionProduct) {
  // Find a draw whose float product rounds up onto a whole number that the exact product
  // stays below, then let it be the first pod's.
  constexpr uint32_t kSeed = 7;
  Randomize(kSeed);
  int64_t before = -1;
  for (int64_t n = 0; n < (int64_t{1} << 25); ++n) {
    float r = Rnd();
    if (pod_x(r) != static_cast<int32_t>(std::floor(static_cast<double>(r) * 390.0))) {
      before = n;
      break;
    }
  }
  ASSERT_GE(before, 0);
  Randomize(kSeed);
  for (int64_t n = 0; n < before; ++n) Rnd();
  const float r = Rnd();
  Randomize(kSeed);
  for (int64_t n = 0; n < before; ++n) Rnd();

  StageRig rig;
  rig.run_to(450);
  rig.frame();
  EXPECT_EQ(rig.s.en_x[7], pod_x(r));
  EXPECT_EQ(rig.s.en_x[7], static_cast<int32_t>(std::floor(static_cast<double>(r) * 390.0)) + 1);
}

TEST(StageTemplate, TheLoopCounterKeepsTheEndOfTheLastLoop) {
  StageRig rig;
  rig.run_to(1702);
  EXPECT_EQ(rig.s.loop_i, 8);  // W1701 moved slots 0 to 7 last
  rig.s.loop_i = 777;
  rig.run_to(1703);
  EXPECT_EQ(rig.s.loop_i, 8);
  rig.run_to(2140);
  EXPECT_EQ(rig.s.loop_i, 51);  // the swirls are drawn from 0 to 50
}

// The wave table is checked as it is compiled; the check refuses exactly the rows the
// template would divide by zero on. This file does not build when it lets one through.
namespace rows {
using namespace stage;
constexpr Sprite kAny{0, 70, 40, 40};
constexpr Pattern kEmpty{std::initializer_list<Step>{}};
static_assert(runs_safely(volley("V", {1, 9, 1}, {0, 3, 0, 1}, {}, 10, kAny, go(kStill))));
static_assert(!runs_safely(volley("V", {1, 9, 1}, {0, 3, 0, 0}, {}, 10, kAny, go(kStill))));
static_assert(runs_safely(flight("F", 1, 9, 0, 3, kAny, go(kStill))));
static_assert(!runs_safely(wave("W", {1, 9, 1}, {{0, 1}}, kAny, 1, 40, go(kEmpty))));
static_assert(!runs_safely(wave("W", {1, 9, 1}, {{0, 1}}, kAny, 1, 40, go(kStill, 5, kEmpty))));
}  // namespace rows

}  // namespace
}  // namespace qv::testing
