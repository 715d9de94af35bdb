// The six pictures the game carries, each drawn from nothing but code and fonts.
#pragma once

#include "formats/png.hpp"
#include "tools/artgen/cell.hpp"
#include "tools/artgen/text.hpp"

namespace artgen {

// 430 x 565: the logo, the two instructions and the date on grey paper.
qv::Picture make_title(Typesetter& type);
// 640 x 480: every sprite on white in its atlas rectangle, and its mask.
Sheet make_sprite_sheet(Typesetter& type);
// 300 x 300: the staff roll in green on white, and its mask.
Sheet make_staff(Typesetter& type);
// size x size with alpha: the icon (64 for the window, 192 and 512 for the web page).
qv::Picture make_icon(Typesetter& type, int32_t size);

// The parts of the sprite sheet that are lettering or reused elsewhere.
Cell draw_game_over(Typesetter& type);
Cell draw_boss();
Painter boss_painter();
Painter ship_painter();

}  // namespace artgen
