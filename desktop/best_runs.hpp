// The table of best runs in the window: credits of games begun on the title enter it as they
// end, and show their rank for a few seconds; Tab (or a pad's Back) on the title or the resting
// GameOver picture shows the table over the frame until asked away or a credit begins.
#pragma once

#include <cstdint>
#include <optional>

#include "desktop/score_folder.hpp"
#include "front/recorder.hpp"
#include "front/screen.hpp"
#include "game/game.hpp"

namespace qv {

class BestRuns {
 public:
  explicit BestRuns(Screen& screen) : screen_(screen) {}
  // Reads the table, warning of the recordings left out. Without a folder for it (no home) the
  // window shows an empty table and keeps nothing.
  void load();
  // After every step: a credit of the game recorded by `recorder` (null for a replay, whose
  // credits never count) that has just ended enters the table; notices that are done go.
  void after_step(const Game& game, const Recorder* recorder, uint64_t now_us);
  // Tab or a pad's Back.
  void toggle(const Game& game);

 private:
  enum class Shown { nothing, table, rank };
  void show(Shown what, std::vector<std::string> lines, int dot);

  Screen& screen_;
  std::optional<ScoreFolder> folder_;
  Shown shown_ = Shown::nothing;
  uint64_t rank_until_us_ = 0;
  bool failure_said_ = false;
};

}  // namespace qv
