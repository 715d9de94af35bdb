// The table of best runs on the page, kept in the browser's storage (web/page.js) as the
// recordings themselves. The stored recordings are verified one a display frame after the page
// opens, and one that does not verify is left out with one warning on the console; each
// credit of a game begun on the title that enters the table is stored with its recording, which
// the page lists with a link to save it.
#pragma once

#include <cstdint>
#include <string>

#include "front/recorder.hpp"
#include "front/score_overlay.hpp"
#include "front/score_table.hpp"

namespace qv {

class WebBestRuns {
 public:
  explicit WebBestRuns(Screen& screen) : overlay_(screen) {}
  // Once a display frame: the next stored recording is verified.
  void verify_next();
  void after_step(const Game& game, const Recorder& recorder, uint64_t now_us);
  void toggle(const Game& game);

 private:
  void verify_stored(int index);
  void store() const;

  ScoreOverlay overlay_;
  RecordedTable table_;
  int next_stored_ = 0, stored_count_ = -1;
};

}  // namespace qv
