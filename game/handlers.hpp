// The game window's event handlers. The hosts (the window, the page and the simulator) create
// the window and deliver its events one at a time, by the one rule of game/game.hpp.
#pragma once

#include <cstdint>

#include "record/window.hpp"

namespace qv {

void Form_Load(Window& win, uint32_t seed);
void Form_Unload(Window& win);
void op_Timer(Window& win);         // title and mode control
void time_Timer(Window& win);       // the frame tick
void Bgm_Check_Timer(Window& win);  // the music watchdog

}  // namespace qv
