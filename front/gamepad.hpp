// Gamepads through SDL's game controller interface and its mapping database: the D-pad and
// the left stick act as the arrow keys, the south face button as Space, Start as the pause
// key, Guide opens the options; the settings may add further buttons to a game key. Pads come
// and go during play; the keys of one that goes are let go of.
#pragma once

#include <SDL.h>

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "front/input.hpp"

namespace qv {

class Gamepads {
 public:
  explicit Gamepads(PlayerInput& input) : input_(input) {}
  ~Gamepads();
  Gamepads(const Gamepads&) = delete;
  Gamepads& operator=(const Gamepads&) = delete;

  // Whether the event is a controller's, for `handle`.
  static bool is_pad_event(const SDL_Event& e);
  // Further buttons for the game keys, by SDL's button names, in the order of kGameKeyName.
  void bind_extra_buttons(const std::array<std::vector<std::string>, kGameKeys>& names);
  enum class Action { none, pause, scores, options };
  // A controller event: the game keys it changes go to the input; Start asks for the pause.
  Action handle(const SDL_Event& e);
  size_t count() const { return pads_.size(); }

 private:
  struct Pad {
    SDL_GameController* controller;
    SDL_JoystickID id;
    uint8_t buttons = 0;  // game keys held by the D-pad and the face button
    uint8_t stick = 0;    // game keys the left stick points to
  };

  void add(int device_index);
  void remove(SDL_JoystickID id);
  Pad* find(SDL_JoystickID id);
  void button(const SDL_ControllerButtonEvent& e);
  void axis(const SDL_ControllerAxisEvent& e);
  void tell_input();
  uint8_t key_of_button(int button) const;

  PlayerInput& input_;
  std::vector<Pad> pads_;
  uint8_t told_ = 0;                            // the game keys the input holds for the pads
  std::vector<std::pair<int, uint8_t>> extra_;  // a button and the game key it stands for
};

}  // namespace qv
