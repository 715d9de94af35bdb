// Lines of text in a dark box, drawn in plain 5 x 7 letters over a copy of the window's
// picture: the table of best runs, the rank a credit took and the replay's bar. Letters are drawn
// as capitals; characters without a letter of their own are left blank.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv {

// Draws one line of letters, its top-left corner at (`left`, `top`), each dot `dot` x `dot`
// pixels of `ink`; what falls outside `width` x `height` is left out.
void draw_text(const std::string& text, int left, int top, int dot, uint32_t ink, uint32_t* pixels,
               int width, int height, int stride);

// Draws `lines` centred across `width`, the box's middle at `middle_y`, each dot of a letter
// `dot` x `dot` pixels, onto 0x00RRGGBB `pixels` whose rows are `stride` apart.
void draw_text_box(const std::vector<std::string>& lines, int dot, int middle_y, uint32_t* pixels,
                   int width, int height, int stride);

}  // namespace qv
