// The frame tick, the handler of `time`: it composes one frame in the back buffer, runs the
// stage script for the next frame number and shows the result with a single copy.
#include <charconv>

#include "game/handlers.hpp"
#include "play/player.hpp"
#include "stage/stage.hpp"

namespace qv {
namespace {

// The GameOver picture slides in fast and slows down as it nears its resting place.
int32_t game_over_step(int32_t over_y) {
  if (over_y < 50) return 15;
  if (over_y < 100) return 12;
  if (over_y < 150) return 10;
  if (over_y < 200) return 8;
  if (over_y < 250) return 6;
  if (over_y < 300) return 4;
  return 0;
}

void play_frame(Window& win) {
  GameState& s = win.s;
  Int key_left, key_up, key_right, key_down;
  Move_Player(key_left, key_up, key_right, key_down, s.px, s.py, win.character.hDC(),
              win.mask.hDC(), win.offPB.hDC(), s.en_hits, s.en_x, s.en_y, s.en_size, s.bl_x, s.bl_y,
              s.bl_on, s.bl_size, s.tick, s.lives, s.safe_count);
  Hit_Enemies(s.en_x, s.en_y, s.en_size, s.en_hits, s.loop_i, s.sh_x, s.sh_y, s.sh_on, s.tick,
              s.score);
  Fire_Shots(s.key_space, s.sh_wait, s.sh_next, s.sh_x, s.sh_y, s.sh_on, s.tick, s.px, s.py,
             win.character.hDC(), win.mask.hDC(), win.offPB.hDC());
}

void game_over_frame(Window& win) {
  GameState& s = win.s;
  // Once the picture rests, the title and mode control listens for continue and restart.
  if (s.over_y > 300) win.op.set_Interval(10);
  s.over_y += game_over_step(s.over_y);
  Blt_Sprite(win.character.hDC(), win.mask.hDC(), 140, 260, 310, 90, win.offPB.hDC(), 60, s.over_y);
}

void show_score(Window& win) {
  char text[16];
  auto [end, ec] = std::to_chars(text, text + sizeof text, static_cast<int32_t>(win.s.score));
  win.score1.assign(text, end);  // short enough to live inside the string: no allocation
}

}  // namespace

void time_Timer(Window& win) {
  GameState& s = win.s;
  if (s.lives >= 0) {
    play_frame(win);
  } else {
    game_over_frame(win);
  }
  Move_Stars(s.st_phase, s.st_next, s.st_x, s.st_y, s.st_c, win.character.hDC(), win.offPB.hDC(),
             s.loop_i);
  show_score(win);
  s.stage_count += 1;
  Stage_Script(win);
  Blt_Copy(win.offPB.hDC(), 0, 0, kPlayWidth, kPlayHeight, win.onPB.hDC(), 0, 0);
  win.offPB.Cls();
  win.onPB.Refresh();
}

}  // namespace qv
