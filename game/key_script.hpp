// Key scripts: the simulator's input, and the recordings of games played in the window or the
// page. A line "STEP KEYS" holds exactly KEYS from STEP on; a recording adds its seed, keys that
// were tapped within one step, and where the game stopped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "game/credits.hpp"
#include "game/game.hpp"

namespace qv {

// Keys of a key script, as bits.
enum SimKey : uint8_t {
  kSimSpace = kKeySpace,
  kSimLeft = kKeyLeft,
  kSimUp = kKeyUp,
  kSimRight = kKeyRight,
  kSimDown = kKeyDown
};

// The latest step a script may name: twelve digits.
constexpr int64_t kLastScriptStep = 999999999999;

struct KeyLine {
  int64_t step;      // from this step on...
  uint8_t keys;      // ...exactly these keys are held,
  uint8_t taps = 0;  // and these went down and up again since the step before
};

// What a recording of format 2 says the game was after a step, and what a credit scored.
struct CheckLine {
  int64_t step;
  uint64_t value;  // check_value() of the game after the step
};
struct ScoreLine {
  int64_t step;
  int32_t score;
  CreditEnd how;
};

// A key script as a recording of a game writes it: the keys, and the seed and the step at
// which the game stopped when the script says them. A recording of format 2 adds the game's
// version, check values and scores (recording_format.hpp reads and writes those lines).
struct KeyScript {
  std::vector<KeyLine> lines;
  std::optional<uint32_t> seed;
  std::optional<int64_t> closed_after;  // "STEP close": the window was closed after that step
  std::optional<int64_t> ended_at;      // "STEP end": the game ended itself at that step
  int format = 1;                       // "format N"; a recording without one is of format 1
  std::string game_version;             // "game quelvaris VERSION"
  std::vector<CheckLine> checks;        // "check STEP HASH"
  std::vector<ScoreLine> scores;        // "score STEP N HOW"
  // "takeover STEP" (format 3): the player took over a replay, or practised, after that step.
  // Such a game replays and verifies like any other, but never enters the table of best runs.
  std::optional<int64_t> taken_over_at;
  // The step of the line a reader refused for coming after a later step.
  std::optional<int64_t> out_of_order_at;
  // A recording cut off in its last line: the line, incomplete and left out, named for a
  // warning. Empty when the script was read whole.
  std::string cut_line;
  // Where a replay of it stops: where the game stopped, or, for a recording cut short, at its
  // last line. A plain key script (no seed) says nothing of that.
  std::optional<int64_t> last_step() const;
};

// Reads a key script: lines "STEP KEYS" in ascending STEP, blank lines and # comments allowed;
// a recording adds "seed N", "tap:KEY" words and a last line "STEP close" or "STEP end".
// False with a message naming the line when the script is malformed, save that a recording's
// last line, when no newline ends it, may be incomplete: it is left out and named in cut_line.
bool parse_key_script(std::istream& in, KeyScript& out, std::string& error);
bool parse_key_script(std::istream& in, std::vector<KeyLine>& out, std::string& error);
// Reads a key script from a file of at most kLargestKeyScript bytes, a regular file read
// whole through the system's bounded reader: false with one line naming the file (and the line,
// or why it could not be read) when it cannot be read or is malformed.
bool read_key_script(const std::string& path, KeyScript& out, std::string& error);
// A recording of a game continued for days (five million steps) takes under 3 MiB; a script
// past this is no recording of ours, and would cost memory for nothing.
constexpr size_t kLargestKeyScript = 64u << 20;

// Plays a script's keys step by step, as the game takes them.
class ScriptKeys {
 public:
  explicit ScriptKeys(std::vector<KeyLine> lines = {}) : lines_(std::move(lines)) {}
  // The keys for `step`, the lines up to it applied; `instead` holds other keys in place of
  // the script's.
  StepKeys next(int64_t step, std::optional<uint8_t> instead = std::nullopt);

 private:
  std::vector<KeyLine> lines_;
  size_t next_line_ = 0;
  uint8_t want_ = 0;  // what the script holds
  uint8_t held_ = 0;  // what was held in the step before
};

}  // namespace qv
