// The recordings of a game in the window: the one the player asked for with --record, and the
// one every game leaves in the replay folder on its own. They begin once the window is open and
// the first step has run, so that a start that fails leaves the folder and the file as they
// were.
#pragma once

#include <string>

#include "front/recorder.hpp"

namespace qv {

class GameRecording {
 public:
  // Before the window opens: false, with a line naming the file, when the file the player
  // named (if any) cannot be written. Nothing is written yet.
  bool check(const std::string& named_path, std::string& error);
  // Begins the recording after the game's first step, once: a replay folder that cannot be
  // written only costs the automatic recording (`keep_automatic` 0 asks for none).
  void start(int keep_automatic, uint32_t seed);
  bool started() const { return recorder_.begun(); }
  void before_step(int64_t step, StepKeys keys);
  void after_step(const Game& game, StepKeys keys);
  // The window is closing: call before Game::close(). The files are complete after it.
  void closing(const Game& game);
  // The game ended itself: the files are complete.
  void ended(int64_t step);
  // False when the recording the player named was not written whole: the game's exit status
  // says so at its end.
  bool named_whole() const { return named_.failure().empty(); }
  const Recorder& recorder() const { return recorder_; }
  // From here on the game is one taken over from a replay (or a practice, started anew): its
  // recording holds the lines `taken` made up to the handover and then the player's, in the
  // named file and a new one in the replay folder, or in the practice folder for a `practice`.
  // A practice recorded before is left where it stands.
  void take_over(const TakeOver& taken, int keep_automatic, bool practice = false);
  bool taken_over() const { return taken_over_; }

 private:
  void catch_up(int64_t step);
  void finish(int64_t step);
  void open_files(int keep_automatic, bool practice = false);
  void report_failures();

  std::string named_path_;
  Recorder recorder_;
  RecordingFile named_, automatic_;
  bool named_reported_ = false, automatic_reported_ = false;
  bool taken_over_ = false;
};

}  // namespace qv
