#include <gtest/gtest.h>

#include "tests/player_bench.hpp"

namespace qv {
namespace {

using testing::kHitSound;
using testing::kIconColour;
using testing::kShipColour;
using testing::PlayerBench;

// --- Steering -------------------------------------------------------------------------------

struct Steer {
  int32_t px, py;
  std::vector<int32_t> keys;
  int32_t want_px, want_py;
};

class ShipSteering : public ::testing::TestWithParam<Steer> {};

TEST_P(ShipSteering, MovesFivePixelsAndStaysInsideThePlayArea) {
  const Steer& c = GetParam();
  PlayerBench b;
  b.s.px = c.px;
  b.s.py = c.py;
  for (int32_t vk : c.keys) b.press(vk);
  b.move_player();
  EXPECT_EQ(b.s.px, c.want_px);
  EXPECT_EQ(b.s.py, c.want_py);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, ShipSteering,
    ::testing::Values(
        Steer{190, 420, {VK_LEFT}, 185, 420}, Steer{190, 420, {VK_UP}, 190, 415},
        Steer{190, 420, {VK_RIGHT}, 195, 420}, Steer{190, 420, {VK_DOWN}, 190, 425},
        Steer{0, 0, {VK_LEFT, VK_UP}, 0, 0}, Steer{370, 500, {VK_RIGHT, VK_DOWN}, 370, 500},
        Steer{365, 495, {VK_RIGHT, VK_DOWN}, 370, 500},
        // Both keys of a pair: the first step sees the edge, the second does not.
        Steer{0, 250, {VK_LEFT, VK_RIGHT}, 5, 250}, Steer{370, 250, {VK_LEFT, VK_RIGHT}, 370, 250},
        Steer{100, 250, {VK_LEFT, VK_RIGHT}, 100, 250}, Steer{100, 0, {VK_UP, VK_DOWN}, 100, 5},
        Steer{100, 500, {VK_UP, VK_DOWN}, 100, 500}, Steer{100, 250, {VK_UP, VK_DOWN}, 100, 250}));

TEST(ShipKeys, ATapBetweenTwoFramesMovesTheShipOnceAndTheStateIsSignExtended) {
  PlayerBench b;
  b.s.px = 100;
  b.press(VK_RIGHT);
  b.release(VK_RIGHT);
  b.move_player();
  EXPECT_EQ(b.s.px, 105);
  EXPECT_EQ(b.key_right, 1);  // pressed since the last poll, no longer down
  b.move_player();
  EXPECT_EQ(b.s.px, 105);
  EXPECT_EQ(b.key_right, 0);

  b.press(VK_LEFT);
  b.move_player();
  EXPECT_LT(b.key_left, 0);  // down now: the sign bit of the 16-bit state, widened
  b.move_player();
  EXPECT_EQ(b.key_left, static_cast<int16_t>(0x8000));
  EXPECT_EQ(b.s.px, 95);
}

// --- The ship's hit tests -------------------------------------------------------------------

// An object placed relative to the ship's corner: (dx, dy) of its corner, its size.
struct Probe {
  int32_t dx, dy, size;
  bool hits;
};

PlayerBench& vulnerable_ship(PlayerBench& b) {
  b.s.px = 200;
  b.s.py = 300;
  b.s.lives = 2;
  b.s.safe_count = 50;  // this frame makes it 51: the first frame the ship can be hit
  return b;
}

class BulletProbe : public ::testing::TestWithParam<Probe> {};

TEST_P(BulletProbe, OnlyTheBottomAndASideEdgeStrictlyInsideTheBandHit) {
  const Probe& c = GetParam();
  PlayerBench b;
  vulnerable_ship(b);
  b.s.bl_x[17] = 200 + c.dx;
  b.s.bl_y[17] = 300 + c.dy;
  b.s.bl_size[17] = c.size;
  b.s.bl_on[17] = 1;
  b.move_player();
  EXPECT_EQ(b.s.lives, c.hits ? 1 : 2);
  EXPECT_EQ(b.sounds_of(kHitSound), c.hits ? 1 : 0);
  EXPECT_EQ(b.s.bl_on[17], 1);  // the bullet flies on either way
}

// Bullet band: x from px + 15 to px + 45, y from py + 10 to py + 60, both open. Each line is a
// pair: an edge exactly on the end of the band, then one pixel inside.
INSTANTIATE_TEST_SUITE_P(
    Edges, BulletProbe,
    ::testing::Values(Probe{15, 20, 30, false}, Probe{16, 20, 28, true},  // both side edges
                      Probe{5, 20, 10, false}, Probe{6, 20, 10, true},    // the right edge
                      Probe{45, 20, 10, false}, Probe{44, 20, 10, true},  // the left edge
                      Probe{20, 0, 10, false}, Probe{20, 1, 10, true},    // bottom, top end
                      Probe{20, 50, 10, false}, Probe{20, 49, 10, true},  // bottom, bottom end
                      Probe{15, 20, 10, true},  // left edge on the end, right edge inside
                      Probe{0, 0, 70, false},   // covers the ship, no edge in the band
                      Probe{20, 40, 30, false}  // bottom edge below the band
                      ));

TEST(BulletProbe, AnUnarmedBulletPassesThrough) {
  PlayerBench b;
  vulnerable_ship(b);
  b.s.bl_x[0] = 220;
  b.s.bl_y[0] = 320;
  b.s.bl_size[0] = 10;
  b.s.bl_on[0] = 0;
  b.move_player();
  EXPECT_EQ(b.s.lives, 2);
  EXPECT_TRUE(b.sounds.empty());
}

class EnemyProbe : public ::testing::TestWithParam<Probe> {};

TEST_P(EnemyProbe, OnlyTheBottomAndASideEdgeStrictlyInsideTheNarrowerBandHit) {
  const Probe& c = GetParam();
  PlayerBench b;
  vulnerable_ship(b);
  b.s.en_x[20] = 200 + c.dx;
  b.s.en_y[20] = 300 + c.dy;
  b.s.en_size[20] = c.size;
  b.s.en_hits[20] = 3;
  b.move_player();
  EXPECT_EQ(b.s.lives, c.hits ? 1 : 2);
  EXPECT_EQ(b.s.en_hits[20], 3);  // the enemy is not damaged
}

// Enemy band: x from px + 20 to px + 40, y from py + 10 to py + 60, both open.
INSTANTIATE_TEST_SUITE_P(
    Edges, EnemyProbe,
    ::testing::Values(Probe{0, 0, 40, false}, Probe{10, 0, 40, false},    // a size-40 enemy over
                      Probe{20, 0, 40, false},                            // the middle of the ship
                      Probe{21, 0, 40, true},                             // left edge just inside
                      Probe{-20, 0, 40, false}, Probe{-19, 0, 40, true},  // the right edge
                      Probe{16, 20, 3, false},  // inside the bullet band, outside this one
                      Probe{25, -30, 40, false}, Probe{25, -29, 40, true},  // bottom, top end
                      Probe{25, 20, 40, false}, Probe{25, 19, 40, true}     // bottom, bottom end
                      ));

TEST(EnemyProbe, ADeadEnemyPassesThrough) {
  PlayerBench b;
  vulnerable_ship(b);
  b.s.en_x[3] = 225;
  b.s.en_y[3] = 280;
  b.s.en_size[3] = 40;
  b.s.en_hits[3] = 0;
  b.move_player();
  EXPECT_EQ(b.s.lives, 2);
  b.s.en_hits[3] = -1;  // anything but 0 is alive
  b.move_player();
  EXPECT_EQ(b.s.lives, 1);
}

// --- Lives and the safe period ---------------------------------------------------------------

TEST(ShipLives, SafeForFiftyFramesAfterStartUpAndAfterEveryHit) {
  PlayerBench b;  // safe_count 0, as in a new window
  b.s.px = 200;
  b.s.py = 300;
  b.s.lives = 2;
  b.s.bl_x[50] = 220;
  b.s.bl_y[50] = 320;
  b.s.bl_size[50] = 10;
  b.s.bl_on[50] = 1;
  std::vector<int> hit_frames;
  for (int frame = 1; frame <= 160 && b.s.lives >= 0; ++frame) {
    Int before = b.s.lives;
    b.move_player();
    if (b.s.lives != before) hit_frames.push_back(frame);
  }
  EXPECT_EQ(hit_frames, (std::vector<int>{51, 102, 153}));
  EXPECT_EQ(b.s.lives, -1);
  EXPECT_EQ(b.s.safe_count, 0);
  EXPECT_EQ(b.sounds_of(kHitSound), 3);
}

TEST(ShipLives, ABulletAndAnEnemyInOneFrameCostTwoShipsAndLeaveNothingDrawn) {
  PlayerBench b;
  vulnerable_ship(b);
  b.s.lives = 0;
  for (int32_t j : {4, 9}) {  // two bullets: only the first counts
    b.s.bl_x[j] = 220;
    b.s.bl_y[j] = 320;
    b.s.bl_size[j] = 10;
    b.s.bl_on[j] = 1;
  }
  b.s.en_x[7] = 225;
  b.s.en_y[7] = 290;
  b.s.en_size[7] = 40;
  b.s.en_hits[7] = 1;
  b.move_player();
  EXPECT_EQ(b.s.lives, -2);
  EXPECT_EQ(b.s.safe_count, 0);
  EXPECT_EQ(b.sounds_of(kHitSound), 2);
  EXPECT_EQ(b.count(kShipColour), 0);
  EXPECT_EQ(b.count(kIconColour), 0);
}

TEST(ShipLives, TheLastShipLostIsNotDrawn) {
  PlayerBench b;
  vulnerable_ship(b);
  b.s.lives = 0;
  b.s.en_x[0] = 225;
  b.s.en_y[0] = 290;
  b.s.en_size[0] = 40;
  b.s.en_hits[0] = 1;
  b.move_player();
  EXPECT_EQ(b.s.lives, -1);
  EXPECT_EQ(b.count(kShipColour), 0);
  EXPECT_EQ(b.count(kIconColour), 0);
}

TEST(ShipLives, OneIconPerShipIncludingTheOneInPlay) {
  PlayerBench b;
  b.s.px = 100;
  b.s.py = 200;
  b.s.lives = 10;  // the Left-key start
  b.move_player();
  EXPECT_EQ(b.count(kShipColour, 100, 200, 60, 70), 60 * 70);
  EXPECT_EQ(b.count(kShipColour), 60 * 70);
  EXPECT_EQ(b.count(kIconColour, 0, 545, 330, 20), 11 * 30 * 20);
  EXPECT_EQ(b.count(kIconColour), 11 * 30 * 20);  // the last at x 300, nothing beyond
  EXPECT_EQ(b.s.tick, 11);  // the icon loop leaves the shared counter one past the last

  PlayerBench last;
  last.s.lives = 0;
  last.move_player();
  EXPECT_EQ(last.count(kIconColour, 0, 545, 30, 20), 30 * 20);
  EXPECT_EQ(last.count(kIconColour), 30 * 20);
}

TEST(ShipLives, TheSafeCounterStopsAtTheTopAndTheShipStaysVulnerable) {
  PlayerBench b;
  vulnerable_ship(b);
  b.s.safe_count = INT32_MAX;
  b.move_player();
  EXPECT_EQ(b.s.safe_count, INT32_MAX);
  b.s.bl_x[0] = 220;
  b.s.bl_y[0] = 320;
  b.s.bl_size[0] = 10;
  b.s.bl_on[0] = 1;
  b.move_player();
  EXPECT_EQ(b.s.lives, 1);
}

TEST(ShipLives, AnOverflowingBulletPositionIsStillReported) {
  PlayerBench b;
  vulnerable_ship(b);
  b.s.bl_y[30] = INT32_MAX;
  b.s.bl_size[30] = 10;
  EXPECT_THROW(b.move_player(), RunTimeError);
}

}  // namespace
}  // namespace qv
