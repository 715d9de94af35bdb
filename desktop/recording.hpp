// The recordings of a game in the window: the one the player asked for with --record, and the
// one every game leaves in the replay folder on its own. They begin once the window is open and
// the first step has run, so that a start that fails leaves the folder and the file as they
// were.
#pragma once

#include <string>

#include "front/recorder.hpp"
#include "game/take_over.hpp"

namespace qv {

class GameRecording {
 public:
  // Before the window opens: false, with a line naming the file, when the file the player
  // named (if any) cannot be written. Nothing is written yet.
  bool check(const std::string& named_path, std::string& error);
  // Opens the recordings, once: a replay folder that cannot be written only costs the
  // automatic recording (`keep_automatic` 0 asks for none).
  void start(int keep_automatic, uint32_t seed);
  bool started() const { return started_; }
  void step(int64_t step, StepKeys keys);
  void closed(int64_t step);
  void ended(int64_t step);
  // From here on the game is one taken over from a replay (or a practice, started anew): its
  // recording holds the lines `taken` made up to the handover and then the player's, written
  // by its writer, in the named file and a new one in the replay folder. What was recorded
  // before (the replay, or the practice before) is closed where it stands.
  void take_over(const TakeOver& taken, int keep_automatic);
  bool taken_over() const { return taken_over_; }
  // After each step of a game taken over.
  void after_step(const Game& game, StepKeys keys);
  // The window is closing, before the game's unload: a game taken over gets its last lines.
  void closing(const Game& game);
  // False when the recording the player named was not written whole: the game's exit status
  // says so at its end.
  bool named_whole() const { return named_.failure().empty(); }

 private:
  void report_failures();
  void write_new_lines(int64_t step);
  void finish_taken_over();

  std::string named_path_;
  Recorder named_, automatic_;
  bool started_ = false;
  bool taken_over_ = false;
  RecordingWriter writer_;  // of a game taken over, into text_ until written out
  std::string text_;
  bool named_reported_ = false, automatic_reported_ = false;
};

}  // namespace qv
