// The desktop host: the game in its SDL window, its steps paced by the real clock.
#pragma once

#include "desktop/options.hpp"

namespace qv {

// Runs the game until the window is closed or the program ends itself; the exit status.
int run_game(const Options& options);

}  // namespace qv
