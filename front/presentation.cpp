#include "front/presentation.hpp"

#include <algorithm>

namespace qv {

int largest_scale_within(Area picture, Area room) {
  if (picture.w <= 0 || picture.h <= 0) return 1;
  return std::max(1, std::min(room.w / picture.w, room.h / picture.h));
}

int automatic_scale(Area picture, Area usable_desktop) {
  // In whole numbers: 85 % of the room, rounded down.
  Area room{static_cast<int>(static_cast<long long>(usable_desktop.w) * 85 / 100),
            static_cast<int>(static_cast<long long>(usable_desktop.h) * 85 / 100)};
  return largest_scale_within(picture, room);
}

Placement place(Area picture, Area window) {
  Placement p;
  p.scale = largest_scale_within(picture, window);
  p.w = picture.w * p.scale;
  p.h = picture.h * p.scale;
  p.x = (window.w - p.w) / 2;
  p.y = (window.h - p.h) / 2;
  return p;
}

}  // namespace qv
