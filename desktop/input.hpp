// The game keys the player presses in the window, gathered between steps: the game takes them
// once a step, before the step's handlers, just as the simulator applies a key script, so a
// game played here replays exactly.
#pragma once

#include <SDL.h>

#include "game/game.hpp"
#include "system/keys.hpp"

namespace qv {

class PlayerInput {
 public:
  // A key event of the window; false when the key is none of the game's.
  bool key_event(const SDL_KeyboardEvent& e);
  // Keys typed elsewhere must not steer the game.
  void focus_lost() { pending_.release_all(KeySource::keyboard); }
  // The keys for the next step: what is held now and what went down since the last take.
  StepKeys take();

 private:
  Keyboard pending_;  // one source for the keyboard, one for the pads
};

// The game key an SDL key stands for, or -1.
int32_t game_key_of(SDL_Keycode key);

}  // namespace qv
