// The player's shots: a two-gun volley every sixth frame while Space is held, flying straight
// up through a ring of ten slots.
#include "system/keys.hpp"
#include "system/surface.hpp"
#include "play/player.hpp"

namespace qv {
namespace {

constexpr int32_t kVolleyWait = 5;  // a volley once the wait has passed this: every 6 frames
constexpr int32_t kRingSize = 10;   // slots 1 to 10; slot 0 is moved along but never filled
constexpr int32_t kShotSpeed = 15;
constexpr int32_t kLeftGun = 0, kRightGun = 1;
constexpr int32_t kLeftGunX = 10, kRightGunX = 30;

void fire_volley(Int& sh_wait, Int& sh_next, ShotGrid& sh_x, ShotGrid& sh_y, ShotGrid& sh_on,
                 Int px, Int py) {
  if (sh_next == kRingSize) sh_next = 0;
  sh_wait = 0;
  sh_next += 1;
  // A volley takes its slot whatever is there; by now the old shots are far above the screen.
  sh_x(kLeftGun, sh_next) = px + kLeftGunX;
  sh_y(kLeftGun, sh_next) = py;
  sh_on(kLeftGun, sh_next) = 1;
  sh_x(kRightGun, sh_next) = px + kRightGunX;
  sh_y(kRightGun, sh_next) = py;
  sh_on(kRightGun, sh_next) = 1;
}

void draw_if_live(const ShotGrid& sh_x, const ShotGrid& sh_y, const ShotGrid& sh_on, int32_t gun,
                  int32_t slot, int32_t hdc_character, int32_t hdc_mask, int32_t hdc_back) {
  if (sh_on(gun, slot) == 0) return;
  Blt_Sprite(hdc_character, hdc_mask, 60, 0, 20, 20, hdc_back, sh_x(gun, slot), sh_y(gun, slot));
}

}  // namespace

void Fire_Shots(Int& key_space, Int& sh_wait, Int& sh_next, ShotGrid& sh_x, ShotGrid& sh_y,
                ShotGrid& sh_on, Int& tick, Int& px, Int& py, int32_t hdc_character,
                int32_t hdc_mask, int32_t hdc_back) {
  key_space = GetAsyncKeyState(VK_SPACE);
  // The wait runs on while Space is up, so the first press after a pause fires at once.
  sh_wait.saturating_add(1);
  if (key_space != 0 && sh_wait > kVolleyWait) {
    fire_volley(sh_wait, sh_next, sh_x, sh_y, sh_on, px, py);
  }
  // Spent and long-gone shots keep rising; slot 0 rises for ever.
  for (tick = 0; tick <= kRingSize; tick += 1) {
    sh_y(kLeftGun, tick).saturating_add(-kShotSpeed);
    sh_y(kRightGun, tick).saturating_add(-kShotSpeed);
    draw_if_live(sh_x, sh_y, sh_on, kLeftGun, tick, hdc_character, hdc_mask, hdc_back);
    draw_if_live(sh_x, sh_y, sh_on, kRightGun, tick, hdc_character, hdc_mask, hdc_back);
  }
}

}  // namespace qv
