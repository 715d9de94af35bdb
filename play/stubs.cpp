// Placeholders until the player's side is built: they keep the frame tick's shape.
#include "play/player.hpp"

namespace qv {

void Move_Player(Int&, Int&, Int&, Int&, Int&, Int&, int32_t, int32_t, int32_t, EnemyArray&,
                 EnemyArray&, EnemyArray&, EnemyArray&, BulletArray&, BulletArray&, BulletArray&,
                 BulletArray&, Int&, Int&, Int&) {}
void Hit_Enemies(EnemyArray&, EnemyArray&, EnemyArray&, EnemyArray&, Int&, ShotGrid&, ShotGrid&,
                 ShotGrid&, Int&, Int&) {}
void Fire_Shots(Int&, Int&, Int&, ShotGrid&, ShotGrid&, ShotGrid&, Int&, Int&, Int&, int32_t,
                int32_t, int32_t) {}
void Move_Stars(Int&, Int&, StarArray&, StarArray&, StarArray&, int32_t, int32_t, Int&) {}

}  // namespace qv
