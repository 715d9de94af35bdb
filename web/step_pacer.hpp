// The browser's frame callback drives the game in whole 10 ms steps: step k is due 10·k ms
// after the game started, counted on the frame times the browser hands over. Whatever the
// frame rate, the game makes 100 steps a second shown and never drifts. A hidden tab stops
// the count (the game waits instead of racing to catch up), and so does a stall of more than
// a quarter second (a frozen page, a sleeping machine): the game goes on from there.
#pragma once

#include <cstdint>

namespace qv {

class StepPacer {
 public:
  static constexpr double kStepMs = 10;
  static constexpr int64_t kGiveUpBehind = 25;  // steps: the desktop's timers give up at 250 ms

  // A frame at `now_ms`: how many steps to run now. The first frame starts the count.
  int64_t frame(double now_ms);
  // The tab was hidden (no frames come) and is shown again.
  void hide(double now_ms);
  void show(double now_ms);

  int64_t steps_done() const { return done_; }

 private:
  bool started_ = false;
  bool hidden_ = false;
  double origin_ms_ = 0;  // when step 0 was due
  double hidden_at_ms_ = 0;
  int64_t done_ = 0;
};

}  // namespace qv
