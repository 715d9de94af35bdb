// Title and mode control, the handler of `op`: it runs while the title picture is shown and
// again while the game-over screen waits, and it is the only code that starts a game.
#include "game/handlers.hpp"
#include "system/keys.hpp"
#include "system/media_files.hpp"
#include "system/sound.hpp"

namespace qv {
namespace {

constexpr int32_t kKeyDelayTicks = 100;  // keys count only once `tick` is above this

void begin_play(Window& win) {
  win.time.set_Interval(10);
  win.op.set_Interval(0);
  win.s.px = 190;
  win.s.py = 420;
}

void start_game(Window& win, int32_t lives, bool ten_ship_score) {
  begin_play(win);
  win.s.lives = lives;
  if (ten_ship_score) win.s.score = -10000;
  Play_Se(media_files::kStartSound, 1);
  Play_Bgm(media_files::kStageTune);
  win.Bgm_Check.set_Enabled(true);
}

// Continue keeps the stage clock, so the script goes on where it stands.
void continue_game(Window& win) {
  begin_play(win);
  win.s.lives = 2;
  win.s.score = 0;
  win.s.over_y = 0;
}

}  // namespace

void op_Timer(Window& win) {
  GameState& s = win.s;
  Int key_left, key_up, key_right, key_down;
  s.tick.saturating_add(1);
  Read_Keys(s.key_space, key_left, key_up, key_right, key_down);
  bool keys_live = s.tick > kKeyDelayTicks;

  // Every test runs, each on the state the ones before it left.
  if (s.key_space != 0 && keys_live && s.stage_count == 0) start_game(win, 2, false);
  if (key_left != 0 && keys_live && s.stage_count == 0) start_game(win, 10, true);
  if (key_up != 0 && keys_live && s.stage_count != 0) continue_game(win);
  if (key_down != 0 && keys_live && s.stage_count != 0) {
    continue_game(win);
    s.stage_count = 0;
  }
}

}  // namespace qv
