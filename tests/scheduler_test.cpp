// The one scheduler and the context it runs a game in: two games side by side each play as
// they would alone, and a tap shorter than a step acts as the key it is.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "sim/simulator.hpp"

namespace qv {
namespace {

std::vector<KeyLine> whole_game_keys() {
  std::ifstream in("tests/data/whole_game.keys");
  std::vector<KeyLine> lines;
  std::string error;
  EXPECT_TRUE(parse_key_script(in, lines, error)) << error;
  return lines;
}

std::string trace_alone(uint32_t seed, int64_t steps) {
  std::ostringstream out;
  Simulator sim(seed, whole_game_keys());
  sim.set_trace(&out);
  sim.start();
  while (sim.current_step() < steps && sim.step()) {
  }
  return out.str();
}

TEST(Scheduler, TwoGamesSideBySidePlayAsEachWouldAlone) {
  constexpr int64_t kSteps = 2500;  // waves, shots, hits and random star fields in both
  std::ostringstream a_out, b_out;
  Simulator a(1, whole_game_keys()), b(7, whole_game_keys());
  a.set_trace(&a_out);
  b.set_trace(&b_out);
  a.start();
  b.start();
  while (a.current_step() < kSteps) {
    a.step();
    b.step();
  }
  EXPECT_EQ(a_out.str(), trace_alone(1, kSteps));
  EXPECT_EQ(b_out.str(), trace_alone(7, kSteps));
}

TEST(Scheduler, ATapWithinOneStepStartsTheGameAsAHeldKeyWould) {
  SilentSink sink;
  Game game(sink, KeySource::replay);
  game.start(1);
  while (game.current_step() < 150) game.step({});
  game.step({0, kKeySpace});  // down and up again between two steps
  EXPECT_EQ(game.win().time.Interval(), 10);
  EXPECT_EQ(game.win().s.lives, 2);
  EXPECT_FALSE(game.context().keyboard.is_down(VK_SPACE));
}

}  // namespace
}  // namespace qv
