#include "front/score_overlay.hpp"

namespace qv {
namespace {

constexpr uint64_t kRankShownUs = 4'000'000;
constexpr int kRankDot = 2, kRankMiddleY = 120;

}  // namespace

void ScoreOverlay::toggle(const Game& game, const ScoreTable& table, const EntryMarks& marks) {
  if (shown_ == Shown::table) return show(Shown::nothing, {});
  if (!game.win().op.running()) return;
  std::vector<std::string> lines{"Best runs", ""};
  for (std::string& line : table_lines(table, false, marks)) lines.push_back(std::move(line));
  show(Shown::table, std::move(lines));
}

void ScoreOverlay::show_rank(CreditStart start, int place, uint64_t now_us) {
  show(Shown::rank, {rank_notice(start, place)});
  rank_until_us_ = now_us + kRankShownUs;
}

void ScoreOverlay::after_step(const Game& game, uint64_t now_us) {
  if (shown_ == Shown::table && !game.win().op.running()) show(Shown::nothing, {});
  if (shown_ == Shown::rank && now_us >= rank_until_us_) show(Shown::nothing, {});
}

void ScoreOverlay::show(Shown what, std::vector<std::string> lines) {
  shown_ = what;
  bool rank = what == Shown::rank;
  screen_.show_overlay(std::move(lines), rank ? kRankDot : 1,
                       rank ? kRankMiddleY : kClientHeight / 2);
}

}  // namespace qv
