// The shot hit test: every shot against every enemy, one hit point and 100 points per hit.
#include "system/media_files.hpp"
#include "system/sound.hpp"
#include "play/player.hpp"

namespace qv {
namespace {

constexpr int32_t kShotSlots = 10;
constexpr int32_t kShotHeight = 20;
constexpr int32_t kHitScore = 100;

// A shot is probed through two columns of its flame drop, over its full height: the whole
// drop must be inside the enemy's square, and on screen, for the hit to count.
struct Probe {
  int32_t gun;
  int32_t column;  // offset from the shot's left edge
};
constexpr Probe kProbes[] = {{0, 5}, {0, 15}, {1, 5}, {1, 15}};

bool probe_hits(Int en_x, Int en_y, Int en_size, Int en_hits, Int column, Int sh_y, Int sh_on) {
  Int en_right = en_x + en_size;
  Int en_bottom = en_y + en_size;
  Int shot_bottom = sh_y + kShotHeight;
  bool across = en_x < column && column < en_right;
  bool within = en_y < sh_y && shot_bottom < en_bottom;
  return across && within && en_hits != 0 && sh_on != 0 && sh_y > 0;
}

}  // namespace

void Hit_Enemies(EnemyArray& en_x, EnemyArray& en_y, EnemyArray& en_size, EnemyArray& en_hits,
                 Int& loop_i, ShotGrid& sh_x, ShotGrid& sh_y, ShotGrid& sh_on, Int& tick,
                 Int& score) {
  for (tick = 0; tick <= kShotSlots; tick += 1) {
    for (loop_i = 0; loop_i <= EnemyArray::upper; loop_i += 1) {
      // A spent shot fails every later probe, so each shot hits at most one enemy: the one
      // with the lowest slot among those it is inside.
      for (const Probe& p : kProbes) {
        Int column = sh_x(p.gun, tick) + p.column;
        if (!probe_hits(en_x[loop_i], en_y[loop_i], en_size[loop_i], en_hits[loop_i], column,
                        sh_y(p.gun, tick), sh_on(p.gun, tick))) {
          continue;
        }
        en_hits[loop_i] -= 1;
        sh_on(p.gun, tick) -= 1;
        score += kHitScore;
        Play_Se(media_files::kHitSound, 1);
      }
    }
  }
}

}  // namespace qv
