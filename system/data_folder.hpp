// Where the game's music and effects lie: the folder that holds `bgm&se`. An installed game
// finds it from where the program itself lies, so that it never needs to change its working
// folder and every path the player types means what it says; a game run from its build folder
// finds it in the working folder.
#pragma once

#include <string>

namespace qv {

// The first of these that holds `bgm&se`: `installed` (the data folder the program was built
// for, relative to the program's folder or absolute; "" for none), the program's own folder,
// and the working folder, given as "".
std::string find_data_folder(const std::string& installed);

}  // namespace qv
