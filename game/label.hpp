// The score label `score1`: white bold italic digits in a small face, drawn above the play
// surface at the bottom right. Both hosts draw it the same way.
#pragma once

#include <cstdint>
#include <string_view>

namespace qv {

// The label's box on the play surface: its top-left corner, and its right edge, on which
// the text is aligned so that long scores grow to the left and stay on screen.
constexpr int32_t kLabelX = 397;
constexpr int32_t kLabelY = 536;
constexpr int32_t kLabelRight = kLabelX + 15;

// Draws the text onto a 0x00RRGGBB image of the play surface's size, whose rows are `stride`
// pixels apart. Characters other than digits and the minus sign are left out.
void draw_label(std::string_view text, uint32_t* pixels, int32_t width, int32_t height,
                int32_t stride);

}  // namespace qv
