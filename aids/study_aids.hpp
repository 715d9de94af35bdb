// Aids for players who study a game: the five game keys as held in the step shown, and the
// points and rectangles the hit tests use, drawn over a copy of the picture that is shown. They
// only read the game state, and never touch the game's own surfaces: a game looks the same to
// itself, its trace and its check values, with them or without them.
#pragma once

#include <cstdint>

#include "game/game.hpp"
#include "record/game_state.hpp"

namespace qv {

// What the player asked to see. The host holds it; the settings and the keys K and H set it.
struct StudyAids {
  bool show_keys = false;
  bool show_hit_areas = false;
};

// A copy of the picture to draw on: 0x00RRGGBB pixels, `width` x `height`, rows `stride`
// apart, with the play surface's top-left corner at (`left`, `top`). Nothing is drawn outside
// the play surface or the picture.
struct AidCanvas {
  uint32_t* pixels = nullptr;
  int width = 0, height = 0, stride = 0;
  int left = 0, top = 0;
};

// The colours say who can hit whom: the ship's shots and what they hit; enemies and the
// ship's band they are tested against; bullets and theirs.
constexpr uint32_t kShotsHitColour = 0x40E0FF;
constexpr uint32_t kEnemyHitsColour = 0xFF4040;
constexpr uint32_t kBulletHitsColour = 0xFFD020;

// The keys lit for a step: held as it began, or tapped within it.
inline uint8_t lit_keys(StepKeys keys) {
  return static_cast<uint8_t>(keys.held | keys.went_down);
}

// Where the panel of keys stands on the play surface (the top-right corner, clear of the
// score label and the life icons at the bottom), and its size.
constexpr int kKeysPanelWidth = 78;
constexpr int kKeysPanelHeight = 34;
constexpr int kKeysPanelX = 430 - 4 - kKeysPanelWidth;  // the play surface is 430 wide
constexpr int kKeysPanelY = 4;

// The five game keys as a small keyboard: Space, and the arrows in their usual T; the keys in
// `lit` (GameKey bits: held in the step, or tapped within it) lit.
void draw_keys_panel(uint8_t lit, const AidCanvas& canvas);

// Every point and rectangle the next frame's hit tests probe, where they stand now, while the
// ship is in play: the ship's two bands (dimmed while it cannot be hit), the probe columns of
// its live shots, every live enemy's square (the boss's too) and its two bottom corners, and
// the two bottom corners of every bullet in flight. The bands' edges themselves lie outside
// them: every test is strict.
void draw_hit_areas(const GameState& s, const AidCanvas& canvas);

// What `aids` asks for: the hit areas, then the keys over them.
void draw_study_aids(const StudyAids& aids, const GameState& s, uint8_t lit_keys,
                     const AidCanvas& canvas);

}  // namespace qv
