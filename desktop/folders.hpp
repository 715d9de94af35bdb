// Where the game keeps what is the player's, in each system's own places: the settings file,
// the folder of recordings, that of the table of best runs and the board's token. folders_xdg.cpp is the free
// desktops' side, windows/folders.cpp the Windows side.
#pragma once

#include <filesystem>

namespace qv {

// The folder the recordings go to, not made yet; empty when there is no home to put it in.
std::filesystem::path replay_folder_place();
// The folder of the table of best runs (the recordings that prove it), not made yet; empty as
// replay_folder_place() is.
std::filesystem::path scores_folder_place();
// The file of the player's name and token on an online board (board_account.hpp), beside the
// table's folder; empty as replay_folder_place() is.
std::filesystem::path board_account_place();

}  // namespace qv
