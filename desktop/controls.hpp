// The window's own keys and events, beside the game's: the pause keys (P, Pause, Esc and a
// pad's Start), fullscreen (F11, Alt+Enter), the window's size and focus, and the pads. What
// the player changes of the window is saved in the settings.
#pragma once

#include <SDL.h>

#include <string>

#include "desktop/gamepad.hpp"
#include "desktop/input.hpp"
#include "desktop/pause.hpp"
#include "desktop/screen.hpp"
#include "desktop/window_choice.hpp"

namespace qv {

class Controls {
 public:
  Controls(Screen& screen, PlayerInput& input, Pause& pause)
      : screen_(screen), input_(input), pause_(pause), pads_(input) {}

  // Where the window's scale and fullscreen are saved, and what the file holds of them; the
  // file is left alone when this is never called.
  void save_to(std::string settings_file, int saved_scale, bool saved_fullscreen) {
    settings_file_ = std::move(settings_file);
    choice_ = WindowChoice(saved_scale, saved_fullscreen);
  }
  void pause_on_focus_loss(bool on) { pause_on_focus_loss_ = on; }

  // True when the event was the window's and the game need not see it.
  bool handle(const SDL_Event& e);

 private:
  bool key(const SDL_KeyboardEvent& e);
  void window_event(const SDL_WindowEvent& e);
  void save();

  Screen& screen_;
  PlayerInput& input_;
  Pause& pause_;
  Gamepads pads_;
  std::string settings_file_;
  WindowChoice choice_{0, false};
  bool pause_on_focus_loss_ = true;
};

}  // namespace qv
