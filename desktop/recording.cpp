#include "desktop/recording.hpp"

#include <cstdio>

#include "desktop/replay_folder.hpp"
#include "system/platform.hpp"

namespace qv {
namespace {

void warn(const std::string& line) {
  std::fprintf(stderr, "quelvaris: %s\n", line.c_str());
}

}  // namespace

bool GameRecording::check(const std::string& named_path, std::string& error) {
  named_path_ = named_path;
  std::string why;
  if (named_path.empty() || can_write_file(named_path, why)) return true;
  error = "cannot write the recording " + named_path + ": " + why;
  return false;
}

void GameRecording::start(int keep_automatic, uint32_t seed) {
  if (started_) return;
  started_ = true;
  std::string error;  // reported with the failures of the writes
  // The player named the file, so it may replace one that is there.
  if (!named_path_.empty()) named_.open(named_path_, true, seed, error);
  std::string folder = keep_automatic > 0 ? replay_folder() : std::string();
  if (!folder.empty()) {
    automatic_.open(new_replay_path(folder), false, seed, error);
    prune_replays(folder, keep_automatic);
  }
  report_failures();
}

void GameRecording::take_over(const TakeOver& taken, int keep_automatic) {
  named_.done();
  automatic_.done();
  named_reported_ = automatic_reported_ = false;
  started_ = taken_over_ = true;
  writer_ = taken.writer;
  text_.clear();
  text_.reserve(4096);  // a second's lines at the most, so that play seldom allocates
  std::string error;    // reported with the failures of the writes
  if (!named_path_.empty()) named_.open_with(named_path_, true, taken.recording, error);
  std::string folder = keep_automatic > 0 ? replay_folder() : std::string();
  if (!folder.empty()) {
    automatic_.open_with(new_replay_path(folder), false, taken.recording, error);
    prune_replays(folder, keep_automatic);
  }
  report_failures();
}

void GameRecording::after_step(const Game& game, StepKeys keys) {
  if (!taken_over_) return;
  writer_.after_step(game, keys, text_);
  write_new_lines(game.current_step());
}

void GameRecording::closing(const Game& game) {
  if (!taken_over_) return;
  writer_.closing(game, text_);
  write_new_lines(game.current_step());
}

void GameRecording::write_new_lines(int64_t step) {
  named_.write_text(text_.data(), text_.size(), step);
  automatic_.write_text(text_.data(), text_.size(), step);
  text_.clear();
  report_failures();
}

void GameRecording::step(int64_t step, StepKeys keys) {
  if (taken_over_) return;  // its writer writes the keys after the step
  named_.step(step, keys);
  automatic_.step(step, keys);
  report_failures();
}

void GameRecording::closed(int64_t step) {
  if (taken_over_) return finish_taken_over();
  named_.closed(step);
  automatic_.closed(step);
  report_failures();
}

void GameRecording::ended(int64_t step) {
  if (taken_over_) return finish_taken_over();
  named_.ended(step);
  automatic_.ended(step);
  report_failures();
}

// The writer wrote the last lines (the close line, or the end line after the last step).
void GameRecording::finish_taken_over() {
  named_.done();
  automatic_.done();
  report_failures();
}

// Each recording's first failure is one line; the game plays on.
void GameRecording::report_failures() {
  if (!named_reported_ && !named_.failure().empty()) {
    warn(named_.failure());
    named_reported_ = true;
  }
  if (!automatic_reported_ && !automatic_.failure().empty()) {
    warn(automatic_.failure());
    automatic_reported_ = true;
  }
}

}  // namespace qv
