#include "desktop/best_runs.hpp"

#include <cstdio>

#include "desktop/replay_folder.hpp"

namespace qv {
namespace {

constexpr uint64_t kRankShownUs = 4'000'000;
constexpr int kRankDot = 2, kRankMiddleY = 120;

}  // namespace

void BestRuns::load() {
  std::string folder = scores_folder();
  if (folder.empty()) return;
  folder_.emplace(folder);
  for (const std::string& warning : folder_->load())
    std::fprintf(stderr, "quelvaris: %s\n", warning.c_str());
}

void BestRuns::after_step(const Game& game, const Recorder* recorder, uint64_t now_us) {
  if (shown_ == Shown::table && !game.win().op.running()) show(Shown::nothing, {}, 1);
  if (shown_ == Shown::rank && now_us >= rank_until_us_) show(Shown::nothing, {}, 1);
  if (!recorder || !folder_ || !recorder->news().ended || !recorder->game_start()) return;
  std::string error;
  std::optional<int> place =
      folder_->add(*recorder->game_start(), recorder->news(), recorder->text(), error);
  if (!error.empty() && !failure_said_) {
    std::fprintf(stderr, "quelvaris: %s\n", error.c_str());
    failure_said_ = true;
  }
  if (!place) return;
  show(Shown::rank, {rank_notice(*recorder->game_start(), *place)}, kRankDot);
  rank_until_us_ = now_us + kRankShownUs;
}

// Only while no credit runs: the title control ticks on the title and on the resting GameOver
// picture, and nowhere else.
void BestRuns::toggle(const Game& game) {
  if (shown_ == Shown::table) return show(Shown::nothing, {}, 1);
  if (!game.win().op.running()) return;
  ScoreTable empty;
  std::vector<std::string> lines{"Best runs", ""};
  for (std::string& line : table_lines(folder_ ? folder_->table() : empty, false))
    lines.push_back(std::move(line));
  show(Shown::table, std::move(lines), 1);
}

void BestRuns::show(Shown what, std::vector<std::string> lines, int dot) {
  shown_ = what;
  screen_.show_overlay(std::move(lines), dot,
                       what == Shown::rank ? kRankMiddleY : kClientHeight / 2);
}

}  // namespace qv
