// Verifying a recording: it is replayed from its seed with its keys, and every check value
// and every score it claims must be what the replay reaches, at the step it names. Only then
// does the recording prove its scores.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "game/key_script.hpp"

namespace qv {

struct Verdict {
  // 0: verified. 1: it does not prove what it claims (it diverges, a score is not reached,
  // a check value is missing, or it has none). 2: it cannot be read, is malformed or is of a
  // newer format.
  int status = 0;
  // Where the replay found it wrong; for a verified recording, the steps it replayed.
  int64_t step = 0;
  std::string text;               // one line: "verified, 3783 steps, scores 2200 (over)", ...
  std::vector<ScoreLine> scores;  // of a verified recording
  // Where the player took over a replay: such a game's scores never enter the table.
  std::optional<int64_t> taken_over_at;
};

// Replays a recording read with read_key_script().
Verdict verify_recording(const KeyScript& recording);
// Reads the file, or the text, and verifies it.
Verdict verify_file(const std::string& path);
Verdict verify_text(std::istream& in);

}  // namespace qv
