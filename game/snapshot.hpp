// Snapshots of the whole game, for replays that jump: everything a later step depends on or
// the check value covers (the state record, the surfaces, the score label, the timers, the key
// state, the random generator, the sequencer, the step and the keys given so far), taken as a
// replay goes and put back in place of the game as it stands.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "game/game.hpp"

namespace qv {

class GameSnapshot {
 public:
  // Takes the game as it stands. A surface whose pixels equal those of `before` (a snapshot
  // of the same game) is shared with it rather than copied: most of them never change.
  void take(const Game& game, const GameSnapshot* before = nullptr);
  // Takes everything but the pixels, which the game's logic never reads: what running a step
  // again needs. Taken into a snapshot that held them before, allocates nothing.
  void take_values(const Game& game);
  // Puts the game back as it was taken; allocates nothing. The surfaces are not shown again:
  // the host does that. A snapshot of the values leaves the pixels as they are.
  void restore(Game& game) const;

  int64_t step() const { return step_; }
  bool taken() const { return taken_; }
  // The memory it holds of its own, surfaces shared with another snapshot counted once there.
  size_t own_bytes() const { return own_bytes_; }

 private:
  using Pixels = std::shared_ptr<const std::vector<uint32_t>>;
  static constexpr size_t kSurfaces = 6;

  bool taken_ = false;
  int64_t step_ = 0;
  bool ended_ = false;
  Fnv1a64 keys_seen_;
  uint8_t held_before_ = 0;
  GameState state_;
  std::string score1_;
  std::optional<Timer> op_, time_, bgm_check_;
  Keyboard keyboard_;
  RandomSource random_;
  Media::Sequencer sequencer_;
  std::array<Pixels, kSurfaces> surfaces_;
  size_t own_bytes_ = 0;
};

}  // namespace qv
