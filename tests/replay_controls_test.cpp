// The replay's keys and its bar, as the window and the page use them.
#include <gtest/gtest.h>

#include <vector>

#include "front/replay_bar.hpp"
#include "front/replay_keys.hpp"

namespace qv {
namespace {

const KeyScript& recording() {
  static const KeyScript script = [] {
    KeyScript s;
    std::string error;
    EXPECT_TRUE(read_key_script("tests/data/replays/whole_game.keys", s, error)) << error;
    return s;
  }();
  return script;
}

// Each key from a replay at step 1000, paused or not: where it stands after it, its speed, and
// what comes back for the host.
TEST(ReplayKeys, EachKeyMovesTheReplayAsItSays) {
  struct Case {
    SDL_Keycode key;
    bool paused;
    int64_t position;
    double speed;
    ReplayCommand for_host;
  };
  const std::vector<Case> cases = {
      {SDLK_PERIOD, true, 1001, 1, ReplayCommand::none},
      {SDLK_PERIOD, false, 1000, 1, ReplayCommand::none},  // only while paused
      {SDLK_COMMA, true, 999, 1, ReplayCommand::none},
      {SDLK_MINUS, false, 1000, 0.5, ReplayCommand::none},
      {SDLK_EQUALS, false, 1000, 2, ReplayCommand::none},
      {SDLK_KP_PLUS, false, 1000, 2, ReplayCommand::none},
      {SDLK_0, false, 1000, 1, ReplayCommand::none},
      {SDLK_LEFT, false, 500, 1, ReplayCommand::none},
      {SDLK_RIGHT, false, 1500, 1, ReplayCommand::none},
      {SDLK_DOWN, false, 0, 1, ReplayCommand::none},   // not before the start
      {SDLK_UP, false, 3783, 1, ReplayCommand::none},  // nor after the end
      {SDLK_HOME, false, 0, 1, ReplayCommand::none},
      {SDLK_END, false, 3783, 1, ReplayCommand::none},  // the host ends where it lands
      {SDLK_p, false, 1000, 1, ReplayCommand::pause},
      {SDLK_ESCAPE, false, 1000, 1, ReplayCommand::pause},
      {SDLK_RETURN, false, 1000, 1, ReplayCommand::take_over},
      {SDLK_SPACE, false, 1000, 1, ReplayCommand::none},
  };
  SilentSink sink;
  Game game(sink, KeySource::replay);
  ReplayViewer viewer(game, sink, recording());
  StepClock stopped;  // a slice of a jump runs its most steps
  auto land = [&] {
    while (viewer.run_jump(stopped, 1)) {
    }
  };
  viewer.start(1000);
  for (const Case& c : cases) {
    SCOPED_TRACE(SDL_GetKeyName(c.key));
    viewer.normal_speed();
    viewer.jump_to(1000);
    land();
    viewer.set_paused(c.paused);
    EXPECT_EQ(carry_out(replay_command_of_key(c.key), viewer), c.for_host);
    land();
    EXPECT_EQ(viewer.position(), c.position);
    EXPECT_EQ(viewer.speed(), c.speed);
  }
}

// While a jump goes (here End, a slice of 100 steps in from the nearest snapshot): a pause key
// stops it where it stands, a jump key sends it elsewhere from there, Enter stops it there for
// the host to take over.
TEST(ReplayKeys, DuringAJumpThePauseStopsItAndJumpsGoElsewhere) {
  SilentSink sink;
  Game game(sink, KeySource::replay);
  ReplayViewer viewer(game, sink, recording());
  StepClock stopped;
  viewer.start();
  int64_t stood = 0;
  auto under_way = [&] {
    viewer.home();
    viewer.end();
    viewer.run_jump(stopped, 1, 100);
    ASSERT_TRUE(viewer.jumping());
    stood = viewer.position();
    ASSERT_GE(stood, 100);
  };
  under_way();
  EXPECT_TRUE(pause_stops_jump(ReplayCommand::pause, viewer));
  EXPECT_FALSE(viewer.jumping());
  EXPECT_EQ(viewer.position(), stood);
  EXPECT_FALSE(pause_stops_jump(ReplayCommand::pause, viewer));  // the host's pause, as always
  under_way();
  EXPECT_FALSE(pause_stops_jump(ReplayCommand::home, viewer));
  EXPECT_EQ(carry_out(replay_command_of_key(SDLK_RIGHT), viewer), ReplayCommand::none);
  EXPECT_EQ(viewer.jump_target(), stood + ReplayViewer::kShortJump);
  under_way();
  EXPECT_EQ(carry_out(replay_command_of_key(SDLK_RETURN), viewer), ReplayCommand::take_over);
  EXPECT_FALSE(viewer.jumping());
  EXPECT_EQ(viewer.position(), stood);
}

TEST(ReplayKeys, SpeedsStayWithinAQuarterAndEight) {
  SilentSink sink;
  Game game(sink, KeySource::replay);
  ReplayViewer viewer(game, sink, recording());
  for (int i = 0; i < 6; ++i) viewer.faster();
  EXPECT_EQ(viewer.speed(), 8);
  for (int i = 0; i < 8; ++i) viewer.slower();
  EXPECT_EQ(viewer.speed(), 0.25);
  EXPECT_EQ(replay_command_of_pad_button(SDL_CONTROLLER_BUTTON_A), ReplayCommand::take_over);
  EXPECT_EQ(replay_command_of_pad_button(SDL_CONTROLLER_BUTTON_LEFTSHOULDER),
            ReplayCommand::back_short);
}

TEST(ReplayBar, SaysWhereTheReplayStands) {
  EXPECT_EQ(replay_bar_text(1234, 3783, 1, false), "REPLAY 0:12.34 / 0:37.83 1x");
  EXPECT_EQ(replay_bar_text(0, 12000, 0.25, true), "REPLAY 0:00.00 / 2:00.00 1/4x PAUSED");
  EXPECT_EQ(replay_bar_text(6001, 6001, 8, false), "REPLAY 1:00.01 / 1:00.01 8x");
  std::vector<uint32_t> frame(432 * 568, 0x123456);
  draw_replay_bar(replay_bar_text(1, 2, 1, false), 1, 2, frame.data(), 432, 568);
  EXPECT_EQ(frame[0], 0x123456u);                // the frame above the bar is left as it was
  EXPECT_EQ(frame[567 * 432 + 431], 0x202040u);  // the strip
  EXPECT_NE(frame[554 * 432 + 100], 0x123456u);  // half the line is played...
  EXPECT_EQ(frame[554 * 432 + 300], 0x123456u);  // ...and the rest is not
  ReplayBarShowing showing;
  showing.touched(1000000);
  EXPECT_TRUE(showing.shown(3999999, false));
  EXPECT_FALSE(showing.shown(4000000, false));
  EXPECT_TRUE(showing.shown(9000000, true));
}

}  // namespace
}  // namespace qv
