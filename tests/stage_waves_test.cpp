// The waves of frames 621 to 2099 with nobody shooting: resting places, firing positions,
// halting points and first drawn frames that the stage's designers worked out by hand.
#include <gtest/gtest.h>

#include "tests/stage_support.hpp"

namespace qv::testing {
namespace {

struct Xy {
  int32_t x, y;
};

void expect_enemy(const StageRig& rig, int32_t slot, Xy at) {
  EXPECT_EQ(rig.s.en_x[slot], at.x) << "enemy " << slot << " at frame " << rig.s.stage_count;
  EXPECT_EQ(rig.s.en_y[slot], at.y) << "enemy " << slot << " at frame " << rig.s.stage_count;
}
void expect_bullet(const StageRig& rig, int32_t slot, Xy at) {
  EXPECT_EQ(rig.s.bl_x[slot], at.x) << "bullet " << slot << " at frame " << rig.s.stage_count;
  EXPECT_EQ(rig.s.bl_y[slot], at.y) << "bullet " << slot << " at frame " << rig.s.stage_count;
}

TEST(StageWaves, CreaturesFromTheSidesGlobesThatBurstAndPodsThatThrow) {
  StageRig rig;
  rig.run_to(651);  // W651 fires from the sliding creatures
  expect_enemy(rig, 0, {140, 0});
  expect_bullet(rig, 14, {155, 30});
  rig.run_to(679);  // the last slide
  for (int32_t i = 0; i <= 2; ++i) expect_enemy(rig, i, {308, 70 * i});
  for (int32_t i = 3; i <= 5; ++i) expect_enemy(rig, i, {82, 70 * (i - 3) + 40});
  rig.frame();  // and from here they sink
  expect_enemy(rig, 0, {308, 3});
  expect_enemy(rig, 5, {82, 183});
  // The balls drift the way their creatures slid.
  expect_bullet(rig, 14, {155 + 3 * 29, 30 + 10 * 29});
  expect_bullet(rig, 17, {265 - 3 * 29, 70 + 10 * 29});

  rig.run_to(809);  // the lattice globes take their last step
  expect_enemy(rig, 6, {50, 240});
  expect_enemy(rig, 7, {320, 130});
  expect_enemy(rig, 8, {180, 80});
  rig.run_to(831);  // and burst from their resting places
  expect_enemy(rig, 6, {50, 240});
  expect_bullet(rig, 20, {60, 250});
  expect_bullet(rig, 28, {330, 140});
  expect_bullet(rig, 36, {190, 90});
  rig.frame();  // one ball in each of the eight directions, drawn
  const Xy burst[] = {{0, -10}, {8, -8}, {10, 0}, {8, 8}, {0, 10}, {-8, 8}, {-10, 0}, {-8, -8}};
  for (int32_t p = 0; p < 8; ++p) {
    expect_bullet(rig, 28 + p, {330 + burst[p].x, 140 + burst[p].y});
    EXPECT_TRUE(rig.drawn_at(kRinged, 330 + burst[p].x, 140 + burst[p].y)) << p;
  }

  rig.run_to(900);  // creatures and pods of W871 fire
  for (int32_t i = 9; i <= 11; ++i) EXPECT_EQ(rig.s.en_y[i], 47);
  EXPECT_EQ(rig.s.en_y[12], 87);
  EXPECT_EQ(rig.s.en_y[14], 87);
  EXPECT_EQ(rig.s.en_y[15], 187);
  rig.frame();  // the pods' blobs fly outwards the way their pods slide
  EXPECT_EQ(rig.s.bl_x[3], rig.s.en_x[12] - 3 + 15 + 8);
  EXPECT_EQ(rig.s.bl_x[5], rig.s.en_x[14] + 3 + 15 - 8);

  rig.run_to(1001);  // the green globes' left fans
  expect_enemy(rig, 16, {330, 80});
  for (int32_t j = 7; j <= 9; ++j) expect_bullet(rig, j, {355, 120});
  rig.frame();
  expect_bullet(rig, 7, {349, 128});
  expect_bullet(rig, 8, {352, 129});
  expect_bullet(rig, 9, {355, 130});  // the third droplet falls straight down
}

TEST(StageWaves, MirroredGlobesAColumnOfLatticeGlobesAndTwoRowsOfCreatures) {
  StageRig rig;
  rig.run_to(1151);
  expect_enemy(rig, 0, {50, 80});
  for (int32_t j = 16; j <= 18; ++j) expect_bullet(rig, j, {75, 120});
  rig.frame();
  expect_bullet(rig, 16, {81, 128});  // the fan opens to the right

  rig.run_to(1249);
  expect_enemy(rig, 3, {195, 228});
  expect_enemy(rig, 4, {195, 148});
  expect_enemy(rig, 5, {195, 68});
  rig.run_to(1251);  // the column bursts, and the left row of creatures fires
  expect_enemy(rig, 3, {195, 228});
  expect_bullet(rig, 25, {205, 238});
  expect_bullet(rig, 33, {205, 158});
  expect_bullet(rig, 41, {205, 78});
  for (int32_t i = 6; i <= 8; ++i) EXPECT_EQ(rig.s.en_y[i], 20);
  expect_bullet(rig, 0, {65, 50});
  rig.run_to(1281);
  for (int32_t i = 9; i <= 11; ++i) EXPECT_EQ(rig.s.en_y[i], 50);
  expect_bullet(rig, 3, {235, 80});

  // Globes that live on stay at their resting places, undrawn, through frame 1400.
  rig.run_to(1399);
  EXPECT_TRUE(rig.drawn_at(kLattice, 195, 68));
  rig.frame();
  EXPECT_EQ(rig.count(kLattice), 0);
  expect_enemy(rig, 5, {195, 68});
  EXPECT_EQ(rig.s.en_hits[5], 1);

  // The right row stands at the bottom edge on its last frame, partly in view.
  rig.run_to(1449);
  for (int32_t i = 9; i <= 11; ++i) {
    EXPECT_EQ(rig.s.en_y[i], 554);
    EXPECT_EQ(rig.visible_area(kCreature, rig.s.en_x[i], 554), 40 * 11);
  }
  EXPECT_TRUE(rig.drawn_at(kCreature, 280, 554));  // the others lie under the pods
  rig.frame();
  EXPECT_EQ(rig.s.en_hits[11], 1);
  EXPECT_FALSE(rig.drawn_at(kCreature, 280, 554));
}

TEST(StageWaves, GlobesAcrossTheTopFanningPodsAndClimbingGlobes) {
  StageRig rig;
  rig.run_to(1321);
  expect_enemy(rig, 16, {165, 20});
  expect_enemy(rig, 17, {185, 20});
  expect_enemy(rig, 18, {205, 20});
  expect_bullet(rig, 18, {180, 60});

  rig.run_to(1331);
  const int32_t xs[] = {25, 105, 315, 395};
  for (int32_t g = 0; g < 4; ++g) {
    EXPECT_EQ(rig.s.en_y[12 + g], 30);
    for (int32_t j = 6 + 3 * g; j < 9 + 3 * g; ++j) expect_bullet(rig, j, {xs[g], 70});
  }

  rig.run_to(1369);  // the blobs' last frame
  expect_bullet(rig, 18, {180, 540});
  expect_bullet(rig, 19, {200, 540});
  expect_bullet(rig, 20, {220, 540});

  rig.run_to(1431);
  expect_enemy(rig, 0, {30, 140});
  expect_enemy(rig, 3, {340, 140});
  expect_bullet(rig, 0, {45, 170});
  expect_bullet(rig, 3, {355, 170});
  rig.frame();
  expect_bullet(rig, 0, {50, 180});
  expect_bullet(rig, 3, {350, 180});

  rig.run_to(1551);  // the climbing globes fire; their droplets overwrite W1331's leftovers
  const int32_t gx[] = {80, 0, 270, 330};
  for (int32_t g = 0; g < 4; ++g) {
    expect_enemy(rig, 6 + g, {gx[g], 160});
    for (int32_t j = 6 + 3 * g; j < 9 + 3 * g; ++j) expect_bullet(rig, j, {gx[g] + 25, 200});
  }
}

TEST(StageWaves, EyeCreaturesHaltAndHandTheirBallsOver) {
  StageRig rig;
  rig.run_to(1502);  // first drawn, one step in from the bottom corners
  expect_enemy(rig, 10, {-79, 497});
  expect_enemy(rig, 11, {429, 497});
  EXPECT_EQ(rig.count(kEye), 2 * 68);
  rig.run_to(1649);  // the 148th and last step
  expect_enemy(rig, 10, {68, 56});
  expect_enemy(rig, 11, {282, 56});
  rig.run_to(1681);
  expect_enemy(rig, 10, {68, 56});
  EXPECT_TRUE(rig.drawn_at(kEye, 282, 56));
  for (int32_t j = 45; j <= 47; ++j) expect_bullet(rig, j, {93, 126});
  for (int32_t j = 48; j <= 50; ++j) expect_bullet(rig, j, {307, 126});
  for (int32_t j = 45; j <= 50; ++j) {
    EXPECT_EQ(rig.s.bl_on[j], 1);
    EXPECT_EQ(rig.s.bl_size[j], 30);
  }
  rig.run_to(1690);  // armed, standing still, unseen
  expect_bullet(rig, 45, {93, 126});
  EXPECT_EQ(rig.count(kLargeBall), 0);
  rig.frame();  // 1691: first drawn, one step away
  expect_bullet(rig, 45, {95, 134});
  expect_bullet(rig, 46, {93, 136});
  expect_bullet(rig, 47, {91, 134});
  expect_bullet(rig, 49, {307, 136});
  for (int32_t j : {45, 47, 48, 50}) {
    EXPECT_TRUE(rig.drawn_at(kLargeBall, rig.s.bl_x[j], rig.s.bl_y[j])) << j;
  }

  // The small creatures fan out from their corners; each volley reads them where they were
  // moved to in the same frame.
  StageRig fans;
  fans.run_to(1601);
  expect_enemy(fans, 12, {-40 + 6 * 50, -40 + 2 * 50});
  expect_enemy(fans, 14, {-40 + 4 * 50, -40 + 4 * 50});
  expect_bullet(fans, 20, {-40 + 4 * 50 + 15, -40 + 4 * 50 + 30});
  fans.run_to(1651);
  expect_enemy(fans, 15, {430 - 2 * 50, -40 + 6 * 50});
  expect_bullet(fans, 0, {430 - 2 * 50 + 15, -40 + 6 * 50 + 30});
}

TEST(StageWaves, EyesShotDownEarlyFireNothing) {
  StageRig rig;
  rig.run_to(1680);
  rig.s.en_hits[10] = 0;
  rig.run_to(1691);
  for (int32_t j = 45; j <= 47; ++j) EXPECT_EQ(rig.s.bl_on[j], 0);
  for (int32_t j = 48; j <= 50; ++j) EXPECT_EQ(rig.s.bl_on[j], 1);
  for (int32_t j = 45; j <= 50; ++j) {
    EXPECT_EQ(rig.drawn_at(kLargeBall, rig.s.bl_x[j], rig.s.bl_y[j]), j >= 48) << j;
  }
}

TEST(StageWaves, TheRingTheGlobesFromTheLeftAndThePodFans) {
  StageRig rig;
  rig.run_to(1739);  // the last step of the ring
  const Xy ring[] = {{114, 0},  {76, 76},   {0, 114},  {-76, 76},
                     {-114, 0}, {-76, -76}, {0, -114}, {76, -76}};
  for (int32_t i = 0; i < 8; ++i) expect_enemy(rig, i, {195 + ring[i].x, 150 + ring[i].y});
  rig.run_to(1751);  // standing still, and each throws three balls
  for (int32_t i = 0; i < 8; ++i) {
    expect_enemy(rig, i, {195 + ring[i].x, 150 + ring[i].y});
    expect_bullet(rig, 20 + 3 * i, {205 + ring[i].x, 160 + ring[i].y});
  }
  rig.run_to(1799);
  EXPECT_TRUE(rig.drawn_at(kLattice, 195, 264));
  rig.frame();
  EXPECT_EQ(rig.count(kLattice), 0);

  rig.run_to(1801);
  expect_enemy(rig, 19, {-60 + 2 * 50, 200});  // the middle green globe keeps its height
  // The pods take slots 0 to 4 whatever the ring left there.
  for (int32_t i = 0; i <= 4; ++i) {
    expect_enemy(rig, i, {430, 200});
    EXPECT_EQ(rig.s.en_hits[i], 3);
    EXPECT_EQ(rig.s.en_size[i], 50);
  }
  rig.run_to(1851);
  expect_enemy(rig, 0, {430 - 3 * 50, 200 - 3 * 50});
  expect_enemy(rig, 4, {430 - 50, 200 + 3 * 50});
  expect_bullet(rig, 16, {430 - 50 + 15, 200 + 3 * 50 + 40});
  for (int32_t i = 5; i <= 7; ++i) EXPECT_EQ(rig.s.en_size[i], 50);
}

TEST(StageWaves, TheLastPodsRunOnUntil2099) {
  StageRig rig;
  rig.run_to(2099);
  expect_enemy(rig, 9, {-60 + 248, 200 + 3 * 248});
  expect_enemy(rig, 7, {-60 + 3 * 248, 200});
  const int32_t y5 = rig.s.en_y[5];
  rig.frame();
  EXPECT_EQ(rig.s.en_y[5], y5);
  EXPECT_EQ(rig.count(kPod), 0);
  EXPECT_EQ(rig.s.en_hits[5], 3);
}

}  // namespace
}  // namespace qv::testing
