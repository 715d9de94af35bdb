// The headless simulator: the game on a virtual clock, driven by a key script, with a trace
// of the whole game state after every handler call and pictures of the play area on demand.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "formats/png.hpp"
#include "game/game.hpp"
#include "game/trace.hpp"
#include "system/media.hpp"
#include "system/virtual_clock.hpp"

namespace qv {

// Keys of a key script, as bits.
enum SimKey : uint8_t {
  kSimSpace = kKeySpace,
  kSimLeft = kKeyLeft,
  kSimUp = kKeyUp,
  kSimRight = kKeyRight,
  kSimDown = kKeyDown
};

struct KeyLine {
  int64_t step;      // from this step on...
  uint8_t keys;      // ...exactly these keys are held,
  uint8_t taps = 0;  // and these went down and up again since the step before
};

// A key script as a recording of a game writes it: the keys, and the seed and the step at
// which the game stopped when the script says them.
struct KeyScript {
  std::vector<KeyLine> lines;
  std::optional<uint32_t> seed;
  std::optional<int64_t> closed_after;  // "STEP close": the window was closed after that step
  std::optional<int64_t> ended_at;      // "STEP end": the game ended itself at that step
  // Where a replay of it stops: where the game stopped, or, for a recording cut short, at its
  // last line. A plain key script (no seed) says nothing of that.
  std::optional<int64_t> last_step() const;
};

// Reads a key script: lines "STEP KEYS" in ascending STEP, blank lines and # comments allowed;
// a recording adds "seed N", "tap:KEY" words and a last line "STEP close" or "STEP end".
// False with a message naming the line when the script is malformed.
bool parse_key_script(std::istream& in, KeyScript& out, std::string& error);
bool parse_key_script(std::istream& in, std::vector<KeyLine>& out, std::string& error);

class Simulator {
 public:
  explicit Simulator(uint32_t seed = 1, std::vector<KeyLine> script = {});
  ~Simulator();

  // Writes one JSON line per handler call to this stream from now on (null: no trace).
  void set_trace(std::ostream* trace);
  bool trace_failed() const { return trace_ && trace_->failed(); }

  // Runs Form_Load at time 0.
  void start() { game_.start(seed_); }
  // Runs step k + 1: the clock moves to 10 (k + 1) ms, the keys of the script are applied,
  // then every timer handler due runs. False once the game has ended itself.
  bool step();
  // Closes the window: Form_Unload.
  void close() { game_.close(); }

  int64_t current_step() const { return game_.current_step(); }
  bool ended() const { return game_.ended(); }
  Window& win() { return game_.win(); }
  Media& media() { return game_.media(); }
  Game& game() { return game_; }
  // Holds exactly these keys from the next step on, in place of the script.
  void hold(uint8_t keys) {
    override_ = keys;
    has_override_ = true;
  }
  // What the window shows of the play area: the play surface with the score label over it.
  Picture screen() const;

 private:
  StepKeys next_keys();

  SilentSink sink_;
  Game game_;
  uint32_t seed_;
  std::vector<KeyLine> script_;
  size_t next_line_ = 0;
  uint8_t held_ = 0;
  uint8_t override_ = 0;
  bool has_override_ = false;
  std::unique_ptr<TraceWriter> trace_;
};

}  // namespace qv
