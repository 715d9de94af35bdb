#include <gtest/gtest.h>

#include "tests/player_bench.hpp"

namespace qv {
namespace {

using testing::kShotColour;
using testing::PlayerBench;

// Runs frames with Space held and returns the frames (counted from 1) in which a volley left.
std::vector<int> volley_frames(PlayerBench& b, int frames) {
  std::vector<int> fired;
  b.press(VK_SPACE);
  for (int frame = 1; frame <= frames; ++frame) {
    Int before = b.s.sh_next;
    b.fire_shots();
    if (b.s.sh_next != before) fired.push_back(frame);
  }
  return fired;
}

TEST(Volleys, HeldSpaceFiresEverySixthFrameAndTheFirstPressAfterAPauseAtOnce) {
  PlayerBench b;  // sh_wait 0, as in a new window
  EXPECT_EQ(volley_frames(b, 20), (std::vector<int>{6, 12, 18}));
  EXPECT_EQ(b.s.sh_wait, 2);

  b.release(VK_SPACE);
  for (int frame = 0; frame < 3; ++frame) b.fire_shots();
  EXPECT_EQ(b.s.sh_wait, 5);
  EXPECT_EQ(b.s.sh_next, 3);
  EXPECT_EQ(volley_frames(b, 7), (std::vector<int>{1, 7}));
}

TEST(Volleys, BothShotsStartSideBySideAndAreFirstDrawnFifteenPixelsUp) {
  PlayerBench b;
  b.s.px = 100;
  b.s.py = 300;
  b.s.sh_wait = 5;
  b.press(VK_SPACE);
  b.fire_shots();
  EXPECT_EQ(b.s.sh_next, 1);
  EXPECT_EQ(b.s.sh_x(0, 1), 110);
  EXPECT_EQ(b.s.sh_x(1, 1), 130);
  EXPECT_EQ(b.s.sh_y(0, 1), 285);
  EXPECT_EQ(b.s.sh_y(1, 1), 285);
  // The two drops touch, covering px + 10 to px + 50, and nothing else is drawn.
  EXPECT_EQ(b.count(kShotColour, 110, 285, 40, 20), 40 * 20);
  EXPECT_EQ(b.count(kShotColour), 40 * 20);
  EXPECT_EQ(b.s.tick, 11);
}

TEST(Volleys, TheRingRunsOneToTenAndSlotZeroIsNeverFilled) {
  PlayerBench b;
  std::vector<int32_t> slots;
  b.press(VK_SPACE);
  for (int frame = 0; frame < 6 * 11; ++frame) {
    Int before = b.s.sh_next;
    b.fire_shots();
    if (b.s.sh_next != before) slots.push_back(b.s.sh_next);
    EXPECT_EQ(b.s.sh_on(0, 0), 0);
    EXPECT_EQ(b.s.sh_on(1, 0), 0);
  }
  EXPECT_EQ(slots, (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 1}));
  // Slot 0 rose with the others all along; the eleventh volley restarted slot 1.
  EXPECT_EQ(b.s.sh_y(0, 0), -15 * 66);
  EXPECT_EQ(b.s.sh_y(0, 1), b.s.py - 15);
  EXPECT_EQ(b.s.sh_y(0, 2), b.s.py - 15 * 55);
  for (int32_t gun = 2; gun <= 10; ++gun) EXPECT_EQ(b.s.sh_y(gun, 1), 0);
}

TEST(Volleys, ASpentShotRisesUnseenUntilAVolleyRefillsItsSlot) {
  PlayerBench b;
  b.s.px = 100;
  b.s.py = 300;
  b.s.sh_next = 4;
  b.s.sh_x(0, 5) = 50;
  b.s.sh_y(0, 5) = 215;
  b.s.sh_on(0, 5) = 0;  // spent by a hit
  b.s.sh_x(1, 5) = 70;
  b.s.sh_y(1, 5) = 215;
  b.s.sh_on(1, 5) = 1;
  b.fire_shots();
  EXPECT_EQ(b.s.sh_y(0, 5), 200);
  EXPECT_EQ(b.count(kShotColour, 50, 200, 20, 20), 0);
  EXPECT_EQ(b.count(kShotColour, 70, 200, 20, 20), 20 * 20);

  b.s.sh_wait = 5;
  b.press(VK_SPACE);
  b.fire_shots();
  EXPECT_EQ(b.s.sh_on(0, 5), 1);
  EXPECT_EQ(b.s.sh_x(0, 5), 110);
  EXPECT_EQ(b.s.sh_y(0, 5), 285);
}

TEST(Volleys, CountersThatRunOnForeverStopAtTheEndsOfTheRange) {
  PlayerBench b;
  b.s.sh_wait = INT32_MAX;          // Space left alone for most of a year
  b.s.sh_y(0, 0) = INT32_MIN + 20;  // slot 0 rising for weeks
  b.s.sh_y(1, 7) = INT32_MIN + 3;   // a slot not refilled for weeks
  b.fire_shots();
  EXPECT_EQ(b.s.sh_wait, INT32_MAX);
  EXPECT_EQ(b.s.sh_y(0, 0), INT32_MIN + 5);
  EXPECT_EQ(b.s.sh_y(1, 7), INT32_MIN);
  b.fire_shots();
  EXPECT_EQ(b.s.sh_y(0, 0), INT32_MIN);

  // The shots at the bottom of the range take part in the hit test without harm.
  b.s.en_x[0] = -10;
  b.s.en_y[0] = -10;
  b.s.en_size[0] = 40;
  b.s.en_hits[0] = 1;
  b.s.sh_on(1, 7) = 1;
  EXPECT_NO_THROW(b.hit_enemies());
  EXPECT_EQ(b.s.en_hits[0], 1);

  // The wait still fires at once when Space comes.
  b.press(VK_SPACE);
  b.fire_shots();
  EXPECT_EQ(b.s.sh_wait, 0);
  EXPECT_EQ(b.s.sh_next, 1);
}

}  // namespace
}  // namespace qv
