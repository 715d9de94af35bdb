// The table of best runs kept as the recordings themselves, one file a credit in the scores
// folder (replay_folder.hpp), each cut just after the score line of the credit it proves. The
// file "index" beside them lists the table with a hash of each recording's bytes, for the
// player and their tools; it is written again whenever the table read differs from it (missing,
// spoilt, edited, or no regular file at all), and never read as proof: every recording is
// verified each time the table is read, so that an index edited along with a recording cannot
// put a false score in it. Every file is read through the system's bounded reader and replaced
// atomically (written beside and renamed over), so a game killed at any moment leaves a table
// that loads; what such a kill leaves beside the files is cleaned up at the next reading.
// Reading and adding take as long as the disk and the verifier do: the window does both on a
// thread of its own (best_runs.hpp).
#pragma once

#include <atomic>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "front/score_table.hpp"
#include "game/credits.hpp"

namespace qv {

class ScoreFolder {
 public:
  // `data_folder` holds the game's `bgm&se`, which verifying needs.
  explicit ScoreFolder(std::string folder, std::string data_folder = {})
      : folder_(std::move(folder)), data_folder_(std::move(data_folder)) {}
  const std::string& folder() const { return folder_; }

  // Reads the table, verifying every recording: a quarter of a second for a whole game, a few
  // seconds at most (the verifier's limits refuse longer or larger ones at once). A recording
  // that does not verify, or proves no credit begun on the title, is left out with one warning
  // naming it (returned, one line each); a recording that does not rank among the ten is
  // deleted. A `stop` that turns true ends the reading between two recordings, leaving the
  // folder untouched and the table empty.
  std::vector<std::string> load(const std::atomic<bool>* stop = nullptr);
  const ScoreTable& table() const { return table_; }

  // A credit begun on the title (`start`) ended as `news` says, in the game whose recording so
  // far is `recording` (ending with the credit's score and check lines): its place when it
  // enters the table. Its recording is written to the folder, and those it pushes out deleted.
  // Nothing when it does not rank or cannot be written (`error` says why then).
  std::optional<int> add(CreditStart start, const CreditNews& news, const std::string& recording,
                         std::string& error);

 private:
  void remove_left(const std::vector<ScoreEntry>& left);
  std::string index_text() const;
  void write_index() const;

  std::string folder_;
  std::string data_folder_;
  ScoreTable table_;
  std::map<std::string, uint64_t> hashes_;  // of the bytes of each recording in the table
};

}  // namespace qv
