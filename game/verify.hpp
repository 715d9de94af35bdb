// Verifying a recording: it is replayed from its seed with its keys, and every check value
// and every score it claims must be what the replay reaches, at the step it names. Only then
// does the recording prove its scores.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "game/credits.hpp"
#include "game/key_script.hpp"

namespace qv {

// A credit a recording proves: its score line, how far the stage got, and how the game it
// belongs to began on the title (Space, or Left with ten ships); a credit of a recording that
// never passed the title has no such start.
struct ProvenCredit {
  ScoreLine line;
  int32_t stage_count = 0;
  std::optional<CreditStart> game_start;
};

struct Verdict {
  // 0: verified. 1: it does not prove what it claims (it diverges, a score is not reached,
  // a check value is missing, or it has none). 2: it cannot be read, is malformed or is of a
  // newer format.
  int status = 0;
  // Where the replay found it wrong; for a verified recording, the steps it replayed.
  int64_t step = 0;
  std::string text;                   // one line: "verified, 3783 steps, scores 2200 (over)", ...
  std::vector<ScoreLine> scores;      // of a verified recording
  std::vector<ProvenCredit> credits;  // the same, with what the replay saw of each
  // Where the player took over a replay: such a game's scores never enter the table.
  std::optional<int64_t> taken_over_at;
};

// Replays a recording read with read_key_script().
// The music is found in `data_folder` (the folder that holds `bgm&se`; empty for the working
// folder), as the game that recorded it found its own: the tune is part of every check value.
Verdict verify_recording(const KeyScript& recording, const std::string& data_folder = {});
// Reads the file, or the text, and verifies it.
Verdict verify_file(const std::string& path, const std::string& data_folder = {});
Verdict verify_text(std::istream& in, const std::string& data_folder = {});

// `PROGRAM --verify FILE...`: one line a file on `out` ("FILE: verified, ..."), a warning on
// `warnings` when the music the check values take in is not found; the worst status of all.
int verify_files(const std::vector<std::string>& files, std::ostream& out, std::ostream& warnings,
                 const std::string& program, const std::string& data_folder = {});

}  // namespace qv
