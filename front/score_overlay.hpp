// The table of best runs over the picture, in the window and on the page: Tab (or a pad's Back)
// on the title or the resting GameOver picture shows it until asked away or a credit begins;
// a credit that enters the table shows its rank for a few seconds.
#pragma once

#include <cstdint>

#include "front/score_table.hpp"
#include "front/screen.hpp"
#include "game/game.hpp"

namespace qv {

class ScoreOverlay {
 public:
  explicit ScoreOverlay(Screen& screen) : screen_(screen) {}
  // Tab or a pad's Back: the table, or away with it. Only while no credit runs: the title
  // control ticks on the title and on the resting GameOver picture, and nowhere else.
  // `marks`: what follows an entry, by its recording (table_lines()).
  void toggle(const Game& game, const ScoreTable& table, const EntryMarks& marks = {});
  void show_rank(CreditStart start, int place, uint64_t now_us);
  // After every step: what is done goes.
  void after_step(const Game& game, uint64_t now_us);

 private:
  enum class Shown { nothing, table, rank };
  void show(Shown what, std::vector<std::string> lines);

  Screen& screen_;
  Shown shown_ = Shown::nothing;
  uint64_t rank_until_us_ = 0;
};

}  // namespace qv
