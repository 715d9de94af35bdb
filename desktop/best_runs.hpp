// The table of best runs in the window: credits of games begun on the title enter it as they
// end, kept in the scores folder, and show their rank; Tab or a pad's Back shows the table.
#pragma once

#include <atomic>
#include <cstdint>
#include <future>
#include <optional>
#include <string>
#include <vector>

#include "desktop/score_folder.hpp"
#include "front/recorder.hpp"
#include "front/score_overlay.hpp"
#include "game/game.hpp"

namespace qv {

class BestRuns {
 public:
  explicit BestRuns(Screen& screen) : overlay_(screen) {}
  // Reads the table, warning of the recordings left out. Every recording in it is verified,
  // which takes a moment: that runs beside the window, and the table is waited for only when it
  // is first wanted. Without a folder for it (no home) the window shows an empty table and keeps
  // nothing.
  void load(const std::string& data_folder);
  ~BestRuns();
  // After every step: a credit of the game recorded by `recorder` (null for a replay, a
  // practice or a game taken over, whose credits never count) that has just ended enters the
  // table.
  void after_step(const Game& game, const Recorder* recorder, uint64_t now_us);
  // Tab or a pad's Back.
  void toggle(const Game& game);

 private:
  ScoreFolder* folder();

  ScoreOverlay overlay_;
  std::future<std::vector<std::string>> loading_;  // the warnings of the recordings left out
  std::atomic<bool> stop_loading_ = false;         // the window closes before the table is read
  std::optional<ScoreFolder> folder_;
  ScoreTable empty_;
  bool failure_said_ = false;
};

}  // namespace qv
