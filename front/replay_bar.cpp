#include "front/replay_bar.hpp"

#include <algorithm>
#include <cstdio>

#include "game/game.hpp"

namespace qv {
namespace {

// The bar's letters, 5 x 7, one row a byte, the leftmost column in bit 4.
struct Glyph {
  char c;
  uint8_t rows[7];
};
constexpr Glyph kFont[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {'/', {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x00}},
    {'x', {0x00, 0x00, 0x11, 0x0A, 0x04, 0x0A, 0x11}},
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'D', {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'Y', {0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x04}},
};
constexpr int kPad = 3;
constexpr int kBarHeight = 7 + 2 * kPad;
constexpr uint32_t kStrip = 0x202040, kPlayed = 0xE0C040, kText = 0xFFFFFF;

const Glyph* glyph_of(char c) {
  for (const Glyph& g : kFont)
    if (g.c == c) return &g;
  return nullptr;  // a blank
}

std::string time_text(int64_t step) {
  int64_t hundredths = step * kStepMs / 10;
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld.%02lld", static_cast<long long>(hundredths / 6000),
                static_cast<long long>(hundredths / 100 % 60),
                static_cast<long long>(hundredths % 100));
  return text;
}

std::string speed_text(double speed) {
  if (speed < 1) return "1/" + std::to_string(static_cast<int>(1 / speed + 0.5)) + "x";
  return std::to_string(static_cast<int>(speed + 0.5)) + "x";
}

}  // namespace

std::string replay_bar_text(int64_t position, int64_t length, double speed, bool paused) {
  std::string text =
      "REPLAY " + time_text(position) + " / " + time_text(length) + " " + speed_text(speed);
  if (paused) text += " PAUSED";
  return text;
}

void draw_replay_bar(const std::string& text, int64_t position, int64_t length, uint32_t* pixels,
                     int width, int height) {
  if (height < kBarHeight + 1 || width <= 0) return;
  int top = height - kBarHeight;
  for (int y = top; y < height; ++y) std::fill_n(pixels + y * width, width, kStrip);
  int64_t played = length > 0 ? std::clamp<int64_t>(position, 0, length) * width / length : 0;
  std::fill_n(pixels + (top - 1) * width, played, kPlayed);
  int x0 = kPad;
  for (char c : text) {
    if (x0 + 5 > width) break;
    if (const Glyph* g = glyph_of(c)) {
      for (int row = 0; row < 7; ++row)
        for (int col = 0; col < 5; ++col)
          if (g->rows[row] & (0x10 >> col)) pixels[(top + kPad + row) * width + x0 + col] = kText;
    }
    x0 += 6;
  }
}

}  // namespace qv
