// The game window `win`: its surfaces, the score label, the three timers and the game state.
// Its event handlers are the game's (game/handlers.hpp); the stage works on it too.
#pragma once

#include <string>

#include "record/game_state.hpp"
#include "record/timer.hpp"
#include "system/surface.hpp"

namespace qv {

constexpr int32_t kPlayWidth = 430;
constexpr int32_t kPlayHeight = 565;

struct Window {
  explicit Window(const Clock& clock);

  Surface onPB{kPlayWidth, kPlayHeight};           // the play surface, shown on screen
  Surface offPB{kPlayWidth, kPlayHeight, kBlack};  // the back buffer
  Surface character{640, 480};                     // the sprite sheet
  Surface mask{640, 480};                          // its mask sheet
  Surface slmain{300, 300};                        // the staff roll
  Surface slmask{300, 300};                        // its mask
  std::string score1;                              // the score label's text

  Timer op;         // title and mode control
  Timer time;       // the frame tick
  Timer Bgm_Check;  // the music watchdog

  GameState s;
};

// Thrown by the end of the staff roll: the program ends at once, nothing after it runs.
struct ProgramEnd {};
[[noreturn]] void End();

}  // namespace qv
