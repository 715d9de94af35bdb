#include "desktop/best_runs.hpp"

#include <chrono>
#include <cstdio>

#include "desktop/replay_folder.hpp"
#include "system/printable.hpp"

namespace qv {

void BestRuns::load(const std::string& data_folder) {
  std::string folder = scores_folder();
  if (folder.empty()) return;
  folder_.emplace(folder, data_folder);
  loading_ = std::async(std::launch::async, [this] { return folder_->load(&stop_loading_); });
}

// A close never waits for the whole table: at most for the recording being verified.
BestRuns::~BestRuns() {
  stop_loading_ = true;
  if (loading_.valid()) loading_.wait();
}

ScoreFolder* BestRuns::folder() {
  if (loading_.valid())
    for (const std::string& warning : loading_.get())
      std::fprintf(stderr, "quelvaris: %s\n", printable(warning).c_str());
  return folder_ ? &*folder_ : nullptr;
}

void BestRuns::after_step(const Game& game, const Recorder* recorder, uint64_t now_us) {
  overlay_.after_step(game, now_us);
  // The warnings of recordings left out are said as soon as the table has been read.
  if (loading_.valid() && loading_.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
    folder();
  if (!recorder || !folder_ || !recorder->news().ended || !recorder->game_start()) return;
  std::string error;
  std::optional<int> place =
      folder()->add(*recorder->game_start(), recorder->news(), recorder->text(), error);
  if (!error.empty() && !failure_said_) {
    std::fprintf(stderr, "quelvaris: %s\n", printable(error).c_str());
    failure_said_ = true;
  }
  if (place) overlay_.show_rank(*recorder->game_start(), *place, now_us);
}

void BestRuns::toggle(const Game& game) {
  ScoreFolder* scores = folder();
  overlay_.toggle(game, scores ? scores->table() : empty_);
}

}  // namespace qv
