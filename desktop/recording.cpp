#include "desktop/recording.hpp"

#include <cstdio>

#include "desktop/replay_folder.hpp"

namespace qv {

bool GameRecording::open(const std::string& named_path, int keep_automatic, uint32_t seed,
                         std::string& error) {
  // The player named the file, so it may replace one that is there.
  if (!named_path.empty() && !named_.open(named_path, true, seed, error)) return false;
  if (keep_automatic <= 0) return true;
  std::string folder = replay_folder();
  if (folder.empty()) return true;
  std::string why;
  if (!automatic_.open(new_replay_path(folder), false, seed, why))
    std::fprintf(stderr, "quelvaris: %s\n", why.c_str());
  prune_replays(folder, keep_automatic);
  return true;
}

void GameRecording::step(int64_t step, StepKeys keys) {
  named_.step(step, keys);
  automatic_.step(step, keys);
}

void GameRecording::closed(int64_t step) {
  named_.closed(step);
  automatic_.closed(step);
}

void GameRecording::ended(int64_t step) {
  named_.ended(step);
  automatic_.ended(step);
}

}  // namespace qv
