// The aids for studying a game, in a replay and in a practice: the picture with them differs
// from the plain one only inside the keys' panel and around what the hit tests probe, the keys
// lit are the step's, and a game whose every frame is shown with them is the same game, trace
// and check values byte for byte.
#include "aids/study_aids.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "game/game_hash.hpp"
#include "game/key_script.hpp"
#include "game/replay_viewer.hpp"
#include "game/take_over.hpp"
#include "sim/simulator.hpp"
#include "stage/stage.hpp"

namespace qv {
namespace {

constexpr StudyAids kBoth{true, true};

KeyScript read_recording(const std::string& path) {
  KeyScript script;
  std::string error;
  EXPECT_TRUE(read_key_script(path, script, error)) << error;
  return script;
}

struct Box {
  int64_t x0, y0, x1, y1;  // inclusive
  bool holds(int64_t x, int64_t y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
};

// Where the aids may draw, worked out from the state on its own: the panel, and around every
// object the hit tests probe (a probe's cross reaches 2 pixels out).
std::vector<Box> drawn_boxes(const GameState& s) {
  std::vector<Box> boxes{{kKeysPanelX, kKeysPanelY, kKeysPanelX + kKeysPanelWidth - 1,
                          kKeysPanelY + kKeysPanelHeight - 1}};
  boxes.push_back({s.px + 15, s.py + 10, s.px + 45, s.py + 60});
  for (int32_t i = 0; i <= 20; ++i)
    if (s.en_hits[i] != 0)
      boxes.push_back({s.en_x[i] - 2, s.en_y[i] - 2, s.en_x[i] + s.en_size[i] + 2,
                       s.en_y[i] + s.en_size[i] + 2});
  for (int32_t j = 0; j <= 50; ++j)
    if (s.bl_on[j] != 0)
      boxes.push_back({s.bl_x[j] - 2, s.bl_y[j] + s.bl_size[j] - 2, s.bl_x[j] + s.bl_size[j] + 2,
                       s.bl_y[j] + s.bl_size[j] + 2});
  for (int32_t n = 0; n <= 10; ++n)
    for (int32_t g = 0; g <= 1; ++g)
      if (s.sh_on(g, n) != 0)
        boxes.push_back({s.sh_x(g, n) + 5, s.sh_y(g, n), s.sh_x(g, n) + 15, s.sh_y(g, n) + 20});
  return boxes;
}

// The inside of each key's cap in the panel: white while lit, the box's colour when not.
void expect_keys_lit(const Picture& p, uint8_t lit, int64_t step) {
  struct Cap {
    uint8_t key;
    int x, y;
  };
  constexpr Cap kCaps[] = {{kKeySpace, 3, 18},
                           {kKeyLeft, 32, 18},
                           {kKeyDown, 47, 18},
                           {kKeyRight, 62, 18},
                           {kKeyUp, 47, 3}};
  for (const Cap& c : kCaps) {
    uint32_t inside =
        p.pixels[static_cast<size_t>((kKeysPanelY + c.y + 1) * p.width + kKeysPanelX + c.x + 1)];
    EXPECT_EQ(inside & 0xFFFFFF, (lit & c.key) ? 0xFFFFFFu : 0x202040u)
        << "key " << int(c.key) << " at step " << step;
  }
}

// The frame with the aids against the plain one, and the game untouched by drawing them.
void expect_aids_only_where_drawn(Simulator& sim, uint8_t lit, const char* where) {
  const int64_t step = sim.current_step();
  const GameState& s = sim.win().s;
  const uint64_t before = check_value(sim.game());
  Picture plain = sim.screen();
  Picture aided = sim.screen(kBoth);
  EXPECT_EQ(sim.screen().pixels, plain.pixels) << where << ": the game's picture changed";
  EXPECT_EQ(check_value(sim.game()), before) << where;
  std::vector<Box> boxes = drawn_boxes(s);
  size_t differing = 0, astray = 0;
  for (int32_t y = 0; y < plain.height; ++y)
    for (int32_t x = 0; x < plain.width; ++x) {
      size_t i = static_cast<size_t>(y * plain.width + x);
      if (plain.pixels[i] == aided.pixels[i]) continue;
      ++differing;
      bool inside = false;
      for (const Box& b : boxes) inside = inside || b.holds(x, y);
      if (!inside) ++astray;
    }
  EXPECT_GT(differing, 0u) << where << " step " << step;
  EXPECT_EQ(astray, 0u) << where << " step " << step << ": pixels changed outside the aids";
  expect_keys_lit(aided, lit, step);
  // The ship's band for bullets, its top-left corner (dashed while the ship cannot be hit).
  if (s.stage_count != 0 && s.lives >= 0 && s.safe_count >= 50) {
    EXPECT_EQ(aided.pixels[static_cast<size_t>((s.py + 10) * plain.width + s.px + 15)] & 0xFFFFFF,
              kBulletHitsColour)
        << where << " step " << step;
  }
}

// Two runs of the same keys, one showing every frame with the aids: the same trace and
// recording (its check values), byte for byte.
struct TracedRun {
  std::ostringstream trace;
  std::string recording;
};

struct AidsCase {
  const char* name;
  const char* recording;
  int32_t practise_from;  // 0: the recording watched; else a practice from that stage frame
  std::vector<int64_t> looked_at;  // steps after the start, or after the handover
};

class StudyAidsTest : public ::testing::TestWithParam<AidsCase> {};

TEST_P(StudyAidsTest, DrawnOnlyOverACopyWithTheStepsKeys) {
  const AidsCase& c = GetParam();
  KeyScript script = read_recording(c.recording);
  int64_t from = 0;
  if (c.practise_from) {
    SilentSink silent;
    Game played_in(silent, KeySource::replay);
    std::optional<TakeOver> taken = practice(script, c.practise_from, played_in);
    ASSERT_TRUE(taken);
    from = taken->step;
  }
  RecordedKeys recorded(script.lines);
  const uint8_t practised = kKeySpace | kKeyLeft;
  const int64_t last = from + c.looked_at.back();
  TracedRun runs[2];
  for (int shown = 0; shown < 2; ++shown) {
    Simulator sim(script.seed.value_or(1), script.lines);
    sim.set_trace(&runs[shown].trace);
    sim.record_to(&runs[shown].recording);
    sim.start();
    size_t next = 0;
    while (sim.current_step() < last) {
      if (c.practise_from && sim.current_step() == from) sim.hold(practised);
      sim.step();
      if (shown) sim.screen(kBoth);  // every frame shown, as the window shows them
      if (shown && next < c.looked_at.size() && sim.current_step() == from + c.looked_at[next]) {
        // Held as the step began, or tapped within it.
        StepKeys k = recorded.at(sim.current_step());
        uint8_t lit =
            sim.current_step() > from && c.practise_from ? practised : k.held | k.went_down;
        expect_aids_only_where_drawn(sim, lit, c.name);
        ++next;
      }
    }
    sim.close();
    if (shown) {
      EXPECT_EQ(next, c.looked_at.size());
    }
  }
  EXPECT_TRUE(runs[0].trace.str() == runs[1].trace.str()) << c.name << ": the trace changed";
  EXPECT_EQ(runs[0].recording, runs[1].recording) << c.name << ": the check values changed";
}

INSTANTIATE_TEST_SUITE_P(
    ReplayAndPractice, StudyAidsTest,
    ::testing::Values(
        // Taps within a step (120 Space, 201 Space and Right) lit for their frame alone.
        AidsCase{"replay", "tests/data/replays/taps.keys", 0, {120, 121, 201, 202, 230}},
        // The waves, the bullets and the ship's bands, in the middle of a whole game.
        AidsCase{"whole game", "tests/data/replays/whole_game.keys", 0, {1200, 1700}},
        // The boss, and the player's own keys after the handover.
        AidsCase{"practice", "bgm&se/route.keys", kBossArrival, {0, 30, 90}}),
    [](const ::testing::TestParamInfo<AidsCase>& info) {
      std::string name = info.param.name;
      for (char& ch : name)
        if (ch == ' ') ch = '_';
      return name;
    });

}  // namespace
}  // namespace qv
