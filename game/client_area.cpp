#include "game/client_area.hpp"

#include <algorithm>

#include "game/label.hpp"

namespace qv {
namespace {

constexpr uint32_t kFaceGrey = 0xF0F0F0;
constexpr uint32_t kShadow = 0xA0A0A0, kDarkShadow = 0x696969, kLight = 0xFFFFFF,
                   kHighlight = 0xE3E3E3;

}  // namespace

ClientArea::ClientArea() : pixels_(static_cast<size_t>(kClientWidth) * kClientHeight) {
  draw_frame();
}

void ClientArea::show(const Surface& play, std::string_view label) {
  constexpr int32_t kStride = kClientWidth;
  int32_t n = std::min(play.width(), kClientWidth - kClientBorder);
  for (int32_t y = 0; y < play.height() && y + kClientBorder < kClientHeight; ++y) {
    const uint32_t* src = play.row(y);
    std::copy(src, src + n, pixels_.data() + (y + kClientBorder) * kStride + kClientBorder);
  }
  uint32_t* origin = pixels_.data() + kClientBorder * kStride + kClientBorder;
  draw_label(label, origin, kClientWidth - kClientBorder, kClientHeight - kClientBorder, kStride);
}

// The border is the window system's sunken edge around a 430 x 565 surface: shadow and dark
// shadow on the top and left, highlight and light on the bottom and right, clipped to the area.
void ClientArea::draw_frame() {
  std::fill(pixels_.begin(), pixels_.end(), kFaceGrey);
  int32_t right = kClientBorder + 430 + 1, bottom = kClientBorder + 565 + 1;
  for (int32_t x = 0; x < kClientWidth; ++x) {
    put(x, 0, kShadow);
    put(x, 1, kDarkShadow);
    put(x, bottom - 1, kHighlight);
    put(x, bottom, kLight);
  }
  for (int32_t y = 0; y < kClientHeight; ++y) {
    put(0, y, kShadow);
    put(1, y, kDarkShadow);
    put(right - 1, y, kHighlight);
    put(right, y, kLight);
  }
}

void ClientArea::put(int32_t x, int32_t y, uint32_t c) {
  if (x >= 0 && x < kClientWidth && y >= 0 && y < kClientHeight)
    pixels_[static_cast<size_t>(y) * kClientWidth + x] = c;
}

}  // namespace qv
