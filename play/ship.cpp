// The player's ship: arrow keys, movement inside the play area, the two hit tests that cost a
// ship, and the ship with its row of life icons.
#include "system/keys.hpp"
#include "system/media_files.hpp"
#include "system/sound.hpp"
#include "system/surface.hpp"
#include "play/player.hpp"

namespace qv {
namespace {

constexpr int32_t kStep = 5;
constexpr int32_t kMaxX = 370;       // 370 + 60 = 430, the right edge of the play area
constexpr int32_t kMaxY = 500;       // the bottom 5 rows of the ship may hang below the edge
constexpr int32_t kSafeFrames = 50;  // after start-up and after each hit nothing can hit

// The ship is only vulnerable in an inner box; the gun pods and the tail are not.
constexpr int32_t kBandTop = 10, kBandBottom = 60;
constexpr int32_t kBulletBandLeft = 15, kBulletBandRight = 45;
constexpr int32_t kEnemyBandLeft = 20, kEnemyBandRight = 40;

// The hit test probes edges, not areas: the object's bottom edge must lie strictly inside the
// vertical band and its left or right edge strictly inside the horizontal one. Something that
// straddles the band, or reaches below it, passes through; players learn to live with that.
struct Band {
  int32_t left, right, top, bottom;
};

bool edges_in_band(Int x, Int y, Int size, const Band& band) {
  Int bottom = y + size;
  Int right = x + size;
  bool bottom_in = band.top < bottom && bottom < band.bottom;
  bool left_in = band.left < x && x < band.right;
  bool right_in = band.left < right && right < band.right;
  return bottom_in && (left_in || right_in);
}

Band ship_band(Int px, Int py, int32_t left, int32_t right) {
  return {px + left, px + right, py + kBandTop, py + kBandBottom};
}

void read_arrows(Int& key_left, Int& key_up, Int& key_right, Int& key_down) {
  key_left = GetAsyncKeyState(VK_LEFT);
  key_up = GetAsyncKeyState(VK_UP);
  key_right = GetAsyncKeyState(VK_RIGHT);
  key_down = GetAsyncKeyState(VK_DOWN);
}

// Each step sees where the one before left the ship, so Left and Right together push the
// ship off the left edge by one step and otherwise cancel.
void steer(Int key_left, Int key_up, Int key_right, Int key_down, Int& px, Int& py) {
  if (key_left != 0 && px > 0) px -= kStep;
  if (key_up != 0 && py > 0) py -= kStep;
  if (key_right != 0 && px < kMaxX) px += kStep;
  if (key_down != 0 && py < kMaxY) py += kStep;
}

void lose_ship(Int& lives, Int& safe_count) {
  lives -= 1;
  safe_count = 0;
  Play_Se(media_files::kShipHitSound, 1);
}

}  // namespace

void Move_Player(Int& key_left, Int& key_up, Int& key_right, Int& key_down, Int& px, Int& py,
                 int32_t hdc_character, int32_t hdc_mask, int32_t hdc_back, EnemyArray& en_hits,
                 EnemyArray& en_x, EnemyArray& en_y, EnemyArray& en_size, BulletArray& bl_x,
                 BulletArray& bl_y, BulletArray& bl_on, BulletArray& bl_size, Int& tick, Int& lives,
                 Int& safe_count) {
  read_arrows(key_left, key_up, key_right, key_down);
  steer(key_left, key_up, key_right, key_down, px, py);

  safe_count.saturating_add(1);
  if (safe_count > kSafeFrames) {
    // One bullet and one enemy may each cost a ship in the same frame.
    Band bullet_band = ship_band(px, py, kBulletBandLeft, kBulletBandRight);
    for (tick = 0; tick <= BulletArray::upper; tick += 1) {
      bool hit = edges_in_band(bl_x[tick], bl_y[tick], bl_size[tick], bullet_band);
      if (hit && bl_on[tick] != 0) {
        lose_ship(lives, safe_count);
        break;
      }
    }
    Band enemy_band = ship_band(px, py, kEnemyBandLeft, kEnemyBandRight);
    for (tick = 0; tick <= EnemyArray::upper; tick += 1) {
      bool hit = edges_in_band(en_x[tick], en_y[tick], en_size[tick], enemy_band);
      if (hit && en_hits[tick] != 0) {
        lose_ship(lives, safe_count);
        break;
      }
    }
  }

  if (lives > -1) Blt_Sprite(hdc_character, hdc_mask, 0, 0, 60, 70, hdc_back, px, py);
  // One icon per ship left, the one in play included.
  const int32_t last_icon = lives;
  for (tick = 0; tick <= last_icon; tick += 1) {
    Blt_Sprite(hdc_character, hdc_mask, 610, 460, 30, 20, hdc_back, tick * 30, 545);
  }
}

}  // namespace qv
