// The commands that reach an online board (board/), without a window: `quelvaris --register
// NAME` and `quelvaris --submit FILE...` or `--submit --best`. They send only what they are
// asked to, one request at a time, each bounded in time and in the size of its answer.
#pragma once

#include <string>
#include <vector>

#include "desktop/http_client.hpp"
#include "desktop/options.hpp"

namespace qv {

struct BoardPlaces {
  std::string url;          // --board, else the settings' [board] url; may be empty
  std::string account;      // board.ini (board_account_place())
  std::string scores;       // the table's folder, for --best
  std::string data_folder;  // the game's `bgm&se`, to read the table (verifying it)
};

// Asks the board for `name` and keeps its token with the board's address. Exit 0; 2 when the
// board cannot be reached, refuses the name (taken, or no name it allows) or the address is
// bad; 1 when the token cannot be kept.
int register_command(HttpClient& http, const BoardPlaces& places, const std::string& name);

// Sends each recording and waits up to 15 s for each verdict, one line a file on stdout:
// "FILE: run N verified, SCORE, rank R on the two-ship board", "FILE: rejected: REASON" or
// "FILE: run N pending". `best` instead sends the entries of the table of best runs the board
// has not had, and brings the ranks of those it had up to date. Exit 0 when all are verified,
// 1 when any is rejected or still pending, 2 when the board cannot be reached or refuses
// (the line says why and when to try again), or no name is registered there.
int submit_command(HttpClient& http, const BoardPlaces& places,
                   const std::vector<std::string>& files, bool best);

// `--register` or `--submit`, as the command line asks, at the board it or the settings name,
// through the system's HTTP: the exit status.
int board_command(const Options& options, const std::string& data_folder);

}  // namespace qv
