// Where the steps of the window and the page come from: step k is due 10·k ms after the game
// started on the real clock, not counting the time the game stood paused. A host that falls far
// behind (a suspended machine, a stalled display) lets the lost time go as if it had been
// paused, rather than running a burst of steps to catch up.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>

#include "game/game.hpp"
#include "system/steady_clock.hpp"

namespace qv {

class StepPacer {
 public:
  explicit StepPacer(const Clock& real) : real_(real), epoch_us_(real.now_us()) {}

  // Step 0 is now.
  void start() { start_at(0); }
  // Step `step` is now (a game taken over from a replay goes on from its step).
  void start_at(int64_t step);
  uint64_t due_us(int64_t step) const {
    return epoch_us_ + static_cast<uint64_t>(step) * kStepMs * 1000;
  }
  uint64_t now_us() const { return real_.now_us(); }
  // Before running `step`: forgets the time by which it is later than a quarter second.
  void let_go_of_lost_time(int64_t step);
  void pause();
  void resume();
  bool paused() const { return paused_; }

 private:
  const Clock& real_;
  uint64_t epoch_us_;
  uint64_t paused_at_us_ = 0;
  bool paused_ = false;
};

// The one rule by which the window and the page run the game on the real clock: the next step
// runs once it is due, after the pacer has let go of the time lost beyond a quarter second,
// and none runs while the pacer stands paused. Calls `run_step(k)` for each step k due by now,
// at most `most` of them, as long as it returns true (the game goes on); how many ran.
int run_due_steps(StepPacer& pacer, const Game& game, const std::function<bool(int64_t)>& run_step,
                  int most = std::numeric_limits<int>::max());

// A new game's seed: the calendar's seconds mixed with the real clock's microseconds, so that
// games started within one second differ.
uint32_t new_game_seed(const Clock& real);

}  // namespace qv
