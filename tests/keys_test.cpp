#include "system/keys.hpp"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(Keyboard, AHeldKeyIsPressedAtEveryPollAndTheFirstPollSeesThePress) {
  Keyboard k;
  k.key_down(VK_SPACE);
  EXPECT_EQ(k.GetAsyncKeyState(VK_SPACE), -32767);  // down now, and went down since last
  EXPECT_EQ(k.GetAsyncKeyState(VK_SPACE), -32768);
  k.key_down(VK_SPACE);  // a repeat of a held key is no new press
  EXPECT_EQ(k.GetAsyncKeyState(VK_SPACE), -32768);
  k.key_up(VK_SPACE);
  EXPECT_EQ(k.GetAsyncKeyState(VK_SPACE), 0);
}

TEST(Keyboard, ATapBetweenTwoPollsCountsOnceForThatKeyOnly) {
  Keyboard k;
  k.key_down(VK_LEFT);
  k.key_up(VK_LEFT);
  EXPECT_EQ(k.GetAsyncKeyState(VK_UP), 0);
  EXPECT_EQ(k.GetAsyncKeyState(VK_LEFT), 1);
  EXPECT_EQ(k.GetAsyncKeyState(VK_LEFT), 0);
}

TEST(Keyboard, LosingTheFocusReleasesEveryKey) {
  Keyboard k;
  k.key_down(VK_RIGHT);
  k.key_down(VK_DOWN);
  k.key_up(VK_DOWN);
  k.release_all();
  EXPECT_EQ(k.GetAsyncKeyState(VK_RIGHT), 0);
  EXPECT_EQ(k.GetAsyncKeyState(VK_DOWN), 0);
  EXPECT_EQ(k.GetAsyncKeyState(-1), 0);
  EXPECT_EQ(k.GetAsyncKeyState(1000), 0);
}

TEST(ReadKeys, PollsTheFiveKeysIntoTheirArguments) {
  keyboard().release_all();
  keyboard().key_down(VK_UP);
  keyboard().key_down(VK_DOWN);
  Int space = 7, left = 7, up, right = 7, down;
  Read_Keys(space, left, up, right, down);
  EXPECT_EQ(space, 0);
  EXPECT_EQ(left, 0);
  EXPECT_EQ(up, -32767);
  EXPECT_EQ(right, 0);
  EXPECT_EQ(down, -32767);
  keyboard().release_all();
}

TEST(Keyboard, OneSourceNeverReleasesAKeyAnotherStillHolds) {
  Keyboard k;
  k.key_down(VK_SPACE, KeySource::keyboard);
  EXPECT_EQ(k.GetAsyncKeyState(VK_SPACE), -32767);
  k.key_down(VK_SPACE, KeySource::gamepad);  // already down: no new press
  k.key_up(VK_SPACE, KeySource::gamepad);
  EXPECT_EQ(k.GetAsyncKeyState(VK_SPACE), -32768);
  k.release_all(KeySource::gamepad);  // the pad unplugged
  EXPECT_EQ(k.GetAsyncKeyState(VK_SPACE), -32768);
  k.key_up(VK_SPACE, KeySource::keyboard);
  EXPECT_EQ(k.GetAsyncKeyState(VK_SPACE), 0);
}

}  // namespace
}  // namespace qv
