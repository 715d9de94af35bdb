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

// Hands every variable of the record to `visit(name, variable)`, in the record's order: the
// trace writes them by name and the check value hashes them, so neither can miss one.
template <typename Visit>
void for_each_variable(const GameState& s, Visit&& visit) {
  visit("tick", s.tick);
  visit("loop_i", s.loop_i);
  visit("score", s.score);
  visit("over_y", s.over_y);
  visit("roll_y", s.roll_y);
  visit("st_x", s.st_x);
  visit("st_y", s.st_y);
  visit("st_c", s.st_c);
  visit("st_phase", s.st_phase);
  visit("st_next", s.st_next);
  visit("sh_next", s.sh_next);
  visit("sh_wait", s.sh_wait);
  visit("sh_x", s.sh_x);
  visit("sh_y", s.sh_y);
  visit("sh_on", s.sh_on);
  visit("stage_count", s.stage_count);
  visit("en_x", s.en_x);
  visit("en_y", s.en_y);
  visit("en_hits", s.en_hits);
  visit("en_size", s.en_size);
  visit("bl_x", s.bl_x);
  visit("bl_y", s.bl_y);
  visit("bl_on", s.bl_on);
  visit("bl_size", s.bl_size);
  visit("volley_no", s.volley_no);
  visit("volley_count", s.volley_count);
  visit("key_space", s.key_space);
  visit("safe_count", s.safe_count);
  visit("lives", s.lives);
  visit("px", s.px);
  visit("py", s.py);
}

}  // namespace qv
