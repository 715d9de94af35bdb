// A window for driving the stage script frame by frame without the rest of the frame tick,
// with a sprite sheet whose every sprite is a solid block of its own colour, so that a test
// can tell from the back buffer what was drawn where, whatever the real pictures look like.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>

#include "record/window.hpp"
#include "sim/simulator.hpp"
#include "stage/stage.hpp"

namespace qv::testing {

struct Rect {
  int32_t x, y, w, h;
};

// The sheet rectangles the stage draws, each painted in its own colour.
struct Painted {
  Rect rect;
  uint32_t colour;
};
inline constexpr Painted kCreature{{0, 70, 40, 40}, 0x010101};
inline constexpr Painted kBall{{40, 70, 10, 10}, 0x020202};
inline constexpr Painted kGlobe{{0, 110, 60, 60}, 0x030303};
inline constexpr Painted kDroplet{{60, 110, 10, 20}, 0x040404};
inline constexpr Painted kPod{{0, 170, 50, 50}, 0x050505};
inline constexpr Painted kBlob{{50, 170, 20, 20}, 0x060606};
inline constexpr Painted kLattice{{0, 220, 40, 40}, 0x070707};
inline constexpr Painted kRinged{{40, 220, 20, 20}, 0x080808};
inline constexpr Painted kEye{{0, 260, 80, 80}, 0x090909};
inline constexpr Painted kLargeBall{{80, 260, 30, 30}, 0x0A0A0A};
inline constexpr Painted kBoss{{140, 0, 460, 260}, 0x0B0B0B};
inline constexpr Painted kSwirl{{600, 0, 20, 30}, 0x0C0C0C};
inline constexpr Painted kStaffRoll{{0, 0, 270, 160}, 0x0D0D0D};  // on the staff-roll picture

inline void paint(Surface& sheet, Surface& mask, const Painted& p) {
  for (int32_t y = p.rect.y; y < p.rect.y + p.rect.h; ++y) {
    for (int32_t x = p.rect.x; x < p.rect.x + p.rect.w; ++x) {
      sheet.at(x, y) = p.colour;
      mask.at(x, y) = kWhite;
    }
  }
}

// Drawn only into `offPB`, which starts each frame black.
struct StageRig {
  VirtualClock clock;
  Window win{clock};
  GameState& s = win.s;

  StageRig() {
    for (Surface* sheet : {&win.character, &win.slmain})
      sheet->pixels().assign(sheet->pixels().size(), kWhite);
    for (Surface* mask : {&win.mask, &win.slmask})
      mask->pixels().assign(mask->pixels().size(), kBlack);
    for (const Painted& p : {kCreature, kBall, kGlobe, kDroplet, kPod, kBlob, kLattice, kRinged,
                             kEye, kLargeBall, kBoss, kSwirl}) {
      paint(win.character, win.mask, p);
    }
    paint(win.slmain, win.slmask, kStaffRoll);
  }

  // One frame of the script, as the frame tick runs it, on a cleared back buffer.
  void frame() {
    win.offPB.Cls();
    s.stage_count += 1;
    Stage_Script(win);
  }
  void frames(int32_t n) {
    for (int32_t k = 0; k < n; ++k) frame();
  }
  // Runs frames until the clock shows `last`.
  void run_to(int32_t last) {
    while (s.stage_count < last) frame();
  }

  // Pixels of the back buffer in this colour.
  int32_t count(const Painted& p) const {
    int32_t n = 0;
    for (uint32_t px : win.offPB.pixels()) n += px == p.colour;
    return n;
  }
  bool blank() const {
    for (uint32_t px : win.offPB.pixels()) {
      if (px != kBlack) return false;
    }
    return true;
  }
  // Whether a whole sprite of this colour shows with its top-left corner at (x, y) (the
  // parts of it on the surface, that is).
  bool drawn_at(const Painted& p, int32_t x, int32_t y) const {
    const Surface& b = win.offPB;
    int32_t seen = 0;
    for (int32_t yy = std::max(y, 0); yy < std::min(y + p.rect.h, b.height()); ++yy) {
      for (int32_t xx = std::max(x, 0); xx < std::min(x + p.rect.w, b.width()); ++xx) {
        if (b.at(xx, yy) != p.colour) return false;
        ++seen;
      }
    }
    return seen > 0;
  }
  int32_t visible_area(const Painted& p, int32_t x, int32_t y) const {
    int32_t w = std::min(x + p.rect.w, kPlayWidth) - std::max(x, 0);
    int32_t h = std::min(y + p.rect.h, kPlayHeight) - std::max(y, 0);
    return w > 0 && h > 0 ? w * h : 0;
  }
};

}  // namespace qv::testing
