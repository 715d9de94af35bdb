// The scale arithmetic of the window: every game pixel an N x N block, N a whole number, the
// picture centred in whatever the window or the screen offers.
#pragma once

namespace qv {

struct Area {
  int w = 0, h = 0;
};

struct Placement {
  int x = 0, y = 0, w = 0, h = 0;  // the picture's rectangle in the window
  int scale = 1;
};

// The largest whole scale at which `picture` fits into `room` (at least 1).
int largest_scale_within(Area picture, Area room);

// The scale a window starts at without a chosen one: the largest that fits 85 % of the usable
// desktop both ways.
int automatic_scale(Area picture, Area usable_desktop);

// The picture at the largest whole scale that fits `window`, centred.
Placement place(Area picture, Area window);

}  // namespace qv
