// What the window shows: the face colour, the sunken border, the play surface inside it and
// the score label above the play surface, as the game draws them.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>

#include "system/surface.hpp"

namespace qv {

constexpr const char* kCaption = "Quelvaris \xE5\xBC\x90";  // the kanji numeral two, U+5F10
constexpr int kClientWidth = 432;
constexpr int kClientHeight = 568;

class Screen {
 public:
  Screen() = default;
  ~Screen();
  Screen(const Screen&) = delete;
  Screen& operator=(const Screen&) = delete;

  bool open();
  // Composes the client area from the play surface and the label, and shows it.
  void show(const Surface& play, const std::string& label);
  // Shows the last frame again (the window was uncovered or resized).
  void present();
  SDL_Window* window() const { return window_; }

 private:
  void set_icon();
  void draw_frame();
  void put(int x, int y, uint32_t c);

  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  uint32_t pixels_[kClientWidth * kClientHeight];
};

}  // namespace qv
