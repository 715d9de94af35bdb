// The table of best runs in the window: credits of games begun on the title enter it as they
// end, kept in the scores folder, and show their rank; Tab or a pad's Back shows the table.
#pragma once

#include <cstdint>
#include <optional>

#include "desktop/score_folder.hpp"
#include "front/recorder.hpp"
#include "front/score_overlay.hpp"
#include "game/game.hpp"

namespace qv {

class BestRuns {
 public:
  explicit BestRuns(Screen& screen) : overlay_(screen) {}
  // Reads the table, warning of the recordings left out. Without a folder for it (no home) the
  // window shows an empty table and keeps nothing.
  void load(const std::string& data_folder);
  // After every step: a credit of the game recorded by `recorder` (null for a replay, a
  // practice or a game taken over, whose credits never count) that has just ended enters the
  // table.
  void after_step(const Game& game, const Recorder* recorder, uint64_t now_us);
  // Tab or a pad's Back.
  void toggle(const Game& game);

 private:
  ScoreOverlay overlay_;
  std::optional<ScoreFolder> folder_;
  ScoreTable empty_;
  bool failure_said_ = false;
};

}  // namespace qv
