// Verifying a recording: it is replayed from its seed with its keys, and every check value
// and every score it claims must be what the replay reaches, at the step it names. Only then
// does the recording prove its scores.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
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

// What a verifier takes on, here and wherever recordings are verified (an online board of
// best runs takes the same): two hours of play, and a file of at most 1 MiB. A real game takes
// from half a byte to a byte and a half a step (its check lines alone a third of a byte), so two
// hours of it fit. A recording past either is not verified, at once, before any replaying,
// which would cost about 5 µs a step; it still replays, and can be watched.
constexpr int64_t kLongestVerifiedSteps = 720000;  // two hours at 100 steps a second
constexpr size_t kLargestVerifiedRecording = 1u << 20;

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

// The credit a verified recording stands for in a table of best runs, the game's own or an
// online board: its last, when the game it belongs to began on the title. None, with the
// reason, for a recording that does not verify, a game taken over or practised, or one that
// proves no credit of a game begun on the title.
std::optional<ProvenCredit> ranked_credit(const Verdict& verdict, std::string& why);

// Replays a recording read with read_key_script(); one that goes on past
// kLongestVerifiedSteps is refused first.
// The music is found in `data_folder` (the folder that holds `bgm&se`; empty for the working
// folder), as the game that recorded it found its own: the tune is part of every check value.
Verdict verify_recording(const KeyScript& recording, const std::string& data_folder = {});
// Reads the file, or the text, and verifies it; one of over kLargestVerifiedRecording bytes is
// refused unread. The file is read once, through the system's bounded reader, and what was
// read is left in `bytes` when asked for.
Verdict verify_file(const std::string& path, const std::string& data_folder = {},
                    std::string* bytes = nullptr);
Verdict verify_text(std::string_view text, const std::string& data_folder = {});
Verdict verify_text(std::istream& in, const std::string& data_folder = {});

// `PROGRAM --verify FILE...`: one line a file on `out` ("FILE: verified, ..."), a warning on
// `warnings` when the music the check values take in is not found; the worst status of all.
int verify_files(const std::vector<std::string>& files, std::ostream& out, std::ostream& warnings,
                 const std::string& program, const std::string& data_folder = {});

}  // namespace qv
