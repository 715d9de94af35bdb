// The commands that answer without a window, a display or a sound device: `quelvaris --verify
// FILE...` (as quelvaris-sim --verify) and `quelvaris --scores`.
#pragma once

#include <string>
#include <vector>

namespace qv {

// One line a recording on stdout; exit 0 when all verify, 1 when any proves less than it
// claims, 2 when any cannot be read, is malformed or of a newer format.
// `data_folder` holds the game's `bgm&se` (see game_data_folder()).
int verify_command(const std::vector<std::string>& files, const std::string& data_folder);
// The table of best runs on stdout, with each entry's recording in the scores folder; the
// recordings left out are warned of on stderr. Exit 0, or 1 when there is no folder for it.
int scores_command(const std::string& data_folder);

}  // namespace qv
