// Records the game being played in the recording format of the game layer (format 2: its seed,
// a line for every step whose keys differ from the step before, check values, scores, and where
// the game stopped). The whole recording is kept as text, from which the table of best runs
// takes a credit's recording, and RecordingFile puts it on the disk as the game goes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "game/credits.hpp"
#include "game/game.hpp"
#include "game/recording_format.hpp"
#include "game/take_over.hpp"

namespace qv {

class Recorder {
 public:
  // Begins the recording: its head lines.
  void begin(uint32_t seed);
  bool begun() const { return begun_; }
  // Before the step runs: its key line (so that a step that fails is in the recording).
  void before_step(int64_t step, StepKeys keys);
  // After the step ran with `keys`: its score, check and end lines.
  void after_step(const Game& game, StepKeys keys);
  // The window is being closed: call before Game::close().
  void closing(const Game& game);
  // A line for `step` unless one names it: the text then replays up to `step` on its own.
  void mark(int64_t step);
  // Goes on from a game taken over from a replay (or a practice, started anew): its lines up
  // to the handover, and its writer as it stood there.
  void take_over(const TakeOver& taken);

  const std::string& text() const { return text_; }
  // What the last step began and ended.
  const CreditNews& news() const { return writer_.news(); }
  // How the game under way began on the title (Space, or Left with ten ships); nothing before.
  std::optional<CreditStart> game_start() const { return game_start_; }

 private:
  RecordingWriter writer_;
  std::string text_;
  std::optional<CreditStart> game_start_;
  bool begun_ = false;
};

// A file a recording goes to as it grows. Each call writes what is new, whole lines in one
// write, and the file reaches the disk at least once a second of the game, so a game killed
// outright loses at most its last second.
class RecordingFile {
 public:
  RecordingFile() = default;
  ~RecordingFile();
  RecordingFile(const RecordingFile&) = delete;
  RecordingFile& operator=(const RecordingFile&) = delete;

  // Opens `path`: over an existing file only when `replace`. False, with a line naming the
  // file, when it cannot be written (failure() says the same).
  bool open(const std::string& path, bool replace, std::string& error);
  bool is_open() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }

  // Writes what `text` holds beyond what was written before; syncs when a second of the game
  // has gone by since the last sync (at `step`), or when `sync_now`.
  void catch_up(const std::string& text, int64_t step, bool sync_now = false);
  // The last of the text, synced, and the file closed.
  void finish(const std::string& text, int64_t step);

  // The first write that failed, as a line naming the file and the reason; empty while every
  // line reached the file. Nothing is written after it: the lines before it still replay.
  const std::string& failure() const { return failure_; }

 private:
  void write(const char* text, size_t size);
  void sync();
  void fail(const char* why);

  int fd_ = -1;
  std::string path_;
  std::string failure_;
  size_t written_ = 0;
  int64_t last_sync_step_ = 0;
};

}  // namespace qv
