// Records the game being played as a key script the simulator and the window replay: its seed,
// a line for every step whose keys differ from the step before, and where the game stopped.
// The file is written as the game goes and reaches the disk at least once a second, so a game
// killed outright loses at most its last second.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "game/game.hpp"

namespace qv {

class Recorder {
 public:
  Recorder() = default;
  ~Recorder();
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // Starts a recording at `path`: over an existing file only when `replace`. False, with a
  // line naming the file, when it cannot be written.
  bool open(const std::string& path, bool replace, uint32_t seed, std::string& error);
  bool is_open() const { return file_ != nullptr; }
  const std::string& path() const { return path_; }

  void step(int64_t step, StepKeys keys);
  // The window was closed after `step`, or the game ended itself at `step`.
  void closed(int64_t step) { finish(step, "close"); }
  void ended(int64_t step) { finish(step, "end"); }

 private:
  void write_keys(int64_t step, uint8_t keys, uint8_t taps);
  void finish(int64_t step, const char* how);
  void sync();

  std::FILE* file_ = nullptr;
  std::string path_;
  uint8_t held_ = 0;
  int64_t last_sync_step_ = 0;
};

}  // namespace qv
