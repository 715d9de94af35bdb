// The desktop host: the game in its SDL window, its steps paced by the real clock.
#pragma once

#include <string>

#include "desktop/options.hpp"

namespace qv {

// Runs the game until the window is closed or the program ends itself; the exit status.
int run_game(const Options& options);
// The folder that holds the game's `bgm&se`: where the installed game put it, or else beside
// the program or in the working folder (system/data_folder.hpp).
std::string game_data_folder();

}  // namespace qv
