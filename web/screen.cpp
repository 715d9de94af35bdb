#include "web/screen.hpp"

namespace qv {

Screen::~Screen() {
  if (texture_) SDL_DestroyTexture(texture_);
  if (renderer_) SDL_DestroyRenderer(renderer_);
  if (window_) SDL_DestroyWindow(window_);
}

bool Screen::open() {
  window_ = SDL_CreateWindow("Quelvaris \xE5\xBC\x90", SDL_WINDOWPOS_UNDEFINED,
                             SDL_WINDOWPOS_UNDEFINED, kClientWidth, kClientHeight, 0);
  if (!window_) return false;
  renderer_ = SDL_CreateRenderer(window_, -1, 0);  // WebGL where the browser has it
  if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
  if (!renderer_) return false;
  texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                               kClientWidth, kClientHeight);
  return texture_ != nullptr;
}

void Screen::show(const Surface& play, std::string_view label) {
  area_.show(play, label);
  changed_ = true;
}

void Screen::present() {
  if (!changed_) return;
  changed_ = false;
  SDL_UpdateTexture(texture_, nullptr, area_.pixels(), kClientWidth * 4);
  SDL_RenderClear(renderer_);
  SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
  SDL_RenderPresent(renderer_);
}

}  // namespace qv
