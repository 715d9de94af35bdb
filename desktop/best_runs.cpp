#include "desktop/best_runs.hpp"

#include <cstdio>

#include "desktop/replay_folder.hpp"

namespace qv {

void BestRuns::load(const std::string& data_folder) {
  std::string folder = scores_folder();
  if (folder.empty()) return;
  folder_.emplace(folder, data_folder);
  for (const std::string& warning : folder_->load())
    std::fprintf(stderr, "quelvaris: %s\n", warning.c_str());
}

void BestRuns::after_step(const Game& game, const Recorder* recorder, uint64_t now_us) {
  overlay_.after_step(game, now_us);
  if (!recorder || !folder_ || !recorder->news().ended || !recorder->game_start()) return;
  std::string error;
  std::optional<int> place =
      folder_->add(*recorder->game_start(), recorder->news(), recorder->text(), error);
  if (!error.empty() && !failure_said_) {
    std::fprintf(stderr, "quelvaris: %s\n", error.c_str());
    failure_said_ = true;
  }
  if (place) overlay_.show_rank(*recorder->game_start(), *place, now_us);
}

void BestRuns::toggle(const Game& game) {
  overlay_.toggle(game, folder_ ? folder_->table() : empty_);
}

}  // namespace qv
