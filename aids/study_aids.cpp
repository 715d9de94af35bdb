#include "aids/study_aids.hpp"

#include <algorithm>

#include "game/game.hpp"
#include "record/window.hpp"

namespace qv {
namespace {

// The overlay's colours (the replay bar's and the table's): a dark box and white ink; a key
// not held is drawn in the box's colour with dim ink.
constexpr uint32_t kBox = 0x202040, kInk = 0xFFFFFF, kDimEdge = 0x5A5A80, kDimInk = 0x9090B8;

// Puts pixels of the play surface's coordinates onto the canvas, within the play surface.
class Pen {
 public:
  explicit Pen(const AidCanvas& c)
      : c_(c),
        x0_(std::max(0, -c.left)),
        y0_(std::max(0, -c.top)),
        x1_(std::min(kPlayWidth, c.width - c.left)),
        y1_(std::min(kPlayHeight, c.height - c.top)) {}

  void dot(int64_t x, int64_t y, uint32_t colour) const {
    if (x < x0_ || x >= x1_ || y < y0_ || y >= y1_) return;
    c_.pixels[(y + c_.top) * c_.stride + x + c_.left] = colour;
  }
  // Lines along the axes, clipped before they are walked: a position far off the surface
  // costs nothing.
  void across(int64_t xa, int64_t xb, int64_t y, uint32_t colour, bool dashed = false) const {
    if (y < y0_ || y >= y1_) return;
    for (int64_t x = std::max<int64_t>(xa, x0_); x <= std::min<int64_t>(xb, x1_ - 1); ++x)
      if (!dashed || (x + y) % 4 < 2) dot(x, y, colour);
  }
  void down(int64_t x, int64_t ya, int64_t yb, uint32_t colour, bool dashed = false) const {
    if (x < x0_ || x >= x1_) return;
    for (int64_t y = std::max<int64_t>(ya, y0_); y <= std::min<int64_t>(yb, y1_ - 1); ++y)
      if (!dashed || (x + y) % 4 < 2) dot(x, y, colour);
  }
  void outline(int64_t xa, int64_t ya, int64_t xb, int64_t yb, uint32_t colour,
               bool dashed = false) const {
    across(xa, xb, ya, colour, dashed);
    across(xa, xb, yb, colour, dashed);
    down(xa, ya, yb, colour, dashed);
    down(xb, ya, yb, colour, dashed);
  }
  void fill(int64_t xa, int64_t ya, int64_t xb, int64_t yb, uint32_t colour) const {
    for (int64_t y = ya; y <= yb; ++y) across(xa, xb, y, colour);
  }
  // A probe point: a small cross centred on it.
  void cross(int64_t x, int64_t y, uint32_t colour) const {
    across(x - 2, x + 2, y, colour);
    down(x, y - 2, y + 2, colour);
  }

 private:
  const AidCanvas& c_;
  int x0_, y0_, x1_, y1_;
};

// The ship's bands (Move_Player): bullets are probed against the wider, enemies against the
// narrower. Dashed while the ship cannot be hit: the tests run once safe_count passes 50, and
// the next frame counts it up before it tests.
void draw_ship(const GameState& s, const Pen& pen) {
  const int64_t px = s.px, py = s.py;
  const bool safe = s.safe_count < 50;
  pen.outline(px + 15, py + 10, px + 45, py + 60, kBulletHitsColour, safe);
  pen.outline(px + 20, py + 10, px + 40, py + 60, kEnemyHitsColour, safe);
}

// A live shot hits through two columns over its whole height, and only below the top edge.
void draw_shots(const GameState& s, const Pen& pen) {
  for (int32_t n = 0; n <= 10; ++n)
    for (int32_t gun = 0; gun <= 1; ++gun) {
      if (s.sh_on(gun, n) == 0 || s.sh_y(gun, n) <= 0) continue;
      const int64_t x = s.sh_x(gun, n), y = s.sh_y(gun, n);
      pen.down(x + 5, y, y + 20, kShotsHitColour);
      pen.down(x + 15, y, y + 20, kShotsHitColour);
    }
}

// A live enemy's square takes shots; its bottom corners are what hits the ship.
void draw_enemies(const GameState& s, const Pen& pen) {
  for (int32_t i = 0; i <= 20; ++i) {
    if (s.en_hits[i] == 0) continue;
    const int64_t x = s.en_x[i], y = s.en_y[i], side = s.en_size[i];
    pen.outline(x, y, x + side, y + side, kShotsHitColour);
    pen.cross(x, y + side, kEnemyHitsColour);
    pen.cross(x + side, y + side, kEnemyHitsColour);
  }
}

// A bullet in flight hits through its bottom corners alone.
void draw_bullets(const GameState& s, const Pen& pen) {
  for (int32_t j = 0; j <= 50; ++j) {
    if (s.bl_on[j] == 0) continue;
    const int64_t x = s.bl_x[j], y = s.bl_y[j], side = s.bl_size[j];
    pen.cross(x, y + side, kBulletHitsColour);
    pen.cross(x + side, y + side, kBulletHitsColour);
  }
}

// The arrow pointing up, a row a byte with the leftmost column in bit 6; the others are drawn
// from it turned.
constexpr uint8_t kArrowUp[7] = {0x08, 0x1C, 0x3E, 0x7F, 0x1C, 0x1C, 0x1C};

bool arrow_dot(uint8_t key, int col, int row) {
  switch (key) {
    case kKeyUp:
      return kArrowUp[row] & (0x40 >> col);
    case kKeyDown:
      return kArrowUp[6 - row] & (0x40 >> col);
    case kKeyLeft:
      return kArrowUp[col] & (0x40 >> row);
    default:  // right
      return kArrowUp[6 - col] & (0x40 >> row);
  }
}

constexpr int kPad = 3, kCap = 13, kGap = 2, kSpaceWide = 2 * kCap + 1;

void draw_cap(const Pen& pen, int x, int y, int wide, bool lit) {
  pen.fill(x, y, x + wide - 1, y + kCap - 1, lit ? kInk : kBox);
  if (!lit) pen.outline(x, y, x + wide - 1, y + kCap - 1, kDimEdge);
}

void draw_arrow_key(const Pen& pen, uint8_t key, int x, int y, bool lit) {
  draw_cap(pen, x, y, kCap, lit);
  for (int row = 0; row < 7; ++row)
    for (int col = 0; col < 7; ++col)
      if (arrow_dot(key, col, row)) pen.dot(x + 3 + col, y + 3 + row, lit ? kBox : kDimInk);
}

// Space as the sign for a blank: a bracket open upwards.
void draw_space_key(const Pen& pen, int x, int y, bool lit) {
  draw_cap(pen, x, y, kSpaceWide, lit);
  const uint32_t ink = lit ? kBox : kDimInk;
  pen.across(x + 6, x + kSpaceWide - 7, y + 9, ink);
  pen.down(x + 6, y + 6, y + 9, ink);
  pen.down(x + kSpaceWide - 7, y + 6, y + 9, ink);
}

}  // namespace

static_assert(kKeysPanelWidth == 2 * kPad + kSpaceWide + 3 * kCap + 3 * kGap);
static_assert(kKeysPanelHeight == 2 * kPad + 2 * kCap + kGap);

void draw_keys_panel(uint8_t lit, const AidCanvas& canvas) {
  const Pen pen(canvas);
  const int x = kKeysPanelX, y = kKeysPanelY;
  pen.fill(x, y, x + kKeysPanelWidth - 1, y + kKeysPanelHeight - 1, kBox);
  const int top = y + kPad, low = top + kCap + kGap;
  const int arrows = x + kPad + kSpaceWide + kGap;
  draw_space_key(pen, x + kPad, low, lit & kKeySpace);
  draw_arrow_key(pen, kKeyLeft, arrows, low, lit & kKeyLeft);
  draw_arrow_key(pen, kKeyDown, arrows + kCap + kGap, low, lit & kKeyDown);
  draw_arrow_key(pen, kKeyRight, arrows + 2 * (kCap + kGap), low, lit & kKeyRight);
  draw_arrow_key(pen, kKeyUp, arrows + kCap + kGap, top, lit & kKeyUp);
}

void draw_hit_areas(const GameState& s, const AidCanvas& canvas) {
  // The hit tests run only while the ship is in play in a game under way.
  if (s.stage_count == 0 || s.lives < 0) return;
  const Pen pen(canvas);
  draw_enemies(s, pen);
  draw_bullets(s, pen);
  draw_shots(s, pen);
  draw_ship(s, pen);
}

void draw_study_aids(const StudyAids& aids, const GameState& s, uint8_t lit_keys,
                     const AidCanvas& canvas) {
  if (aids.show_hit_areas) draw_hit_areas(s, canvas);
  if (aids.show_keys) draw_keys_panel(lit_keys, canvas);
}

}  // namespace qv
