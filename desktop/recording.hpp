// The recordings of a game in the window: the one the player asked for with --record, and the
// one every game leaves in the replay folder on its own.
#pragma once

#include <string>

#include "front/recorder.hpp"

namespace qv {

class GameRecording {
 public:
  // Opens the recordings; false, with a line naming the file, when the named one cannot be
  // written. A replay folder that cannot be written only costs the automatic recording.
  bool open(const std::string& named_path, int keep_automatic, uint32_t seed, std::string& error);
  void step(int64_t step, StepKeys keys);
  void closed(int64_t step);
  void ended(int64_t step);

 private:
  Recorder named_, automatic_;
};

}  // namespace qv
