// The player's name on an online board: the board's address, the name, the token the board
// gave for it, and which entries of the table of best runs it has had (with their run and their
// last known rank there). Kept in board.ini beside the table (board_account_place()), the
// player's alone (mode 0600), replaced whole on every change. One board at a time: registering
// at another replaces it, so a token never goes to a board that did not give it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace qv {

struct SentRun {
  int64_t id = 0;               // 0: the board had the game already, its run unknown
  std::optional<int64_t> rank;  // on its board, when it is the player's best there
};

struct BoardAccount {
  std::string url;  // as board_url() gives it
  std::string name, token;
  std::map<std::string, SentRun> sent;  // by the name of its recording in the table's folder
};

// A board's address as the game keeps and compares it: http:// or https://, a host, no blank
// or control, without the trailing slashes. Nothing, with the reason in `why`, for anything
// else.
std::optional<std::string> board_url(const std::string& text, std::string& why);

// Reads the file. Nothing with an empty `why` when there is none; nothing with the reason when
// it cannot be read or is no file of ours.
std::optional<BoardAccount> load_board_account(const std::string& path, std::string& why);
// Writes it whole, atomically, readable by the player alone; its folder is made if missing.
bool save_board_account(const std::string& path, const BoardAccount& account, std::string& why);

// What the table shows beside an entry the board has had: its rank there ("board 3"), or
// "sent" while it has none.
std::map<std::string, std::string> board_marks(const BoardAccount& account);

}  // namespace qv
