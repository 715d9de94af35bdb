// Lines of text in a dark box, drawn in plain 5 x 7 letters over a copy of the window's
// picture: the table of best runs and the rank a credit took. Letters are drawn as capitals;
// characters without a letter of their own are left blank.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv {

// Draws `lines` centred across `width`, the box's middle at `middle_y`, each dot of a letter
// `dot` x `dot` pixels, onto 0x00RRGGBB `pixels` whose rows are `stride` apart.
void draw_text_box(const std::vector<std::string>& lines, int dot, int middle_y, uint32_t* pixels,
                   int width, int height, int stride);

}  // namespace qv
