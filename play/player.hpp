// The player's side: the ship, its shots, the shot hit test with the score, and the stars.
// Plain procedures over the game state, which they receive by reference and update in place.
#pragma once

#include "system/checked_int.hpp"

namespace qv {

using EnemyArray = IntArray<20>;
using BulletArray = IntArray<50>;
using ShotGrid = IntGrid<10, 10>;
using StarArray = IntArray<100>;

// Polls the arrow keys, moves the ship, tests it against bullets and enemies, and draws the
// ship and the life icons.
void Move_Player(Int& key_left, Int& key_up, Int& key_right, Int& key_down, Int& px, Int& py,
                 int32_t hdc_character, int32_t hdc_mask, int32_t hdc_back, EnemyArray& en_hits,
                 EnemyArray& en_x, EnemyArray& en_y, EnemyArray& en_size, BulletArray& bl_x,
                 BulletArray& bl_y, BulletArray& bl_on, BulletArray& bl_size, Int& tick, Int& lives,
                 Int& safe_count);

// Tests every shot against every enemy; each hit costs the enemy one hit and scores 100.
void Hit_Enemies(EnemyArray& en_x, EnemyArray& en_y, EnemyArray& en_size, EnemyArray& en_hits,
                 Int& loop_i, ShotGrid& sh_x, ShotGrid& sh_y, ShotGrid& sh_on, Int& tick,
                 Int& score);

// Polls Space, fires a volley when the wait allows, moves every shot up and draws the live ones.
void Fire_Shots(Int& key_space, Int& sh_wait, Int& sh_next, ShotGrid& sh_x, ShotGrid& sh_y,
                ShotGrid& sh_on, Int& tick, Int& px, Int& py, int32_t hdc_character,
                int32_t hdc_mask, int32_t hdc_back);

// Starts a star every third call, moves every star down and copies each as a strip.
void Move_Stars(Int& st_phase, Int& st_next, StarArray& st_x, StarArray& st_y, StarArray& st_c,
                int32_t hdc_character, int32_t hdc_back, Int& loop_i);

}  // namespace qv
