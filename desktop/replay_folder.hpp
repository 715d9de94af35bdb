// The folder every game is recorded to on its own: $XDG_STATE_HOME/quelvaris/replays/ (by
// default ~/.local/state/quelvaris/replays/), one file a game named by its date and time, the
// newest few kept.
#pragma once

#include <string>

namespace qv {

// The folder, made if missing; empty when there is no home to put it in.
std::string replay_folder();
// A new file name in the folder for a game starting now: "2026-12-08_14-03-55.keys".
std::string new_replay_path(const std::string& folder);
// Deletes the oldest recordings until at most `keep` are left.
void prune_replays(const std::string& folder, int keep);

}  // namespace qv
