#include "desktop/recording.hpp"

#include <cstdio>

#include "desktop/replay_folder.hpp"
#include "system/platform.hpp"
#include "system/printable.hpp"

namespace qv {
namespace {

void warn(const std::string& line) {
  std::fprintf(stderr, "quelvaris: %s\n", printable(line).c_str());
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
  if (recorder_.begun()) return;
  recorder_.begin(seed);
  open_files(keep_automatic);
}

void GameRecording::take_over(const TakeOver& taken, int keep_automatic, bool practice) {
  if (recorder_.begun()) finish(taken.step);
  taken_over_ = true;
  named_reported_ = automatic_reported_ = false;
  recorder_.take_over(taken);
  open_files(keep_automatic, practice);
  named_.catch_up(recorder_.text(), taken.step, true);
  automatic_.catch_up(recorder_.text(), taken.step, true);
  report_failures();
}

void GameRecording::open_files(int keep_automatic, bool practice) {
  std::string error;  // reported with the failures of the writes
  // The player named the file, so it may replace one that is there.
  if (!named_path_.empty()) named_.open(named_path_, true, error);
  std::string folder = keep_automatic <= 0 ? std::string()
                       : practice          ? practice_folder()
                                           : replay_folder();
  if (!folder.empty()) {
    automatic_.open(new_replay_path(folder), false, error);
    prune_replays(folder, keep_automatic);
  }
  report_failures();
}

void GameRecording::before_step(int64_t step, StepKeys keys) {
  recorder_.before_step(step, keys);
  catch_up(step);
}

void GameRecording::after_step(const Game& game, StepKeys keys) {
  recorder_.after_step(game, keys);
  catch_up(game.current_step());
}

void GameRecording::closing(const Game& game) {
  recorder_.closing(game);
  finish(game.current_step());
}

void GameRecording::ended(int64_t step) {
  finish(step);
}

void GameRecording::catch_up(int64_t step) {
  named_.catch_up(recorder_.text(), step);
  automatic_.catch_up(recorder_.text(), step);
  report_failures();
}

void GameRecording::finish(int64_t step) {
  named_.finish(recorder_.text(), step);
  automatic_.finish(recorder_.text(), step);
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
