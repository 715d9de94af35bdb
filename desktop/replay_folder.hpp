// The folder every game is recorded to on its own: $XDG_STATE_HOME/quelvaris/replays/ (by
// default ~/.local/state/quelvaris/replays/), one file a game named by its date and time, the
// newest few kept; practice games in a folder of their own inside it.
#pragma once

#include <compare>
#include <optional>
#include <string>

namespace qv {

// The folder, made if missing; empty when there is no home to put it in or it cannot be made
// (a home nobody may write keeps no recordings, and is not nagged about it).
std::string replay_folder();
// The folder practice games are recorded to, apart from the games played: replays/practice/,
// made if missing, kept to the same number of games, so that practising (R starts a new
// practice game each time) never pushes a real game out of the replay folder. Empty as
// replay_folder() is.
std::string practice_folder();
// The folder of the table of best runs: $XDG_DATA_HOME/quelvaris/scores/ (by default
// ~/.local/share/quelvaris/scores/), made if missing; empty as replay_folder() is.
std::string scores_folder();
// A new file name in the folder for a game starting now: "2026-12-08_14-03-55.keys".
std::string new_replay_path(const std::string& folder);
// When the game of a file the folder holds began, read from its name; nothing for a name the
// game does not give.
struct ReplayBegan {
  std::string stamp;  // "2026-12-08_14-03-55"
  int game = 1;       // within that second: 1, or the name's "-2" and on
  auto operator<=>(const ReplayBegan&) const = default;
};
std::optional<ReplayBegan> replay_began(const std::string& file_name);
// Deletes the recordings of the games that began first until at most `keep` are left. Files
// of other names are the player's and are left alone.
void prune_replays(const std::string& folder, int keep);

}  // namespace qv
