// The blocks of the stage script. Most of the stage is a table: every wave of enemies and every
// volley of enemy bullets follows one template, so a block is a row of numbers, and the few
// blocks that bend the template say how right next to their row. The boss and the ending are
// written out by hand.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <span>

#include "record/game_state.hpp"

namespace qv {

struct Window;

namespace stage {

// A rectangle of the sprite sheet (and of the mask sheet at the same place).
struct Sprite {
  int16_t x, y, w, h;
};

struct Point {
  int16_t x = 0, y = 0;
};

// Pixels a slot moves in one frame.
struct Step {
  int16_t dx = 0, dy = 0;
};

// The step of each slot of a block: slot s takes step[(s - first slot) mod n], so one step
// moves every slot alike, and n steps give the n-th slot of every group its own direction.
struct Pattern {
  int8_t n = 1;
  std::array<Step, 8> step{};

  constexpr Pattern() = default;
  constexpr Pattern(Step s) : step{s} {}  // NOLINT: a single step reads as a pattern
  constexpr Pattern(std::initializer_list<Step> steps) : n(static_cast<int8_t>(steps.size())) {
    int8_t k = 0;
    for (Step s : steps) step[k++] = s;
  }
};

inline constexpr Pattern kStill{Step{0, 0}};

// Movement over the window: `first` up to and including frame `until`, `then` afterwards.
struct Motion {
  Pattern first;
  int32_t until = std::numeric_limits<int32_t>::max();
  Pattern then{};
};

constexpr Motion go(Pattern p) {
  return {p};
}
constexpr Motion go(Pattern p, int32_t until, Pattern then) {
  return {p, until, then};
}

// Frames of a block: it acts only while first <= stage_count <= last; at `spawn` it writes
// its slots, at later frames of the window it moves and draws them, before `spawn` nothing.
struct Frames {
  int32_t first, last, spawn;
};

// No frame of any window: a block with it has no spawn step and moves from its first frame.
inline constexpr int32_t kNoSpawn = 0;

// Enemies first..last spawn on a line: slot i at `at` + (i - first) * `per`. With a
// `random_x` span, x is instead the integer part of Rnd() * span, one draw per slot.
struct Line {
  int8_t first = 0, last = -1;
  Point at{};
  Point per{};
  int16_t random_x = 0;
};

// Bullets first..last of a volley: `per` consecutive bullets from each enemy, starting with
// enemy `source` (so bullet j comes from source + (j - first) / per).
struct Bullets {
  int8_t first, last, source, per;
};

enum class Kind : uint8_t { kEnemies, kBullets };

struct Block {
  const char* label;  // W and the spawn frame, as the stage's designers call the block
  Kind kind;
  Frames frames;
  int8_t first, last;           // the slots of the block
  std::array<Line, 3> lines{};  // enemies: where they spawn
  int8_t source = 0, per = 1;   // bullets: which enemy fires each
  Point offset{};               // bullets: from the enemy's corner
  int16_t hp = 0, size = 0;
  Sprite sprite{};
  Motion motion{};
  bool follow_up = true;
  void (*after_spawn)(GameState&) = nullptr;

  // A volley that only places its bullets; another block flies them.
  constexpr Block without_follow_up() const {
    Block b = *this;
    b.follow_up = false;
    return b;
  }
  // A block whose spawn step ends with a hand-written exception.
  constexpr Block then_on_spawn(void (*hook)(GameState&)) const {
    Block b = *this;
    b.after_spawn = hook;
    return b;
  }
};

constexpr Block wave(const char* label, Frames frames, std::initializer_list<Line> lines,
                     Sprite sprite, int16_t hp, int16_t size, Motion motion) {
  Block b{label, Kind::kEnemies, frames, lines.begin()->first, (lines.end() - 1)->last};
  int8_t k = 0;
  for (const Line& l : lines) b.lines[k++] = l;
  b.hp = hp;
  b.size = size;
  b.sprite = sprite;
  b.motion = motion;
  return b;
}

constexpr Block volley(const char* label, Frames frames, Bullets bullets, Point offset,
                       int16_t size, Sprite sprite, Motion motion) {
  Block b{label, Kind::kBullets, frames, bullets.first, bullets.last};
  b.source = bullets.source;
  b.per = bullets.per;
  b.offset = offset;
  b.size = size;
  b.sprite = sprite;
  b.motion = motion;
  return b;
}

// Bullets that another block placed, flown from the first frame of the window.
constexpr Block flight(const char* label, int32_t first, int32_t last, int8_t first_slot,
                       int8_t last_slot, Sprite sprite, Motion motion) {
  Block b{label, Kind::kBullets, {first, last, kNoSpawn}, first_slot, last_slot};
  b.sprite = sprite;
  b.motion = motion;
  return b;
}

// A row the template can run: a slot's step is taken modulo its pattern's length and a
// bullet's enemy found by dividing by `per`, so neither may be 0. Checked over the whole
// table as it is compiled: a row that breaks it does not build.
constexpr bool runs_safely(const Pattern& p) {
  return p.n >= 1 && p.n <= static_cast<int8_t>(p.step.size());
}
constexpr bool runs_safely(const Block& b) {
  return runs_safely(b.motion.first) && runs_safely(b.motion.then) &&
         (b.kind != Kind::kBullets || b.per >= 1);
}
constexpr bool runs_safely(std::span<const Block> table) {
  for (const Block& b : table)
    if (!runs_safely(b)) return false;
  return true;
}

// The waves and volleys of frames 11 to 2099, in the order the script evaluates them.
std::span<const Block> Stage_Waves();

// One block for the current frame: spawn, or move and draw, or nothing.
void Run_Block(Window& win, const Block& block);

// The boss: placed at 2001, descends, sways and winds the clock back; runs the ending once
// it is dead.
void Boss_Block(Window& win);
// The boss's volleys of swirls, their flight and their drawing.
void Attack_Block(Window& win);
// One frame of the staff roll; the last one ends the program.
void Ending_Step(Window& win);

}  // namespace stage
}  // namespace qv
