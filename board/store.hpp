// The board's statements over its tables: players and their tokens, runs and their
// recordings, the ranking. Each call runs on the connection it is given.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "board/database.hpp"
#include "board/names.hpp"
#include "board/run_verdict.hpp"
#include "board/submission.hpp"

namespace qv::board {

struct Player {
  int64_t id = 0;
  std::string name;
};

// A new player with a fresh token; nothing when the name is taken.
std::optional<std::string> add_player(Connection& db, const PlayerName& name);
std::optional<Player> player_of_token(Connection& db, const std::string& token);
void delete_player(Connection& db, int64_t player);

// Stores a submission as pending, with its check values, and commits it: its id, or nothing
// when the same game (seed and keys) was submitted before.
std::optional<int64_t> add_run(Connection& db, int64_t player, const std::string& recording,
                               const Submission& s);

struct RunInfo {
  int64_t id = 0;
  std::string status, player, game, submitted;
  std::optional<std::string> reason, start, ending, verified, stale_reason;
  std::optional<int64_t> score, steps, seed;
  std::optional<int64_t> rank;  // on the board of its start, when it is its player's best there
};
std::optional<RunInfo> run_info(Connection& db, int64_t id);
std::optional<std::string> run_recording(Connection& db, int64_t id);

struct BoardRow {
  int64_t rank = 0, id = 0, score = 0, steps = 0, seed = 0;
  std::string player, ending, submitted;
};
// Each player's best verified run of the start, ranked as the game's table ranks: higher
// scores first, of equal scores the older. The ranks are of the whole board, whatever the
// offset.
std::vector<BoardRow> board(Connection& db, const std::string& start, int64_t limit,
                            int64_t offset);

// Counts by status, and how many wait.
std::vector<std::pair<std::string, int64_t>> runs_by_status(Connection& db);

}  // namespace qv::board
