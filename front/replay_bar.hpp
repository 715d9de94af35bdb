// The thin bar a replay being watched shows over a copy of the frame (never in the game's
// surfaces): the word REPLAY, where the replay stands, its length and the speed (or, while a
// jump goes, where it goes), over a line that fills as it goes. It shows after any of the
// replay's keys and hides a few seconds after the last; it stays while paused or jumping.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

#include "game/replay_viewer.hpp"

namespace qv {

// "REPLAY 0:12.34 / 0:37.83 2x": times of the game's clock, minutes, seconds and hundredths;
// speeds below 1 as fractions (1/4x, 1/2x); "PAUSED" after it while paused. While a jump goes,
// where it goes takes the speed's place: "REPLAY 0:12.34 / 0:37.83 JUMPING TO 0:30.00".
std::string replay_bar_text(int64_t position, int64_t length, double speed, bool paused,
                            std::optional<int64_t> jumping_to = std::nullopt);
// The same for the replay the viewer shows.
std::string replay_bar_text(const ReplayViewer& viewer);

// Draws the bar along the bottom of an image of `width` x `height` 0x00RRGGBB pixels whose rows
// are `width` apart: a dark strip, the text in white, and the part played as a line above it.
void draw_replay_bar(const std::string& text, int64_t position, int64_t length, uint32_t* pixels,
                     int width, int height);

// When the bar shows: from the replay's start and any of its keys for kShownUs of the real
// clock; always while paused or jumping.
class ReplayBarShowing {
 public:
  static constexpr uint64_t kShownUs = 3000000;
  void touched(uint64_t now_us) { last_us_ = now_us; }
  bool shown(uint64_t now_us, bool held) const {
    return held || now_us - std::min(now_us, last_us_) < kShownUs;
  }
  bool shown(uint64_t now_us, const ReplayViewer& viewer) const {
    return shown(now_us, viewer.paused() || viewer.jumping());
  }

 private:
  uint64_t last_us_ = 0;
};

}  // namespace qv
