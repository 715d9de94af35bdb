// The headless simulator: the game on a virtual clock, driven by a key script, with a trace
// of the whole game state after every handler call and pictures of the play area on demand.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "aids/study_aids.hpp"
#include "formats/png.hpp"
#include "game/game.hpp"
#include "game/key_script.hpp"
#include "game/recording_format.hpp"
#include "game/trace.hpp"
#include "system/media.hpp"
#include "system/virtual_clock.hpp"

namespace qv {

class Simulator {
 public:
  explicit Simulator(uint32_t seed = 1, std::vector<KeyLine> script = {});
  ~Simulator();

  // Writes one JSON line per handler call to this stream from now on (null: no trace).
  void set_trace(std::ostream* trace);
  bool trace_failed() const { return trace_ && trace_->failed(); }

  // Runs Form_Load at time 0.
  void start();
  // Runs step k + 1: the clock moves to 10 (k + 1) ms, the keys of the script are applied,
  // then every timer handler due runs. False once the game has ended itself.
  bool step();
  // Closes the window: Form_Unload.
  void close();
  // Records the run from start-up on, as the window records a game, appending to the text.
  void record_to(std::string* text) { recording_ = text; }

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
  // What the window shows of the play area: the play surface with the score label over it,
  // and the aids asked for over that.
  Picture screen(const StudyAids& aids = {}) const;

 private:
  SilentSink sink_;
  Game game_;
  uint32_t seed_;
  ScriptKeys script_;
  uint8_t override_ = 0;
  bool has_override_ = false;
  uint8_t lit_keys_ = 0;  // held in the last step, or tapped within it
  std::unique_ptr<TraceWriter> trace_;
  std::string* recording_ = nullptr;
  RecordingWriter recorder_;
};

}  // namespace qv
