// Where the game keeps what is the player's, in each system's own places: the settings file
// and the folder of recordings. folders_xdg.cpp is the free desktops' side, windows/folders.cpp
// the Windows side.
#pragma once

#include <filesystem>

namespace qv {

// The folder the recordings go to, not made yet; empty when there is no home to put it in.
std::filesystem::path replay_folder_place();

}  // namespace qv
