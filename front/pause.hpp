// The player's pause: no step runs, the game's clock stands still as if the paused time did
// not exist, the sound holds where it is, and the screen keeps the frozen frame with a notice
// over it. Game keys pressed meanwhile are ignored.
#pragma once

#include <SDL.h>

#include <functional>

#include "front/input.hpp"
#include "front/screen.hpp"
#include "front/step_pacer.hpp"

namespace qv {

class Pause {
 public:
  Pause(StepPacer& pacer, Screen& screen, PlayerInput& input)
      : pacer_(pacer), screen_(screen), input_(input) {}
  // What the host holds with the game, its sound above all: told of every change.
  void on_change(std::function<void(bool on)> told) { told_ = std::move(told); }

  void toggle() { set(!on_); }
  void set(bool on);
  bool on() const { return on_; }

 private:
  StepPacer& pacer_;
  Screen& screen_;
  PlayerInput& input_;
  std::function<void(bool on)> told_;
  bool on_ = false;
};

}  // namespace qv
