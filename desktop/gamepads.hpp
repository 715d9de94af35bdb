// The game controllers the player plays with, opened as SDL finds them. Together they hold the
// game keys as one source: the D-pad or the left stick the arrows, the south face button (A,
// Cross) Space. Start asks for a pause.
#pragma once

#include <SDL.h>

#include <vector>

#include "system/keys.hpp"

namespace qv {

class Gamepads {
 public:
  Gamepads() = default;
  ~Gamepads();
  Gamepads(const Gamepads&) = delete;
  Gamepads& operator=(const Gamepads&) = delete;

  // A controller event: the pads' keys go to `keys`. True when Start went down.
  bool event(const SDL_Event& e, Keyboard& keys);

 private:
  void hold_what_pads_hold(Keyboard& keys);

  std::vector<SDL_GameController*> open_;
  bool held_[256] = {};
};

}  // namespace qv
