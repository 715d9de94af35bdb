// The game's window in the page: the canvas shows the client area pixel for pixel; the page
// scales the canvas to whole multiples (web/page.js), so SDL draws at 432 x 568 only.
#pragma once

#include <SDL.h>

#include "game/client_area.hpp"

namespace qv {

class Screen {
 public:
  Screen() = default;
  Screen(const Screen&) = delete;
  Screen& operator=(const Screen&) = delete;
  ~Screen();

  // False with SDL's error when there is no canvas to draw on.
  bool open();
  // Takes the play surface and label as they are now; shown by the next present().
  void show(const Surface& play, std::string_view label);
  // Puts the last picture shown on the canvas, once a browser frame, when it has changed.
  void present();

 private:
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  ClientArea area_;
  bool changed_ = true;
};

}  // namespace qv
