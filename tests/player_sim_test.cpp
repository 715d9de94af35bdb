// The player's side inside whole frames: what the trace and the screen show. Everything here
// happens before the stage script's waves reach the slots and places used.
#include <gtest/gtest.h>

#include <sstream>

#include "sim/simulator.hpp"

namespace qv {
namespace {

int occurrences(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// The trace writes the effect calls as JSON strings: the backslash comes doubled.
const std::string kScoreSoundJson = "snd bgm&se\\\\e.wav 3";
const std::string kHitSoundJson = "snd bgm&se\\\\jj.wav 3";

class PlayerInFrames : public ::testing::Test {
 protected:
  PlayerInFrames() {
    sim.set_trace(&trace);
    sim.start();
  }
  // Steps once and returns the trace lines of that step.
  std::string step() {
    trace.str("");
    EXPECT_TRUE(sim.step());
    return trace.str();
  }
  // Presses Space on the title (keys count after 100 title ticks) until a game runs.
  void start_game(uint8_t keys_after_start) {
    while (sim.win().time.Interval() == 0 && sim.current_step() < 300) {
      if (sim.current_step() == 140) sim.hold(kSimSpace);
      step();
    }
    ASSERT_EQ(sim.win().time.Interval(), 10);
    sim.hold(keys_after_start);
  }
  GameState& s() { return sim.win().s; }

  Simulator sim{3};
  std::ostringstream trace;
};

TEST_F(PlayerInFrames, AVolleyScoresTwiceWithTwoSoundsAndTheLabelFollowsInTheSameFrame) {
  start_game(kSimSpace);
  // A two-hit enemy in a slot the opening waves leave alone, above the ship's guns.
  s().en_x[20] = 195;
  s().en_y[20] = 250;
  s().en_size[20] = 60;
  s().en_hits[20] = 2;
  std::string frame;
  while (s().score == 0 && s().stage_count < 40) {
    frame = step();
    if (s().lives >= 0) {
      EXPECT_EQ(s().tick, 11);  // what the game-over key delay counts from
    }
  }
  EXPECT_EQ(s().score, 200);
  EXPECT_EQ(s().en_hits[20], 0);
  EXPECT_EQ(occurrences(frame, kScoreSoundJson), 2);
  EXPECT_NE(frame.find("\"label\":\"200\""), std::string::npos);
  EXPECT_EQ(sim.win().score1, "200");
  // Both shots of the first volley are spent; the volleys after it fly on.
  EXPECT_EQ(s().sh_on(0, 1), 0);
  EXPECT_EQ(s().sh_on(1, 1), 0);
  ASSERT_GT(s().sh_next, 1);
  EXPECT_EQ(s().sh_on(0, s().sh_next), 1);
}

TEST_F(PlayerInFrames, ASteadyBulletCostsAShipAfterEverySafePeriodAndAgainAfterARestart) {
  start_game(0);
  // A bullet in the last slot, which the opening waves never touch, on the still ship.
  s().bl_x[50] = 210;
  s().bl_y[50] = 440;
  s().bl_size[50] = 10;
  s().bl_on[50] = 1;
  std::vector<int32_t> hit_frames;
  while (s().lives >= 0 && s().stage_count < 200) {
    Int lives = s().lives;
    std::string frame = step();
    if (s().lives != lives) {
      hit_frames.push_back(s().stage_count);
      EXPECT_EQ(occurrences(frame, kHitSoundJson), 1);
    }
  }
  EXPECT_EQ(hit_frames, (std::vector<int32_t>{51, 102, 153}));
  EXPECT_EQ(s().tick, 11);

  // While the GameOver picture slides the ship and its counters stand still.
  const Int safe = s().safe_count, px = s().px, py = s().py, sh_y = s().sh_y(0, 0);
  for (int tick = 0; tick < 39; ++tick) step();
  EXPECT_EQ(s().safe_count, safe);
  EXPECT_EQ(s().px, px);
  EXPECT_EQ(s().py, py);
  EXPECT_EQ(s().sh_y(0, 0), sh_y);
  EXPECT_EQ(s().tick, 11);

  // Restart from the beginning with Down as soon as the keys count again.
  while (s().lives < 0 && sim.current_step() < 1000) {
    if (s().tick >= 100) sim.hold(kSimDown);
    step();
  }
  sim.hold(0);
  ASSERT_EQ(s().lives, 2);
  while (s().lives == 2 && s().stage_count < 100) step();
  EXPECT_EQ(s().stage_count, 51);
  EXPECT_EQ(s().lives, 1);
}

}  // namespace
}  // namespace qv
