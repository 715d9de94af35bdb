// The player's pause: no step runs, the game's clock stands still as if the paused time did
// not exist, the music and the effects hold where they are, and the window keeps the frozen
// frame with a notice over it. Game keys pressed meanwhile are ignored.
#pragma once

#include "audio/audio_sdl.hpp"
#include "front/input.hpp"
#include "front/screen.hpp"
#include "front/step_pacer.hpp"

namespace qv {

class Pause {
 public:
  Pause(StepPacer& pacer, Screen& screen, PlayerInput& input)
      : pacer_(pacer), screen_(screen), input_(input) {}
  // The sound opens after the window; until then there is none to hold.
  void set_audio(PlayerAudio* audio) { audio_ = audio; }

  void toggle() { set(!on_); }
  void set(bool on);
  bool on() const { return on_; }

 private:
  StepPacer& pacer_;
  Screen& screen_;
  PlayerInput& input_;
  PlayerAudio* audio_ = nullptr;
  bool on_ = false;
};

}  // namespace qv
