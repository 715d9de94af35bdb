#include "desktop/screen.hpp"

#include <algorithm>
#include <optional>

#include "formats/embedded.hpp"
#include "game/label.hpp"

namespace qv {
namespace {

constexpr int kBorder = 2;  // the play surface's sunken border
constexpr uint32_t kFaceGrey = 0xF0F0F0;

}  // namespace

bool Screen::open() {
  window_ = SDL_CreateWindow(kCaption, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kClientWidth,
                             kClientHeight, SDL_WINDOW_RESIZABLE);
  if (!window_) return false;
  SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");  // presenting must never wait for the display
  renderer_ = SDL_CreateRenderer(window_, -1, 0);
  if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
  if (!renderer_) return false;
  SDL_RenderSetLogicalSize(renderer_, kClientWidth, kClientHeight);
  SDL_RenderSetIntegerScale(renderer_, SDL_TRUE);
  texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                               kClientWidth, kClientHeight);
  if (!texture_) return false;
  set_icon();
  draw_frame();
  return true;
}

Screen::~Screen() {
  if (texture_) SDL_DestroyTexture(texture_);
  if (renderer_) SDL_DestroyRenderer(renderer_);
  if (window_) SDL_DestroyWindow(window_);
}

void Screen::show(const Surface& play, const std::string& label) {
  for (int32_t y = 0; y < play.height() && y + kBorder < kClientHeight; ++y) {
    const uint32_t* src = play.row(y);
    uint32_t* dst = pixels_ + (y + kBorder) * kClientWidth + kBorder;
    int32_t n = std::min(play.width(), kClientWidth - kBorder);
    std::copy(src, src + n, dst);
  }
  uint32_t* origin = pixels_ + kBorder * kClientWidth + kBorder;
  draw_label(label, origin, kClientWidth - kBorder, kClientHeight - kBorder, kClientWidth);
  SDL_UpdateTexture(texture_, nullptr, pixels_, kClientWidth * 4);
  present();
}

void Screen::present() {
  SDL_RenderClear(renderer_);
  SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
  SDL_RenderPresent(renderer_);
}

void Screen::set_icon() {
  std::optional<Picture> icon = embedded_picture("icon");
  if (!icon) return;
  SDL_Surface* s =
      SDL_CreateRGBSurfaceWithFormatFrom(icon->pixels.data(), icon->width, icon->height, 32,
                                         icon->width * 4, SDL_PIXELFORMAT_ARGB8888);
  if (!s) return;
  SDL_SetWindowIcon(window_, s);
  SDL_FreeSurface(s);
}

// The border stays: only the play surface's inside is drawn again with every frame.
void Screen::draw_frame() {
  std::fill(std::begin(pixels_), std::end(pixels_), kFaceGrey);
  constexpr uint32_t kShadow = 0xA0A0A0, kDarkShadow = 0x696969, kLight = 0xFFFFFF,
                     kHighlight = 0xE3E3E3;
  int right = kBorder + 430 + 1, bottom = kBorder + 565 + 1;  // outer 434 x 569, clipped
  for (int x = 0; x < kClientWidth; ++x) {
    put(x, 0, kShadow);
    put(x, 1, kDarkShadow);
    put(x, bottom - 1, kHighlight);
    put(x, bottom, kLight);
  }
  for (int y = 0; y < kClientHeight; ++y) {
    put(0, y, kShadow);
    put(1, y, kDarkShadow);
    put(right - 1, y, kHighlight);
    put(right, y, kLight);
  }
}
void Screen::put(int x, int y, uint32_t c) {
  if (x >= 0 && x < kClientWidth && y >= 0 && y < kClientHeight) pixels_[y * kClientWidth + x] = c;
}

}  // namespace qv
