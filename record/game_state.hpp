// The one record of game state, owned by the window for its whole life and never saved.
// Every variable starts at 0; the comments say who moves it.
#pragma once

#include "system/checked_int.hpp"

namespace qv {

struct GameState {
  Int tick;    // op ticks on waiting screens; loop index of ship, shots and hits in play
  Int loop_i;  // loop index of the stage script, the hit test's enemy loop and the stars
  Int score;
  Int over_y;  // y of the sliding GameOver picture
  Int roll_y;  // y of the staff roll in the ending

  IntArray<100> st_x{"st_x"}, st_y{"st_y"}, st_c{"st_c"};
  Int st_phase;
  Int st_next;

  Int sh_next;  // shot slot of the last volley, 1 to 10
  Int sh_wait;  // frames since the last volley
  IntGrid<10, 10> sh_x{"sh_x"}, sh_y{"sh_y"}, sh_on{"sh_on"};  // (gun, slot)

  Int stage_count;  // stage clock; 0 means no game under way

  IntArray<20> en_x{"en_x"}, en_y{"en_y"}, en_hits{"en_hits"}, en_size{"en_size"};
  IntArray<50> bl_x{"bl_x"}, bl_y{"bl_y"}, bl_on{"bl_on"}, bl_size{"bl_size"};

  Int volley_no;     // next boss volley within the sway cycle
  Int volley_count;  // boss volleys fired in the first pattern

  Int key_space;   // last Space key state, sign-extended
  Int safe_count;  // frames since the ship was last hit
  Int lives;
  Int px, py;  // ship's top-left corner
};

}  // namespace qv
