// Where a replay stops: the one rule that verifying, taking over, watching and the simulator
// replay a key script by. A recording (a script with a seed) runs up to its close or end line
// or, cut short, up to its last line; a plain key script up to its latest line, or as far as
// its host says (the simulator plays one for 10000 steps). A limit the host is given (the
// simulator's --steps) comes before all that. Wherever the last step is, the replay stops
// sooner when the game ends itself.
#pragma once

#include <cstdint>
#include <optional>

#include "game/game.hpp"
#include "game/key_script.hpp"

namespace qv {

class ReplayStop {
 public:
  explicit ReplayStop(const KeyScript& script, std::optional<int64_t> limit = std::nullopt,
                      std::optional<int64_t> plain_script = std::nullopt);

  // The step after which the replay stops, unless the game ended before it.
  int64_t last_step() const { return last_; }
  // Whether the replay runs another step of `game`, which has run it up to where it stands.
  bool goes_on(const Game& game) const { return !game.ended() && game.current_step() < last_; }

 private:
  int64_t last_;
};

}  // namespace qv
