// The options screen over the game: F1 or a pad's Guide opens it at any moment (the title,
// play, the pause, the GameOver picture, a replay), F1 or Esc leaves it. While it is open the
// game stands paused as the pause holds it (no step runs, nothing is recorded, the sound holds)
// and the window shows its last frame dimmed with the entries over it, on a copy: the game's
// own picture stays as it was, and the game goes on where it stood once the screen closes.
#pragma once

#include <SDL.h>

#include <functional>
#include <optional>

#include "front/options_menu.hpp"
#include "front/pause.hpp"
#include "front/screen.hpp"

namespace qv {

class OptionsScreen {
 public:
  OptionsScreen(Screen& screen, Pause& pause) : screen_(screen), pause_(pause) {}

  // Told of every change as it is made (the host applies it), and of the values as the screen
  // closes (the host keeps them).
  void on_change(std::function<void(const OptionValues&)> told) { changed_ = std::move(told); }
  void on_close(std::function<void(const OptionValues&)> told) { closed_ = std::move(told); }

  // `unsaved`: why the changes cannot be kept past this run, or empty.
  void open(OptionValues values, std::string unsaved);
  void close();
  bool is_open() const { return menu_.has_value(); }
  // The game is to stay paused once the screen closes (the window lost the focus meanwhile).
  void stay_paused() { was_paused_ = true; }
  // Shows the screen again (the window was resized, or the host showed the frame).
  void show();
  // An event while the screen is open: true when it was the screen's. Letting go of a key or a
  // button is never the screen's, so that no game key sticks; nor are the window's events.
  bool handle(const SDL_Event& e);

 private:
  bool key(const SDL_KeyboardEvent& e);
  bool button(uint8_t button);
  void command(OptionsCommand c);
  void after(const OptionValues& before);

  Screen& screen_;
  Pause& pause_;
  std::optional<OptionsMenu> menu_;
  bool was_paused_ = false;
  std::function<void(const OptionValues&)> changed_, closed_;
};

// F1 or a pad's Guide button.
bool opens_options(const SDL_Event& e);

}  // namespace qv
