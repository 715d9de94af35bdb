// The ending: the staff roll after the boss, its music, the end of the program, and what a
// restart or a continue during the roll does to it.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "tests/stage_support.hpp"

namespace qv::testing {
namespace {

constexpr int32_t kBossSlot = 10;

TEST(StageEnding, TheRollScrollsDownAndTheProgramEndsOnItsFrame384) {
  StageRig rig;
  rig.run_to(2135);
  EXPECT_FALSE(rig.win.Bgm_Check.Enabled());
  rig.s.en_hits[kBossSlot] = 0;
  for (int32_t n = 1; n <= 383; ++n) {
    ASSERT_NO_THROW(rig.frame()) << "ending frame " << n;
    ASSERT_EQ(rig.s.roll_y, -200 + 2 * n);
    if (n <= 20 || n == 383) {
      EXPECT_EQ(rig.count(kStaffRoll), 0) << "ending frame " << n;
    } else if (n == 21 || n == 382) {
      EXPECT_GT(rig.count(kStaffRoll), 0) << "ending frame " << n;
    }
  }
  EXPECT_TRUE(rig.win.Bgm_Check.Enabled());
  EXPECT_THROW(rig.frame(), ProgramEnd);
  EXPECT_FALSE(rig.win.Bgm_Check.Enabled());
  EXPECT_EQ(rig.s.roll_y, 566);
}

TEST(StageEnding, TheRollIsDrawnAtTheLeftEdgeUnderTheSwirls) {
  StageRig rig;
  rig.run_to(2135);
  rig.s.en_hits[kBossSlot] = 0;
  rig.frames(100);  // y 0
  EXPECT_EQ(rig.s.roll_y, 0);
  int32_t roll = 0;
  for (int32_t y = 0; y < 160; ++y) {
    for (int32_t x = 0; x < 270; ++x) roll += rig.win.offPB.at(x, y) == kStaffRoll.colour;
  }
  EXPECT_GT(roll, 0);
  EXPECT_EQ(roll, rig.count(kStaffRoll));  // nothing of it outside its rectangle
}

// A game under way in the simulator, with every media call written down.
struct SimGame {
  Simulator sim;
  std::vector<std::string> calls;
  std::ostringstream trace;

  SimGame() {
    sim.set_trace(&trace);
    sim.start();
    sim.hold(kSimSpace);
    while (sim.win().s.stage_count == 0 && sim.current_step() < 500) sim.step();
    sim.hold(0);
  }
  GameState& s() { return sim.win().s; }
  // Skips ahead to the boss's arrival and plays on to `frame`; the next frame is then the
  // ending's first.
  void kill_boss_after(int32_t frame) {
    s().stage_count = 2000;
    while (s().stage_count != frame) sim.step();
    s().en_hits[kBossSlot] = 0;
    sim.media().set_log(&calls);
  }
  int32_t count(const std::string& call) const {
    return static_cast<int32_t>(std::count(calls.begin(), calls.end(), call));
  }
  // Holds the key until the title and mode control has taken it.
  bool press_after_game_over(uint8_t key) {
    s().lives = -1;
    sim.hold(key);
    for (int32_t n = 0; n < 400; ++n) {
      sim.step();
      if (s().lives >= 0) break;
    }
    sim.hold(0);
    return s().lives >= 0;
  }
};

const std::string kStop = "mci stop midifile ";
const std::string kClose = "mci close midifile";
const std::string kOpenWin = "mci open \"bgm&se\\win.mid\" type sequencer alias midifile";
const std::string kPlay = "mci play midifile from 0";

TEST(StageEnding, ChangesTheMusicOnceAndStopsItAtTheEnd) {
  SimGame game;
  game.kill_boss_after(2140);
  int32_t frames = 0;
  while (game.sim.step()) {
    ++frames;
    ASSERT_LT(frames, 1000);
  }
  EXPECT_TRUE(game.sim.ended());
  EXPECT_EQ(frames + 1, 384);
  ASSERT_GE(game.calls.size(), 6u);
  EXPECT_EQ(std::vector<std::string>(game.calls.begin(), game.calls.begin() + 4),
            (std::vector<std::string>{kStop, kClose, kOpenWin, kPlay}));
  EXPECT_EQ(std::vector<std::string>(game.calls.end() - 2, game.calls.end()),
            (std::vector<std::string>{kStop, kClose}));
  EXPECT_EQ(game.count(kOpenWin), 1);
  EXPECT_EQ(game.count(kStop), 2);
  EXPECT_FALSE(game.sim.win().Bgm_Check.Enabled());

  // The simulator marks the record of the handler that ended the program.
  std::string last, line;
  std::istringstream lines(game.trace.str());
  while (std::getline(lines, line)) last = line;
  EXPECT_NE(last.find("\"ended\":true"), std::string::npos);
  EXPECT_NE(last.find("\"handler\":\"time\""), std::string::npos);
}

TEST(StageEnding, ARestartDuringTheRollStopsItButNotItsMusic) {
  SimGame game;
  game.kill_boss_after(2140);
  for (int32_t n = 0; n < 10; ++n) game.sim.step();
  ASSERT_TRUE(game.press_after_game_over(kSimDown));
  EXPECT_LT(game.s().stage_count, 10);
  const int32_t roll_y = game.s().roll_y;
  EXPECT_GT(roll_y, -200 + 2 * 11);  // the roll went on while the GameOver picture slid
  game.calls.clear();
  for (int32_t n = 0; n < 500; ++n) ASSERT_TRUE(game.sim.step());
  EXPECT_EQ(game.s().roll_y, roll_y);
  EXPECT_EQ(game.count(kStop), 0);
  EXPECT_EQ(game.count(kOpenWin), 0);
  EXPECT_TRUE(game.sim.win().Bgm_Check.Enabled());  // the ending tune loops on

  // The boss comes back at 2001 with 200 hits and sets the roll back above the surface.
  game.s().stage_count = 2000;
  game.sim.step();
  EXPECT_EQ(game.s().en_hits[kBossSlot], 200);
  EXPECT_EQ(game.s().roll_y, -200);
}

TEST(StageEnding, AContinueDuringTheRollLetsItEndOnTime) {
  SimGame game;
  game.kill_boss_after(2140);
  for (int32_t n = 0; n < 10; ++n) game.sim.step();
  ASSERT_TRUE(game.press_after_game_over(kSimUp));
  const int32_t frames_so_far = (game.s().roll_y + 200) / 2;
  int32_t more = 0;
  while (game.sim.step()) ++more;
  EXPECT_TRUE(game.sim.ended());
  EXPECT_EQ(frames_so_far + more + 1, 384);
  EXPECT_EQ(game.count(kOpenWin), 1);
}

}  // namespace
}  // namespace qv::testing
