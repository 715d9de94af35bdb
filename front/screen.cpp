#include "front/screen.hpp"

#include <algorithm>
#include <optional>
#include <string_view>

#include "formats/embedded.hpp"
#include "front/overlay_text.hpp"
#include "front/replay_bar.hpp"
#include "game/label.hpp"

namespace qv {
namespace {

constexpr int kBorder = 2;  // the play surface's sunken border
constexpr uint32_t kFaceGrey = 0xF0F0F0;
constexpr Area kClient{kClientWidth, kClientHeight};

// The notice's letters, 5 x 7, one row a byte, the leftmost column in bit 4.
constexpr char kNotice[] = "PAUSED";
constexpr uint8_t kGlyphs[][7] = {
    {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10},  // P
    {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11},  // A
    {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E},  // U
    {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E},  // S
    {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F},  // E
    {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E},  // D
};
constexpr int kDot = 3;  // game pixels a dot of the letters

int scale_for(int wanted) {
  if (wanted >= 1) return wanted;
  SDL_Rect usable;
  if (SDL_GetDisplayUsableBounds(0, &usable) != 0) return 1;
  return automatic_scale(kClient, {usable.w, usable.h});
}

}  // namespace

bool Screen::open(int scale, bool fullscreen, bool device_pixels) {
  scale_ = scale_for(scale);
  Uint32 flags = SDL_WINDOW_RESIZABLE;
  if (device_pixels) flags |= SDL_WINDOW_ALLOW_HIGHDPI;
  window_ = SDL_CreateWindow(kCaption, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                             kClientWidth * scale_, kClientHeight * scale_, flags);
  if (!window_) return false;
  SDL_SetWindowMinimumSize(window_, kClientWidth, kClientHeight);
  SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");  // presenting must never wait for the display
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");  // every game pixel a crisp block
  renderer_ = SDL_CreateRenderer(window_, -1, 0);
  if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
  if (!renderer_) return false;
  texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                               kClientWidth, kClientHeight);
  if (!texture_) return false;
  set_icon();
  draw_frame();
  if (fullscreen) toggle_fullscreen();
  return true;
}

Screen::~Screen() {
  if (texture_) SDL_DestroyTexture(texture_);
  if (renderer_) SDL_DestroyRenderer(renderer_);
  if (window_) SDL_DestroyWindow(window_);
}

void Screen::show(const Surface& play, const std::string& label) {
  compose(play, label);
  show_composed();
}

void Screen::compose(const Surface& play, const std::string& label) {
  for (int32_t y = 0; y < play.height() && y + kBorder < kClientHeight; ++y) {
    const uint32_t* src = play.row(y);
    uint32_t* dst = pixels_ + (y + kBorder) * kClientWidth + kBorder;
    int32_t n = std::min(play.width(), kClientWidth - kBorder);
    std::copy(src, src + n, dst);
  }
  uint32_t* origin = pixels_ + kBorder * kClientWidth + kBorder;
  draw_label(label, origin, kClientWidth - kBorder, kClientHeight - kBorder, kClientWidth);
}

AidCanvas Screen::composed_play_area() {
  return AidCanvas{pixels_, kClientWidth, kClientHeight, kClientWidth, kBorder, kBorder};
}

void Screen::show_composed() {
  if (paused_) return;  // the frozen frame stays under its notice
  const uint32_t* shown = pixels_;
  if (!overlay_.empty()) {
    std::copy(std::begin(pixels_), std::end(pixels_), std::begin(noticed_));
    draw_text_box(overlay_, overlay_dot_, overlay_middle_, noticed_, kClientWidth, kClientHeight,
                  kClientWidth);
    shown = noticed_;
  }
  SDL_UpdateTexture(texture_, nullptr, shown, kClientWidth * 4);
  present();
}

void Screen::show_with_bar(const std::string& text, int64_t position, int64_t length) {
  std::copy(std::begin(pixels_), std::end(pixels_), std::begin(noticed_));
  if (paused_) draw_notice();
  draw_replay_bar(text, position, length, noticed_, kClientWidth, kClientHeight);
  SDL_UpdateTexture(texture_, nullptr, noticed_, kClientWidth * 4);
  present();
}

void Screen::show_overlay(std::vector<std::string> lines, int dot, int middle_y) {
  overlay_ = std::move(lines);
  overlay_dot_ = dot;
  overlay_middle_ = middle_y;
  show_composed();
}

void Screen::show_dimmed(const std::vector<std::string>& lines) {
  for (size_t i = 0; i < std::size(pixels_); ++i) noticed_[i] = (pixels_[i] >> 1) & 0x7F7F7F;
  draw_text_box(lines, 1, kClientHeight / 2, noticed_, kClientWidth, kClientHeight, kClientWidth);
  SDL_UpdateTexture(texture_, nullptr, noticed_, kClientWidth * 4);
  present();
}

int Screen::largest_scale() {
  return scale_for(0);
}

void Screen::set_scale(int scale) {
  scale_ = scale_for(scale);
  if (fullscreen_) {
    windowed_ = {kClientWidth * scale_, kClientHeight * scale_};
    return;
  }
  SDL_SetWindowSize(window_, kClientWidth * scale_, kClientHeight * scale_);
  present();
}

void Screen::present() {
  Placement p = place(kClient, output_size());
  SDL_Rect where{p.x, p.y, p.w, p.h};
  // Around the picture: the face colour in a window, black on the whole screen.
  Uint8 around = fullscreen_ ? 0 : 0xF0;
  SDL_SetRenderDrawColor(renderer_, around, around, around, 0xFF);
  SDL_RenderClear(renderer_);
  SDL_RenderCopy(renderer_, texture_, nullptr, &where);
  SDL_RenderPresent(renderer_);
}

Area Screen::output_size() const {
  Area out;
  if (SDL_GetRendererOutputSize(renderer_, &out.w, &out.h) != 0) return kClient;
  return out;
}

// Over the middle of the play surface, drawn on a copy: the game's own picture stays as it is.
void Screen::show_paused(bool paused) {
  paused_ = paused;
  if (!paused) {
    show_composed();
    return;
  }
  std::copy(std::begin(pixels_), std::end(pixels_), std::begin(noticed_));
  draw_notice();
  SDL_UpdateTexture(texture_, nullptr, noticed_, kClientWidth * 4);
  present();
}

void Screen::draw_notice() {
  constexpr int letters = sizeof kNotice - 1, pad = 2 * kDot;
  constexpr int text_w = (letters * 6 - 1) * kDot, text_h = 7 * kDot;
  constexpr int box_w = text_w + 2 * pad, box_h = text_h + 2 * pad;
  constexpr int box_x = (kClientWidth - box_w) / 2, box_y = (kClientHeight - box_h) / 2;
  for (int y = 0; y < box_h; ++y)
    for (int x = 0; x < box_w; ++x) noticed_[(box_y + y) * kClientWidth + box_x + x] = 0x202040;
  for (int i = 0; i < letters; ++i) {
    const uint8_t* glyph = kGlyphs[i];  // in the order of the notice
    for (int row = 0; row < 7 * kDot; ++row)
      for (int col = 0; col < 5 * kDot; ++col) {
        if (!(glyph[row / kDot] & (0x10 >> (col / kDot)))) continue;
        int x = box_x + pad + i * 6 * kDot + col, y = box_y + pad + row;
        noticed_[y * kClientWidth + x] = 0xFFFFFF;
      }
  }
}

// Desktop fullscreen keeps the video mode; leaving it gives the window back its size.
void Screen::toggle_fullscreen() {
  fullscreen_ = !fullscreen_;
  if (fullscreen_) SDL_GetWindowSize(window_, &windowed_.w, &windowed_.h);
  SDL_SetWindowFullscreen(window_, fullscreen_ ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
  if (!fullscreen_ && windowed_.w > 0) SDL_SetWindowSize(window_, windowed_.w, windowed_.h);
  present();
}

bool Screen::resized() {
  if (fullscreen_ || (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP)) {
    present();
    return false;
  }
  int w = 0, h = 0;
  SDL_GetWindowSize(window_, &w, &h);
  int now = largest_scale_within(kClient, {w, h});
  present();
  if (now == scale_) return false;
  scale_ = now;
  return true;
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
