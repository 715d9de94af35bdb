// The keys and pad buttons of a replay being watched (the game's own keys do nothing in a
// replay, so they are free): P, Pause or Esc pause and go on; "." one step forward while paused
// and "," one step back; "-" and "+" (or "=") halve and double the speed, "0" back to 1; Left
// and Right jump 5 s, Down and Up 30 s; Home to the start, End to the end; Enter takes over;
// K shows or hides the keys held, H the hit areas (in a practice too).
// A pad: the shoulder buttons jump 5 s, Start pauses, South takes over. While a jump goes (it
// runs a slice a frame), a jump key sends it elsewhere from where it stands, the pause keys
// stop it there, paused, and Enter takes over there.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "aids/study_aids.hpp"
#include "front/input.hpp"
#include "game/replay_viewer.hpp"

namespace qv {

enum class ReplayCommand : uint8_t {
  none,
  pause,
  step_forward,
  step_back,
  slower,
  faster,
  normal_speed,
  back_short,
  forward_short,
  back_long,
  forward_long,
  home,
  end,
  take_over,
};

ReplayCommand replay_command_of_key(SDL_Keycode key);
ReplayCommand replay_command_of_pad_button(uint8_t button);  // an SDL_GameControllerButton
// A key pressed (not held, nor with Alt) or a pad's button pressed.
ReplayCommand replay_command_of(const SDL_Event& e);

// K or H pressed (not held, nor with Alt or Ctrl), while a replay is watched or a practice
// played: the keys shown, or the hit areas, switched on or off. True when it was one of them.
// `practice`: the player's keys of a practice under way, where a K or H bound to a game key
// plays instead; null while a replay is watched.
bool toggle_study_aid(const SDL_Event& e, StudyAids& aids, const PlayerInput* practice);

// R or a pad's Back, in a practice: the same practice again.
bool is_practise_again(const SDL_Event& e);

// Carries out what the viewer does itself. The pause (the host shows its notice and holds the
// sound) and taking over (where the replay stands, a jump under way stopped there) are the
// host's: those commands come back for it to carry out, every other comes back as none (so is a
// take-over past kLatestTakeOver, which would hold the host for its replay from the start). End
// is a jump to the end: the host ends the replay when it lands there.
ReplayCommand carry_out(ReplayCommand command, ReplayViewer& viewer);

// A pause key while a jump goes: the jump stops where it stands. True when it did: the host
// then sets its pause on rather than toggling it.
bool pause_stops_jump(ReplayCommand command, ReplayViewer& viewer);

}  // namespace qv
