// The thin bar a replay being watched shows over a copy of the frame (never in the game's
// surfaces): the word REPLAY, where the replay stands, its length and the speed, over a line
// that fills as it goes. It shows after any of the replay's keys and hides a few seconds after
// the last.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

namespace qv {

// "REPLAY 0:12.34 / 0:37.83 2x": times of the game's clock, minutes, seconds and hundredths;
// speeds below 1 as fractions (1/4x, 1/2x); "PAUSED" after it while paused.
std::string replay_bar_text(int64_t position, int64_t length, double speed, bool paused);

// Draws the bar along the bottom of an image of `width` x `height` 0x00RRGGBB pixels whose rows
// are `width` apart: a dark strip, the text in white, and the part played as a line above it.
void draw_replay_bar(const std::string& text, int64_t position, int64_t length, uint32_t* pixels,
                     int width, int height);

// When the bar shows: from the replay's start and any of its keys for kShownUs of the real
// clock; always while paused.
class ReplayBarShowing {
 public:
  static constexpr uint64_t kShownUs = 3000000;
  void touched(uint64_t now_us) { last_us_ = now_us; }
  bool shown(uint64_t now_us, bool paused) const {
    return paused || now_us - std::min(now_us, last_us_) < kShownUs;
  }

 private:
  uint64_t last_us_ = 0;
};

}  // namespace qv
