// The table of best runs in the window: credits of games begun on the title enter it as they
// end, kept in the scores folder, and show their rank; Tab or a pad's Back shows the table.
// The folder is kept by a thread of its own, so that no step of the game ever waits for the
// disk or for a recording being verified, and a close never waits for them either.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "front/recorder.hpp"
#include "front/score_overlay.hpp"
#include "game/game.hpp"

namespace qv {

class BestRuns {
 public:
  explicit BestRuns(Screen& screen) : overlay_(screen) {}
  // Starts the keeper of the table: it reads the table, verifying every recording in it, and
  // board.ini for the entries an online board has had (never the network), then writes the
  // credits handed to it. Without a folder for it (no home) the window shows an
  // empty table and keeps nothing.
  void load(const std::string& data_folder);
  // The window closes. The credits handed over are written, beside the game; the reading of the
  // table is left where it stands, unwaited for (a recording half verified is never a reason to
  // hold a close), and the folder stays as it was.
  ~BestRuns();
  // After every step: a credit of the game recorded by `recorder` (null for a replay, a
  // practice or a game taken over, whose credits never count) that has just ended is handed to
  // the keeper; the warnings of recordings left out, failures, and the rank of a credit that
  // entered are shown as the keeper has them.
  void after_step(const Game& game, const Recorder* recorder, uint64_t now_us);
  // Tab or a pad's Back: the table once the keeper has read it, an empty one before.
  void toggle(const Game& game);

  struct Keeper;  // what the window and the keeper's thread share

 private:
  ScoreOverlay overlay_;
  std::shared_ptr<Keeper> keeper_;
};

}  // namespace qv
