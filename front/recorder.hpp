// Records the game being played as a key script the simulator and the window replay: its seed,
// a line for every step whose keys differ from the step before, and where the game stopped.
// The file is written as the game goes and reaches the disk at least once a second, so a game
// killed outright loses at most its last second. Each line goes to the file in one write.
#pragma once

#include <cstddef>
#include <cstdint>
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
  // line naming the file, when it cannot be written (failure() says the same).
  bool open(const std::string& path, bool replace, uint32_t seed, std::string& error);
  // Starts a recording at `path` whose lines so far are `text`: a game taken over from a
  // replay, whose lines the game layer's RecordingWriter makes (write_text, then done).
  bool open_with(const std::string& path, bool replace, const std::string& text,
                 std::string& error);
  bool is_open() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }

  void step(int64_t step, StepKeys keys);
  // A line for `step` unless the recording has one: what is written so far then replays up to
  // `step` on its own (the page saves copies of the recording while the game goes on).
  void mark(int64_t step);
  // The window was closed after `step`, or the game ended itself at `step`.
  void closed(int64_t step) { finish(step, "close"); }
  void ended(int64_t step) { finish(step, "end"); }

  // Lines made elsewhere, after `step`; synced once a second of the game.
  void write_text(const char* text, size_t size, int64_t step);
  // The last lines are written: synced and closed.
  void done() { finish(-1, nullptr); }

  // The first write that failed, as a line naming the file and the reason; empty while every
  // line reached the file. Nothing is written after it: the lines before it still replay.
  const std::string& failure() const { return failure_; }

 private:
  void write_keys(int64_t step, uint8_t keys, uint8_t taps);
  void write_line(const char* text, size_t size);
  bool open_file(const std::string& path, bool replace, std::string& error);
  void finish(int64_t step, const char* how);
  void sync();
  void fail(const char* why);

  int fd_ = -1;
  std::string path_;
  std::string failure_;
  uint8_t held_ = 0;
  int64_t last_line_step_ = -1;
  int64_t last_sync_step_ = 0;
};

}  // namespace qv
