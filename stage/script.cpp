// The stage clock's script: the template every wave and volley follows, and the order in which
// the blocks run each frame.
#include "record/window.hpp"
#include "stage/blocks.hpp"
#include "stage/stage.hpp"
#include "system/random.hpp"

namespace qv {
namespace stage {
namespace {

void draw(Window& win, const Sprite& sp, int32_t x, int32_t y) {
  Blt_Sprite(win.character.hDC(), win.mask.hDC(), sp.x, sp.y, sp.w, sp.h, win.offPB.hDC(), x, y);
}

void spawn_enemies(GameState& s, const Block& b) {
  for (const Line& line : b.lines) {
    if (line.last < line.first) continue;
    for (s.loop_i = line.first; s.loop_i <= line.last; s.loop_i += 1) {
      const int32_t i = s.loop_i;
      const Int k = s.loop_i - line.first;
      if (line.random_x != 0) {
        // Single precision on purpose: the x values must be the ones the generator's
        // float times the span gives, truncated.
        s.en_x[i] = static_cast<int32_t>(Rnd() * static_cast<float>(line.random_x));
      } else {
        s.en_x[i] = k * line.per.x + line.at.x;
      }
      s.en_y[i] = k * line.per.y + line.at.y;
      s.en_hits[i] = b.hp;
      s.en_size[i] = b.size;
    }
  }
}

// Every bullet is written and armed, and disarmed at once when its enemy is dead: a dead
// enemy fires nothing, but its bullet slots still take the new position and size.
void spawn_bullets(GameState& s, const Block& b) {
  for (s.loop_i = b.first; s.loop_i <= b.last; s.loop_i += 1) {
    const int32_t j = s.loop_i;
    const int32_t k = b.source + (j - b.first) / b.per;
    s.bl_x[j] = s.en_x[k] + b.offset.x;
    s.bl_y[j] = s.en_y[k] + b.offset.y;
    s.bl_on[j] = 1;
    s.bl_size[j] = b.size;
    if (s.en_hits[k] == 0) s.bl_on[j] = 0;
  }
}

// Slot by slot: move it, alive or not, then draw it if alive. Dead slots go on moving unseen.
template <typename Slots>
void follow_up(Window& win, const Block& b, Slots& x, Slots& y, const Slots& alive) {
  GameState& s = win.s;
  const Pattern& p = s.stage_count <= b.motion.until ? b.motion.first : b.motion.then;
  for (s.loop_i = b.first; s.loop_i <= b.last; s.loop_i += 1) {
    const int32_t i = s.loop_i;
    const Step step = p.step[(i - b.first) % p.n];
    x[i] += step.dx;
    y[i] += step.dy;
    if (alive[i] != 0) draw(win, b.sprite, x[i], y[i]);
  }
}

}  // namespace

void Run_Block(Window& win, const Block& b) {
  GameState& s = win.s;
  const int32_t frame = s.stage_count;
  if (frame < b.frames.first || frame > b.frames.last) return;
  if (frame == b.frames.spawn) {
    if (b.kind == Kind::kEnemies) {
      spawn_enemies(s, b);
    } else {
      spawn_bullets(s, b);
    }
    if (b.after_spawn) b.after_spawn(s);
    return;
  }
  if (frame < b.frames.spawn || !b.follow_up) return;
  if (b.kind == Kind::kEnemies) {
    follow_up(win, b, s.en_x, s.en_y, s.en_hits);
  } else {
    follow_up(win, b, s.bl_x, s.bl_y, s.bl_on);
  }
}

}  // namespace stage

// Every block sees what the blocks before it did in the same frame: a volley reads its
// enemies where their wave has just moved them, and later sprites cover earlier ones.
void Stage_Script(Window& win) {
  for (const stage::Block& block : stage::Stage_Waves()) stage::Run_Block(win, block);
  stage::Boss_Block(win);
  stage::Attack_Block(win);
}

}  // namespace qv
