// The window's client area as the player sees it: the button-face grey, the play surface in
// its 2-pixel sunken border, and the score label over the play surface. The hosts that show a
// window (the desktop and the browser) draw it from here, so they cannot drift apart.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "system/surface.hpp"

namespace qv {

constexpr int32_t kClientWidth = 432;
constexpr int32_t kClientHeight = 568;
constexpr int32_t kClientBorder = 2;  // the play surface's sunken border

class ClientArea {
 public:
  ClientArea();
  // Copies the play surface inside the border and draws the label over it; the face and the
  // border stay as drawn once.
  void show(const Surface& play, std::string_view label);
  // 0x00RRGGBB, row by row, kClientWidth pixels a row.
  const uint32_t* pixels() const { return pixels_.data(); }

 private:
  void draw_frame();
  void put(int32_t x, int32_t y, uint32_t c);

  std::vector<uint32_t> pixels_;
};

}  // namespace qv
