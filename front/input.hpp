// The game keys the player presses in the window or on a pad, gathered between steps: the
// game takes them once a step, before the step's handlers, just as the simulator applies a
// key script, so a game played here replays exactly.
#pragma once

#include <SDL.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "game/game.hpp"
#include "system/keys.hpp"

namespace qv {

class PlayerInput {
 public:
  // Further keyboard keys for the game keys, by SDL key name, in the order of kGameKeyName.
  void bind_extra_keys(const std::array<std::vector<std::string>, kGameKeys>& names);
  // A key event of the window; false when the key is none of the game's.
  bool key_event(const SDL_KeyboardEvent& e);
  // A pad's game key went down or up.
  void pad_key(int32_t vk, bool down);
  // While the game stands paused presses are ignored; letting go still counts, so that no
  // key sticks.
  void ignore_presses(bool ignore) { ignoring_ = ignore; }
  // Keys typed elsewhere must not steer the game.
  void focus_lost();
  void pads_gone() { pending_.release_all(KeySource::gamepad); }
  // The keys for the next step: what is held now and what went down since the last take.
  StepKeys take();
  // Whether the key stands for a game key (the arrows, Space, or one bound to them).
  bool is_game_key(SDL_Keycode key) const { return game_key(key) >= 0; }

 private:
  int32_t game_key(SDL_Keycode key) const;
  bool holds(int32_t vk) const;

  Keyboard pending_;  // one source for the keyboard, one for the pads
  std::vector<std::pair<SDL_Keycode, int32_t>> extra_;
  // Every key held now that stands for a game key, with that game key: a game key is down
  // while any of its keys is, so letting go of one of two keys bound to it releases nothing.
  std::vector<std::pair<SDL_Keycode, int32_t>> held_;
  bool ignoring_ = false;
};

// The game key an SDL key stands for (arrows and Space), or -1.
int32_t game_key_of(SDL_Keycode key);

// P, Pause and Esc pause the game and go on; they are never game keys.
bool is_pause_key(SDL_Keycode key);

}  // namespace qv
