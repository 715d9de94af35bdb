// The shell of the game through the simulator: the title keys and their delays, the game-over
// slide, continue and restart, the score label, and the run-time errors.
#include <gtest/gtest.h>

#include <sstream>

#include "sim/simulator.hpp"

namespace qv {
namespace {

// Runs steps until the frame timer starts; the step on which it did, or -1.
int64_t step_until_play(Simulator& sim, int64_t limit) {
  while (sim.current_step() < limit) {
    sim.step();
    if (sim.win().time.Interval() == 10) return sim.current_step();
  }
  return -1;
}

std::vector<std::string> audio_of(std::ostringstream& trace, int64_t step) {
  std::vector<std::string> lines;
  std::istringstream in(trace.str());
  std::string line, tag = "\"step\":" + std::to_string(step) + ",";
  while (std::getline(in, line)) {
    if (line.find(tag) != std::string::npos) lines.push_back(line);
  }
  return lines;
}

TEST(Title, AKeyHeldFromTheStartIsHonouredAtThe101stTick) {
  Simulator sim;
  sim.start();
  sim.hold(kSimSpace);
  EXPECT_EQ(step_until_play(sim, 300), 101);
  GameState& s = sim.win().s;
  EXPECT_EQ(sim.win().op.Interval(), 0);
  EXPECT_EQ(s.lives, 2);
  EXPECT_EQ(s.px, 190);
  EXPECT_EQ(s.py, 420);
  EXPECT_EQ(s.score, 0);
  EXPECT_TRUE(sim.win().Bgm_Check.Enabled());
}

TEST(Title, LeftStartsWithTenShipsAndMinusTenThousand) {
  Simulator sim;
  sim.start();
  for (int i = 0; i < 150; ++i) sim.step();
  sim.hold(kSimLeft);
  ASSERT_GT(step_until_play(sim, 300), 0);
  EXPECT_EQ(sim.win().s.lives, 10);
  EXPECT_EQ(sim.win().s.score, -10000);
  sim.step();  // the first frame shows the score
  EXPECT_EQ(sim.win().score1, "-10000");
}

TEST(Title, SpaceAndLeftTogetherRunBothStartsInOneCall) {
  std::ostringstream trace;
  Simulator sim;
  sim.set_trace(&trace);
  sim.start();
  for (int i = 0; i < 120; ++i) sim.step();
  sim.hold(kSimSpace | kSimLeft);
  int64_t at = step_until_play(sim, 300);
  EXPECT_EQ(sim.win().s.lives, 10);
  EXPECT_EQ(sim.win().s.score, -10000);
  std::string op_line = audio_of(trace, at).front();
  size_t starts = 0, pos = 0;
  while ((pos = op_line.find("snd bgm&se\\\\st.wav 3", pos)) != std::string::npos) ++starts, ++pos;
  EXPECT_EQ(starts, 2u);
}

TEST(Title, UpAndDownDoNothingOnTheTitle) {
  Simulator sim;
  sim.start();
  sim.hold(kSimUp | kSimDown | kSimRight);
  EXPECT_EQ(step_until_play(sim, 400), -1);
  EXPECT_EQ(sim.win().s.stage_count, 0);
}

// A game whose last ship is lost at once, with `tick` as a played frame leaves it.
Simulator& lose_game(Simulator& sim) {
  sim.start();
  sim.hold(kSimSpace);
  step_until_play(sim, 300);
  sim.hold(0);
  sim.step();
  sim.win().s.lives = -1;
  sim.win().s.tick = 11;
  return sim;
}

TEST(GameOver, ThePictureSlidesInThirtyNineTicksThenTheKeysAreHeard) {
  Simulator sim;
  lose_game(sim);
  const int32_t expected[] = {15,  30,  45,  60,  72,  84,  96,  108, 118, 128, 138, 148, 158,
                              166, 174, 182, 190, 198, 206, 212, 218, 224, 230, 236, 242, 248,
                              254, 258, 262, 266, 270, 274, 278, 282, 286, 290, 294, 298, 302};
  for (int32_t y : expected) {
    sim.step();
    EXPECT_EQ(sim.win().s.over_y, y);
    EXPECT_EQ(sim.win().op.Interval(), 0);
  }
  sim.step();
  EXPECT_EQ(sim.win().s.over_y, 302);
  EXPECT_EQ(sim.win().op.Interval(), 10);
  int32_t clock = sim.win().s.stage_count;
  sim.step();
  EXPECT_EQ(sim.win().s.stage_count, clock + 1);  // the stage goes on behind the picture
}

TEST(GameOver, ContinueIsHeardFromThe90thWaitingTickAndKeepsTheStage) {
  Simulator sim;
  lose_game(sim);
  for (int i = 0; i < 40; ++i) sim.step();
  sim.hold(kSimUp | kSimSpace);  // Space means nothing here
  int waited = 0;
  while (sim.win().s.lives < 0 && waited < 200) {
    sim.step();
    ++waited;
  }
  GameState& s = sim.win().s;
  EXPECT_EQ(waited, 90);
  EXPECT_EQ(s.lives, 2);
  EXPECT_EQ(s.score, 0);
  EXPECT_EQ(s.over_y, 0);
  EXPECT_GT(s.stage_count, 100);
  EXPECT_EQ(sim.win().op.Interval(), 0);
}

TEST(GameOver, UpAndDownTogetherRestartFromTheFirstFrame) {
  Simulator sim;
  lose_game(sim);
  for (int i = 0; i < 40; ++i) sim.step();
  sim.hold(kSimUp | kSimDown);
  while (sim.win().s.lives < 0) sim.step();
  // The frame timer kept running, so the restart's step already played the stage's frame 1.
  EXPECT_EQ(sim.win().s.stage_count, 1);
  EXPECT_EQ(sim.win().s.lives, 2);
  EXPECT_EQ(sim.win().s.score, 0);
}

TEST(Counters, TheTitleLeftForMonthsDoesNotOverflow) {
  Simulator sim;
  sim.start();
  sim.win().s.tick = INT32_MAX - 1;
  for (int i = 0; i < 5; ++i) sim.step();
  EXPECT_EQ(sim.win().s.tick, INT32_MAX);
}

TEST(Counters, AnOverflowIsARunTimeErrorThatNamesItself) {
  Simulator sim;
  sim.start();
  sim.hold(kSimSpace);
  step_until_play(sim, 300);
  sim.win().s.stage_count = INT32_MAX;
  try {
    sim.step();
    FAIL() << "no run-time error";
  } catch (const RunTimeError& e) {
    EXPECT_NE(std::string(e.what()).find("overflow"), std::string::npos);
  }
}

TEST(Counters, AnIndexOutOfBoundsNamesTheArray) {
  GameState s;
  try {
    s.bl_on[51] = 1;
    FAIL() << "no run-time error";
  } catch (const RunTimeError& e) {
    EXPECT_NE(std::string(e.what()).find("bl_on(51)"), std::string::npos);
  }
  EXPECT_THROW(s.sh_on(11, 0), RunTimeError);
  EXPECT_THROW(s.sh_on(0, -1), RunTimeError);
}

}  // namespace
}  // namespace qv
