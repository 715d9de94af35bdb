// The headless simulator: the game on a virtual clock, driven by a key script, with a trace
// of the whole game state after every handler call and pictures of the play area on demand.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "game/window.hpp"
#include "system/media.hpp"
#include "formats/png.hpp"

namespace qv {

// Keys of a key script, as bits.
enum SimKey : uint8_t { kSimSpace = 1, kSimLeft = 2, kSimUp = 4, kSimRight = 8, kSimDown = 16 };

struct KeyLine {
  int64_t step;  // from this step on...
  uint8_t keys;  // ...exactly these keys are held
};

// Reads a key script: lines "STEP KEYS" in ascending STEP, blank lines and # comments allowed.
// False with a message naming the line when the script is malformed.
bool parse_key_script(std::istream& in, std::vector<KeyLine>& out, std::string& error);

class VirtualClock final : public Clock {
 public:
  uint64_t now_us() const override { return now_us_; }
  void set_ms(uint64_t ms) { now_us_ = ms * 1000; }

 private:
  uint64_t now_us_ = 0;
};

class Simulator {
 public:
  explicit Simulator(uint32_t seed = 1, std::vector<KeyLine> script = {});
  ~Simulator();

  // Writes one JSON line per handler call to this stream from now on (null: no trace).
  void set_trace(std::ostream* trace) { trace_ = trace; }

  // Runs Form_Load at time 0.
  void start();
  // Runs step k + 1: the clock moves to 10 (k + 1) ms, the keys of the script are applied,
  // then every timer handler due runs. False once the game has ended itself.
  bool step();
  // Closes the window: Form_Unload.
  void close();

  int64_t current_step() const { return step_; }
  bool ended() const { return ended_; }
  Window& win() { return *win_; }
  Media& media() { return media_; }
  // Holds exactly these keys from the next step on, in place of the script.
  void hold(uint8_t keys) {
    override_ = keys;
    has_override_ = true;
  }
  // What the window shows of the play area: the play surface with the score label over it.
  Picture screen() const;

 private:
  void apply_keys();
  template <typename Handler>
  void run_handler(const char* name, Handler&& handler);
  void write_record(const char* name, bool ended);

  VirtualClock clock_;
  SilentSink sink_;
  Media media_;
  std::unique_ptr<Window> win_;
  uint32_t seed_;
  std::vector<KeyLine> script_;
  size_t next_line_ = 0;
  uint8_t held_ = 0;
  uint8_t override_ = 0;
  bool has_override_ = false;
  int64_t step_ = 0;
  bool ended_ = false;
  std::ostream* trace_ = nullptr;
  std::vector<std::string> calls_;
  std::string line_;
};

}  // namespace qv
