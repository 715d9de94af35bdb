// Long random runs of the whole game in the simulator: seeded key choices through the title,
// play, game over, continue and restart, the boss and the ending, with the game state checked
// against its bounds after every step. The same seed always gives the same runs.
#pragma once

#include <cstdint>
#include <string>

#include "record/window.hpp"

namespace qv::soak {

struct Options {
  uint64_t seed = 1;
  int64_t steps = 100000;       // in all runs together
  int64_t longest_run = 40000;  // each run's length is drawn up to this
  int64_t only_run = -1;        // replay this run alone (its number from a failure report)
};

// What the runs went through, and the first failure.
struct Report {
  int64_t steps = 0;
  int64_t runs = 0;
  int64_t starts = 0;      // games started from the title
  int64_t game_overs = 0;  // last ship lost
  int64_t continues = 0;
  int64_t restarts = 0;
  int64_t boss_fights = 0;  // the boss placed at frame 2001
  int64_t endings = 0;      // the staff roll begun
  int64_t ended = 0;        // programs that ended by themselves after the roll
  int64_t closed = 0;       // windows closed by the player
  std::string failure;      // empty when every step kept the state within its bounds

  std::string summary() const;
};

Report run(const Options& options);

// Empty when the state after a step is within its bounds; otherwise what is out of them.
// `ticks` is the number of frame ticks since the window was created: positions that move a
// few pixels per tick without bound stay within what that many ticks can reach.
std::string check_state(const Window& win, int64_t ticks);

}  // namespace qv::soak
