#include <gtest/gtest.h>

#include "tests/player_bench.hpp"

namespace qv {
namespace {

using testing::kScoreSound;
using testing::PlayerBench;

void place_enemy(PlayerBench& b, int32_t i, int32_t x, int32_t y, int32_t size, int32_t hits) {
  b.s.en_x[i] = x;
  b.s.en_y[i] = y;
  b.s.en_size[i] = size;
  b.s.en_hits[i] = hits;
}

void place_shot(PlayerBench& b, int32_t gun, int32_t slot, int32_t x, int32_t y) {
  b.s.sh_x(gun, slot) = x;
  b.s.sh_y(gun, slot) = y;
  b.s.sh_on(gun, slot) = 1;
}

// One shot in slot 3 against a size-40 enemy at (100, 100): does it hit?
bool single_shot_hits(int32_t sh_x, int32_t sh_y, int32_t gun = 0) {
  PlayerBench b;
  place_enemy(b, 6, 100, 100, 40, 1);
  place_shot(b, gun, 3, sh_x, sh_y);
  b.hit_enemies();
  return b.s.en_hits[6] == 0;
}

TEST(ShotHits, TheWholeDropMustBeInsideTheEnemyVertically) {
  std::vector<int32_t> hitting;
  for (int32_t y = 70; y <= 140; ++y) {
    if (single_shot_hits(110, y)) hitting.push_back(y);
    EXPECT_EQ(single_shot_hits(110, y, 1), single_shot_hits(110, y)) << y;
  }
  // From en_y + 1 to en_y + size - 21: 19 positions for size 40.
  ASSERT_EQ(hitting.size(), 19u);
  EXPECT_EQ(hitting.front(), 101);
  EXPECT_EQ(hitting.back(), 119);
}

TEST(ShotHits, OneOfTheTwoProbeColumnsMustBeInsideTheEnemy) {
  // Probe columns at sh_x + 5 and sh_x + 15, against the open range 100..140, for both guns.
  for (int32_t gun : {0, 1}) {
    EXPECT_FALSE(single_shot_hits(85, 110, gun));  // right probe on the left edge
    EXPECT_TRUE(single_shot_hits(86, 110, gun));
    EXPECT_TRUE(single_shot_hits(134, 110, gun));
    EXPECT_FALSE(single_shot_hits(135, 110, gun));  // the drop's left 5 pixels overlap
  }
}

TEST(ShotHits, AShotAboveTheTopEdgeNeverHits) {
  PlayerBench b;
  place_enemy(b, 0, 100, -30, 60, 1);  // entering from above
  place_shot(b, 0, 1, 110, 0);
  b.hit_enemies();
  EXPECT_EQ(b.s.en_hits[0], 1);
  b.s.sh_y(0, 1) = 1;
  b.hit_enemies();
  EXPECT_EQ(b.s.en_hits[0], 0);
}

TEST(ShotHits, EveryHitScoresWithASoundAndASpentEnemyLetsShotsThrough) {
  PlayerBench b;
  place_enemy(b, 12, 100, 100, 40, 5);
  for (int32_t slot = 1; slot <= 6; ++slot) place_shot(b, 0, slot, 110, 110);
  b.hit_enemies();
  EXPECT_EQ(b.s.en_hits[12], 0);
  EXPECT_EQ(b.s.score, 500);
  EXPECT_EQ(b.sounds_of(kScoreSound), 5);
  EXPECT_EQ(b.sounds.size(), 5u);
  for (int32_t slot = 1; slot <= 5; ++slot) EXPECT_EQ(b.s.sh_on(0, slot), 0) << slot;
  EXPECT_EQ(b.s.sh_on(0, 6), 1);  // the sixth passed through the dead enemy
  EXPECT_EQ(b.s.tick, 11);
  EXPECT_EQ(b.s.loop_i, 21);
}

TEST(ShotHits, AShotHitsOnlyTheLowestEnemySlotItIsInside) {
  PlayerBench b;
  b.s.score = -10000;  // the Left-key start
  place_enemy(b, 9, 100, 100, 40, 2);
  place_enemy(b, 4, 100, 100, 40, 2);
  place_shot(b, 0, 8, 110, 110);
  b.hit_enemies();
  EXPECT_EQ(b.s.en_hits[4], 1);
  EXPECT_EQ(b.s.en_hits[9], 2);
  EXPECT_EQ(b.s.score, -9900);
}

TEST(ShotHits, TheTwoShotsOfAVolleyHitIndependently) {
  PlayerBench b;
  place_enemy(b, 0, 100, 100, 60, 3);
  place_shot(b, 0, 2, 110, 110);
  place_shot(b, 1, 2, 130, 110);
  b.hit_enemies();
  EXPECT_EQ(b.s.en_hits[0], 1);
  EXPECT_EQ(b.s.score, 200);

  // One each off two enemies side by side.
  PlayerBench two;
  place_enemy(two, 1, 100, 100, 25, 1);
  place_enemy(two, 2, 126, 100, 40, 1);
  place_shot(two, 0, 2, 110, 102);  // probes 115 and 125: only the first enemy
  place_shot(two, 1, 2, 130, 102);  // probes 135 and 145: only the second
  two.hit_enemies();
  EXPECT_EQ(two.s.en_hits[1], 0);
  EXPECT_EQ(two.s.en_hits[2], 0);
  EXPECT_EQ(two.s.score, 200);
}

TEST(ShotHits, AnOverflowingScoreIsAFaultThatIsReported) {
  PlayerBench b;
  b.s.score = INT32_MAX - 100;
  place_enemy(b, 0, 100, 100, 40, 2);
  place_shot(b, 0, 1, 110, 110);
  b.hit_enemies();
  EXPECT_EQ(b.s.score, INT32_MAX);
  place_shot(b, 1, 1, 110, 110);
  EXPECT_THROW(b.hit_enemies(), RunTimeError);
}

}  // namespace
}  // namespace qv
