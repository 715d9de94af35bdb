// Replays that jump, change speed, are taken over and practised: at every step the viewer
// reaches, by whatever way, the game is the game a straight replay reaches there.
#include "game/replay_viewer.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <sstream>
#include <string_view>

#include "front/replay_bar.hpp"
#include "game/game_hash.hpp"
#include "game/take_over.hpp"
#include "game/trace.hpp"
#include "game/verify.hpp"
#include "sim/simulator.hpp"
#include "system/virtual_clock.hpp"

namespace qv {
namespace {

KeyScript read_recording(const std::string& path) {
  KeyScript script;
  std::string error;
  EXPECT_TRUE(read_key_script(path, script, error)) << error;
  return script;
}

const KeyScript& whole_game() {
  static const KeyScript script = read_recording("tests/data/replays/whole_game.keys");
  return script;
}

// The play surface and the back buffer, which holds a frame cut short by the program's end.
uint64_t pixels_hash(const Game& game) {
  auto hash = [](const std::vector<uint32_t>& p) {
    return std::hash<std::string_view>()(
        std::string_view(reinterpret_cast<const char*>(p.data()), p.size() * sizeof p[0]));
  };
  return hash(game.win().onPB.pixels()) * 31 + hash(game.win().offPB.pixels());
}

// The check value and the picture after every step of a straight replay.
struct Straight {
  std::vector<uint64_t> check, picture;
};
const Straight& straight() {
  static const Straight s = [] {
    Straight out;
    Simulator sim(*whole_game().seed, whole_game().lines);
    auto keep = [&] {
      out.check.push_back(check_value(sim.game()));
      out.picture.push_back(pixels_hash(sim.game()));
    };
    sim.start();
    keep();
    for (bool going = true; going;) {
      going = sim.step();  // false after the step that ended the game
      keep();
    }
    return out;
  }();
  return s;
}

// A jump run to where it lands, slice after slice, as a host runs it.
void land(ReplayViewer& viewer) {
  StepClock stopped;  // a slice runs its most steps
  while (viewer.run_jump(stopped, 1)) {
  }
}
void jump(ReplayViewer& viewer, int64_t step) {
  viewer.jump_to(step);
  land(viewer);
}

// A sink that keeps what it was told last.
struct ListeningSink : AudioSink {
  void music_play(const MidiSong* song, uint64_t from_us) override {
    playing = song;
    from = from_us;
    ++told;
  }
  void music_stop() override { playing = nullptr; }
  void effect_play(const Wave*, bool) override { ++effects; }
  void effect_stop() override {}
  const MidiSong* playing = nullptr;
  uint64_t from = 0;
  int told = 0, effects = 0;
};

TEST(ReplayViewer, EveryJumpReachesTheGameAStraightReplayReaches) {
  const Straight& s = straight();
  ListeningSink sink;
  Game game(sink, KeySource::replay);
  ReplayViewer viewer(game, sink, whole_game());
  ASSERT_EQ(viewer.length() + 1, static_cast<int64_t>(s.check.size()));
  viewer.start(1500);
  land(viewer);
  VirtualClock idle;  // the scout runs ahead of the game being watched, to the end
  while (viewer.scout(idle, 1000000)) {
  }
  std::vector<int64_t> targets = {1500, 100, viewer.length(), 0, 1234, 1233, 3000, 2999, 99, 101};
  std::mt19937 random(20);
  for (int i = 0; i < 30; ++i)
    targets.push_back(std::uniform_int_distribution<int64_t>(0, viewer.length())(random));
  for (int64_t target : targets) {
    if (target != 1500) jump(viewer, target);
    SCOPED_TRACE("step " + std::to_string(target));
    ASSERT_EQ(viewer.position(), target);
    EXPECT_EQ(check_value(game), s.check[static_cast<size_t>(target)]);
    EXPECT_EQ(pixels_hash(game), s.picture[static_cast<size_t>(target)]);
  }
  viewer.set_paused(true);
  jump(viewer, 2000);
  viewer.step_back();
  land(viewer);
  viewer.step_back();
  land(viewer);
  viewer.step_forward();
  EXPECT_EQ(check_value(game), s.check[1999]);
  viewer.jump_by(-ReplayViewer::kLongJump);
  land(viewer);
  EXPECT_EQ(viewer.position(), 0);
  viewer.end();
  land(viewer);
  EXPECT_TRUE(viewer.at_end());
  EXPECT_TRUE(game.ended());
  EXPECT_LE(viewer.trail().count(), SnapshotTrail::kMost);
}

// Watching with jumps back and forth and every speed writes the trace the simulator writes.
TEST(ReplayViewer, JumpsAndSpeedsChangeNothingInTheTrace) {
  std::ostringstream expected, watched;
  {
    Simulator sim(*whole_game().seed, whole_game().lines);
    sim.set_trace(&expected);
    sim.start();
    while (sim.step()) {
    }
  }
  SilentSink sink;
  Game game(sink, KeySource::replay);
  TraceWriter trace(watched);
  game.keep_audio_calls(true);
  game.set_observer(&trace);
  ReplayViewer viewer(game, sink, whole_game());
  viewer.start(700);
  land(viewer);
  StepClock stopped;  // a clock that stands still: the scout runs through the whole game
  viewer.scout(stopped, 1);
  jump(viewer, 100);
  uint64_t now = 0;
  for (double speed : {0.25, 8.0, 1.0, 2.0, 0.5, 4.0}) {
    viewer.set_speed(speed);
    for (int i = 0; i < 100; ++i) viewer.run_due(now += 10000);
  }
  viewer.jump_by(ReplayViewer::kLongJump);
  land(viewer);
  viewer.jump_by(-ReplayViewer::kShortJump);
  land(viewer);
  viewer.set_speed(8);
  while (!viewer.at_end()) viewer.run_due(now += 10000);
  EXPECT_EQ(viewer.furthest(), viewer.length());
  EXPECT_TRUE(watched.str() == expected.str()) << "the traces differ";
}

// The records of the simulator's trace of the whole game up to the end of `step`.
std::string straight_trace_to(int64_t step) {
  static const std::string whole = [] {
    std::ostringstream out;
    Simulator sim(*whole_game().seed, whole_game().lines);
    sim.set_trace(&out);
    sim.start();
    while (sim.step()) {
    }
    return out.str();
  }();
  size_t end = 0;
  for (size_t next; (next = whole.find('\n', end)) != std::string::npos; end = next + 1) {
    size_t at = whole.find("\"step\":", end) + 7;
    if (std::stoll(whole.substr(at, 20)) > step) break;
  }
  return whole.substr(0, end);
}

// Watched with jumps and cut back to a step the game reached (a replay taken over, a practice
// started again), the trace is the simulator's up to that step; the game played on from there
// (here with the recording's keys) is traced on, and cut back again.
TEST(TraceWriter, CutBackToAStepItIsTheStraightTraceUpToThere) {
  struct Case {
    int64_t from;
    std::vector<int64_t> jumps;
    int64_t cut;
  };
  const int64_t last = straight().check.size() - 1;
  const std::vector<Case> cases = {
      {0, {}, 0},                  // the start-up alone
      {700, {}, 700},              // nothing past it
      {1500, {2000, 1600}, 1600},  // after a jump back
      {1500, {2000, 1600}, 1500},  // the practice's step, played past
      {100, {3000, 50}, 100},      // played far past
      {0, {last}, last - 1},       // the record of the game's end goes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("cut at " + std::to_string(c.cut));
    std::ostringstream out;
    SilentSink sink;
    Game game(sink, KeySource::replay);
    TraceWriter trace(out);
    trace.cut_with(string_cutter(out));
    trace.keep_step_ends(last);
    game.keep_audio_calls(true);
    game.set_observer(&trace);
    ReplayViewer viewer(game, sink, whole_game());
    viewer.start(c.from);
    land(viewer);
    for (int64_t step : c.jumps) jump(viewer, step);
    EXPECT_TRUE(trace.cut_back_to(c.cut));
    EXPECT_TRUE(out.str() == straight_trace_to(c.cut)) << "the cut trace differs";
    TakeOver taken = take_over(whole_game(), c.cut, game);
    RecordedKeys keys(whole_game().lines);
    auto play_on = [&] {
      for (int i = 0; i < 50 && !game.ended(); ++i) game.step(keys.at(game.current_step() + 1));
      EXPECT_TRUE(out.str() == straight_trace_to(game.current_step())) << "played on";
    };
    taken.handed_over.restore(game);
    play_on();
    int64_t played = std::min(c.cut + 10, game.current_step());
    EXPECT_TRUE(trace.cut_back_to(played));
    EXPECT_TRUE(out.str() == straight_trace_to(played)) << "cut back within what was played on";
    taken.handed_over.restore(game);
    EXPECT_TRUE(trace.cut_back_to(c.cut));
    EXPECT_TRUE(out.str() == straight_trace_to(c.cut)) << "cut back again";
    play_on();
  }
}

// A recording may claim any step for its close: here a trillion steps, for the whole game (which
// ends itself at its step 3783) and for a game left on the title (which never ends). Neither
// --from nor End runs a step in the call that asks for it, each slice of the jump runs at most
// its most steps, the bar says where the jump stands and goes, nothing is kept in proportion to
// the claim (the trace's room), and where the game ends itself the jump lands on the game a
// straight replay reaches; Home and the pause stop a jump that would never land.
TEST(ReplayViewer, AJumpToAStepAFileClaimsRunsInSlices) {
  constexpr int64_t kClaimed = 999999999999;
  KeyScript long_game = whole_game();
  long_game.ended_at.reset();
  long_game.closed_after = kClaimed;
  KeyScript title;
  title.seed = 1;
  title.closed_after = kClaimed;
  StepClock stopped;  // a slice runs its most steps
  for (const KeyScript* script : {&long_game, &title}) {
    SCOPED_TRACE(script == &title ? "on the title" : "the whole game");
    std::ostringstream out;
    SilentSink sink;
    Game game(sink, KeySource::replay);
    game.keep_audio_calls(true);
    TraceWriter trace(out);
    trace.cut_with(string_cutter(out));
    ReplayViewer viewer(game, sink, *script);
    viewer.keep_trace(trace);
    int moved = 0;
    viewer.on_moved([&] { ++moved; });
    ASSERT_EQ(viewer.length(), kClaimed);
    viewer.start(100000000);
    EXPECT_EQ(viewer.position(), 0);
    ASSERT_TRUE(viewer.jumping());
    EXPECT_EQ(viewer.jump_target(), 100000000);
    EXPECT_FALSE(viewer.at_end());
    EXPECT_EQ(replay_bar_text(viewer), "REPLAY 0:00.00 / 166666666:39.99 JUMPING TO 16666:40.00");
    // Slices of a jump that stops where the game ends itself, or goes on.
    auto slices = [&](int most) {
      for (int slice = 0; slice < most && viewer.jumping(); ++slice) {
        int64_t before = viewer.position();
        int told = moved;
        viewer.run_jump(stopped, 1);
        EXPECT_GT(viewer.position(), before);
        EXPECT_LE(viewer.position() - before, ReplayViewer::kMostJumpSteps);
        EXPECT_EQ(moved, told + 1);
      }
    };
    slices(3);
    if (script == &long_game) {
      for (int again = 0; again < 2; ++again) {
        EXPECT_FALSE(viewer.jumping());
        EXPECT_TRUE(viewer.at_end());
        EXPECT_TRUE(game.ended());
        EXPECT_EQ(check_value(game), straight().check.back());
        EXPECT_EQ(pixels_hash(game), straight().picture.back());
        EXPECT_TRUE(out.str() == straight_trace_to(viewer.position())) << "the trace differs";
        viewer.home();
        viewer.end();  // from the snapshot nearest the game's end
        slices(1);
      }
      continue;
    }
    EXPECT_EQ(viewer.position(), 3 * ReplayViewer::kMostJumpSteps);
    viewer.end();
    EXPECT_EQ(viewer.jump_target(), kClaimed);
    slices(10);
    EXPECT_TRUE(viewer.jumping());
    int64_t reached = viewer.position();
    EXPECT_EQ(reached, 13 * ReplayViewer::kMostJumpSteps);
    EXPECT_EQ(replay_bar_text(viewer),
              "REPLAY 10:50.00 / 166666666:39.99 JUMPING TO 166666666:39.99");
    viewer.stop_jump();
    EXPECT_FALSE(viewer.jumping());
    EXPECT_EQ(viewer.position(), reached);
    EXPECT_EQ(trace.end_of(reached), out.str().size());
    viewer.end();
    slices(1);
    viewer.home();  // the snapshot of the start, put back at once
    EXPECT_FALSE(viewer.jumping());
    EXPECT_EQ(viewer.position(), 0);
    EXPECT_LE(viewer.trail().count(), SnapshotTrail::kMost);
  }
}

// A replay closed after a jump back closes where it stands: its trace is the simulator's trace
// of the recording closed there (--close), every step once and in order, whether the jump back
// landed or was still under way.
TEST(ReplayViewer, ClosedAfterAJumpBackTheTraceIsTheSimulatorsClosedThere) {
  struct Case {
    int64_t from, back;
    bool landed;
  };
  for (const Case& c : {Case{891, 792, true}, Case{3000, 1234, false}, Case{700, 700, true}}) {
    SCOPED_TRACE("closed at " + std::to_string(c.back));
    std::ostringstream expected, out;
    {
      Simulator sim(*whole_game().seed, whole_game().lines);
      sim.set_trace(&expected);
      sim.start();
      while (sim.current_step() < c.back) sim.step();
      sim.close();
    }
    SilentSink sink;
    Game game(sink, KeySource::replay);
    game.keep_audio_calls(true);
    TraceWriter trace(out);
    trace.cut_with(string_cutter(out));
    ReplayViewer viewer(game, sink, whole_game());
    viewer.keep_trace(trace);
    viewer.start(c.from);
    land(viewer);
    if (c.landed) {
      jump(viewer, c.back);
    } else {  // under way, from the snapshot before the step: it stops where it stands
      viewer.jump_to(c.back + 50);
      ASSERT_LT(viewer.position(), c.back);
      StepClock stopped;
      viewer.run_jump(stopped, 1, c.back - viewer.position());
      ASSERT_TRUE(viewer.jumping());
      ASSERT_EQ(viewer.position(), c.back);
    }
    EXPECT_TRUE(viewer.close());
    EXPECT_TRUE(out.str() == expected.str()) << "the traces differ";
  }
}

// At 1x the sink hears the game; after a jump or another speed it is silent, and at 1x again
// it is told the tune from where the game stands.
TEST(ReplayViewer, TheMusicComesBackWhereTheGameIs) {
  ListeningSink sink;
  Game game(sink, KeySource::replay);
  ReplayViewer viewer(game, sink, whole_game());
  viewer.start();
  uint64_t now = 0;
  viewer.run_due(now += 10000);
  EXPECT_TRUE(viewer.heard());
  viewer.set_speed(2);
  EXPECT_FALSE(viewer.heard());
  EXPECT_EQ(sink.playing, nullptr);
  viewer.run_due(now += 10000);
  viewer.normal_speed();
  jump(viewer, 1000);
  EXPECT_FALSE(viewer.heard());
  viewer.run_due(now += 10000);
  ASSERT_TRUE(viewer.heard());
  Media::Music music = game.media().music();
  ASSERT_TRUE(music.playing);
  EXPECT_NE(sink.playing, nullptr);
  EXPECT_EQ(sink.from, music.position_us);
}

// A game taken over goes on from the replay's state; its recording holds the replay's keys up
// to that step, replays and verifies, and says where it was taken over.
TEST(TakeOver, TheRecordingVerifiesAndEqualsTheOriginalUpToItsStep) {
  constexpr int64_t kAt = 1520;
  SilentSink sink;
  Game game(sink, KeySource::replay);
  ReplayViewer viewer(game, sink, whole_game());
  viewer.start(kAt);
  land(viewer);
  TakeOver t = take_over(whole_game(), kAt, game);
  ASSERT_EQ(t.step, kAt);
  {
    SilentSink silent;
    Game handed(silent, KeySource::replay);
    t.handed_over.restore(handed);
    EXPECT_EQ(pixels_hash(handed), straight().picture[kAt]);
  }
  std::string text = t.recording;
  for (int i = 1; i <= 400 && !game.ended(); ++i) {
    StepKeys keys{static_cast<uint8_t>(i < 200 ? kKeyLeft | kKeySpace : kKeyRight), 0};
    if (i == 1 || i == 200) keys.went_down = keys.held;
    game.step(keys);
    t.writer.after_step(game, keys, text);
  }
  t.writer.closing(game, text);

  std::istringstream in(text);
  KeyScript taken;
  std::string error;
  ASSERT_TRUE(parse_key_script(in, taken, error)) << error;
  EXPECT_EQ(taken.format, kTakenOverFormat);
  EXPECT_EQ(taken.taken_over_at, kAt);
  std::istringstream again(text);
  Verdict verdict = verify_text(again);
  EXPECT_EQ(verdict.status, 0) << verdict.text;
  EXPECT_EQ(verdict.taken_over_at, kAt);
  EXPECT_NE(verdict.text.find("taken over at step 1520"), std::string::npos) << verdict.text;
  auto up_to = [](const std::vector<KeyLine>& lines) {
    std::vector<std::pair<int64_t, int>> out;
    for (const KeyLine& l : lines)
      if (l.step <= kAt) out.emplace_back(l.step, l.keys | l.taps << 8);
    return out;
  };
  EXPECT_EQ(up_to(taken.lines), up_to(whole_game().lines));
  for (const CheckLine& c : taken.checks) {
    if (c.step > kAt) break;
    EXPECT_EQ(c.value, straight().check[static_cast<size_t>(c.step)]) << c.step;
  }
}

// The music folder of a game installed elsewhere: a copy of `bgm&se` in a folder of its own,
// while the test works from another folder, which has none.
class MusicElsewhere : public ::testing::Test {
 protected:
  void SetUp() override {
    namespace fs = std::filesystem;
    straight();  // from the source folder, which holds the music
    root_ = fs::temp_directory_path() / ("qv-music-" + std::to_string(::getpid()));
    before_ = fs::current_path();
    fs::create_directories(root_ / "player");
    fs::create_directories(root_ / "share");
    fs::copy(fs::path(QV_SOURCE_DIR) / "bgm&se", root_ / "share" / "bgm&se");
    fs::current_path(root_ / "player");
    media = (root_ / "share").string();
  }
  void TearDown() override {
    std::filesystem::current_path(before_);
    std::filesystem::remove_all(root_);
  }
  std::string media;

 private:
  std::filesystem::path root_, before_;
};

// The copies of a game (the replay a take-over or a practice records, the scout whose
// snapshots a jump lands on) find the music where the game does, wherever it was started:
// the tune is part of every check value, and of what a snapshot puts back.
TEST_F(MusicElsewhere, CopiesOfTheGameFindItsMusic) {
  const Straight& s = straight();
  const KeyScript route = read_recording(std::string(QV_SOURCE_DIR) + "/" + kPracticeRoute);
  const KeyScript& whole = whole_game();
  SilentSink sink;
  Game game(sink, KeySource::replay);
  game.media().set_folder(media);
  ReplayViewer viewer(game, sink, whole);
  viewer.start();
  VirtualClock idle;
  while (viewer.scout(idle, 1000000)) {
  }
  jump(viewer, 3000);  // onto the scout's snapshot
  EXPECT_EQ(check_value(game), s.check[3000]);
  EXPECT_TRUE(game.media().music().playing);

  TakeOver taken = take_over(whole, 3000, game);
  std::istringstream in(taken.recording);
  Verdict verdict = verify_text(in, media);
  EXPECT_EQ(verdict.status, 0) << verdict.text;
  std::optional<TakeOver> practised = practice(route, 500, game);
  ASSERT_TRUE(practised);
  std::istringstream practice_in(practised->recording);
  verdict = verify_text(practice_in, media);
  EXPECT_EQ(verdict.status, 0) << verdict.text;
}

TEST(Practice, WhereNamesAStageFrame) {
  const std::vector<std::pair<std::string, std::optional<int32_t>>> cases = {
      {"boss", 2001}, {"11", 11},   {"2099", 2099}, {"1000", 1000},
      {"10", {}},     {"2100", {}}, {"", {}},       {"12a", {}},
      {"Boss", {}},   {"-5", {}},   {"+100", {}},   {"99999999999", {}}};
  for (const auto& [where, frame] : cases) EXPECT_EQ(practice_frame(where), frame) << where;
}

// The shipped route verifies, and practice from the boss plays the boss's frames.
TEST(Practice, FromTheBossTheBossIsThere) {
  KeyScript route = read_recording(kPracticeRoute);
  EXPECT_EQ(verify_recording(route).status, 0);
  SilentSink sink;
  Game game(sink, KeySource::keyboard);
  std::optional<TakeOver> t = practice(route, *practice_frame("boss"), game);
  ASSERT_TRUE(t);
  game.start(*route.seed);
  t->handed_over.restore(game);
  EXPECT_EQ(game.win().s.stage_count, 2001);
  EXPECT_GE(game.win().s.lives, 0);  // a ship in play
  for (int i = 0; i < 200; ++i) game.step(StepKeys{kKeySpace, 0});
  const GameState& s = game.win().s;
  EXPECT_GT(s.stage_count, 2001);
  EXPECT_GT(s.en_hits[10], 0);  // the boss, in its slot,
  EXPECT_GT(s.en_y[10], -260);  // come down from where it arrived
  // The clock counts up one frame at a time: reaching the last frame, it passed every one.
  EXPECT_TRUE(practice(route, kLastPracticeFrame, game));
  EXPECT_FALSE(practice(route, 99999, game));
}

}  // namespace
}  // namespace qv
