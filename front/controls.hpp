// The window's own keys and events, beside the game's: the pause keys (P, Pause, Esc and a
// pad's Start), the table of best runs (Tab, a pad's Back), fullscreen (F11, Alt+Enter), the
// window's size and focus, and the pads. What the player changes of the window is handed to the
// host to save.
#pragma once

#include <SDL.h>

#include <functional>

#include "front/gamepad.hpp"
#include "front/input.hpp"
#include "front/pause.hpp"
#include "front/screen.hpp"
#include "front/window_choice.hpp"

namespace qv {

class Controls {
 public:
  Controls(Screen& screen, PlayerInput& input, Pause& pause)
      : screen_(screen), input_(input), pause_(pause), pads_(input) {}

  // Saves the window's scale and fullscreen when the player changes them, starting from what
  // the settings hold of them; unset, nothing is saved. `save` says false when it could not
  // write them: one warning is enough, and it is not called again in this run.
  void save_with(std::function<bool(int scale, bool fullscreen)> save, int saved_scale,
                 bool saved_fullscreen) {
    save_ = std::move(save);
    choice_ = WindowChoice(saved_scale, saved_fullscreen);
  }
  void pause_on_focus_loss(bool on) { pause_on_focus_loss_ = on; }
  // Tab or a pad's Back: the table of best runs is asked for, or asked away.
  void on_scores(std::function<void()> asked) { scores_ = std::move(asked); }
  // F1 or a pad's Guide: the options screen is asked for.
  void on_options(std::function<void()> asked) { options_ = std::move(asked); }
  // The options screen chose the window's scale (0: the largest that fits) or fullscreen. The
  // options screen keeps them itself.
  void choose_window(int scale, bool fullscreen);
  Gamepads& pads() { return pads_; }

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
  std::function<bool(int scale, bool fullscreen)> save_;
  WindowChoice choice_{0, false};
  std::function<void()> scores_, options_;
  bool pause_on_focus_loss_ = true;
};

}  // namespace qv
