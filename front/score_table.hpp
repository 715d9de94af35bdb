// The table of best runs: the best ten credits of each start on the title (Space: two spare
// ships; Left: ten, from -10000), each with how it ended, how far the stage got, when, and the
// recording that proves it. The window keeps the recordings in a folder (desktop/score_folder),
// the page in the browser's storage; the ranking is this one for both.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "game/credits.hpp"
#include "game/verify.hpp"

namespace qv {

struct ScoreEntry {
  CreditStart start = CreditStart::title;  // title or title_ten_ships
  int32_t score = 0;
  CreditEnd how = CreditEnd::over;
  int32_t stage_count = 0;  // the stage clock when the credit ended
  std::string date;         // "2026-12-08 14:03:55", local time
  std::string recording;    // the name of its recording
};

// What a verdict puts in the table: the last credit the recording proves, when its game began on
// the title. Nothing, with the reason in `why`, for a recording that does not verify, a game
// taken over from a replay or practised, or one that proves no such credit. Its date and the
// name of its recording are the keeper's to give.
std::optional<ScoreEntry> proven_entry(const Verdict& verdict, std::string& why);

// Which list a start's credits go to: 0 for Space, 1 for Left with ten ships; nothing for a
// continue or a restart, whose credits belong to the list of their game's start.
std::optional<int> score_list_of(CreditStart start);

class ScoreTable {
 public:
  static constexpr size_t kPlaces = 10;

  // Offers a credit: its place (1 to 10) when it enters its list, nothing when it does not.
  // An entry it pushes out of the list is appended to `left`. Of equal scores the earlier
  // entry ranks first (by date, then by the recording's name), so the table does not depend on
  // the order the entries are offered in.
  std::optional<int> offer(const ScoreEntry& entry, std::vector<ScoreEntry>* left = nullptr);
  // Where a credit would stand, without entering it.
  std::optional<int> place_for(const ScoreEntry& entry) const;
  const std::vector<ScoreEntry>& list(int which) const { return lists_[which]; }
  bool empty() const { return lists_[0].empty() && lists_[1].empty(); }

 private:
  std::vector<ScoreEntry> lists_[2];
};

// A table that holds the text of each entry's recording (the page keeps both in the browser's
// storage). Every entry is kept under a name of its own: an entry offered under a name the
// table holds already (two runs that ended within one second, a name stored twice) gets the
// next free "NAME-2", "NAME-3"..., so that no run takes another's recording.
class RecordedTable {
 public:
  // Its place when it enters, its recording kept under its name (`entry.recording`, made free);
  // the recordings of the entries it pushes out go.
  std::optional<int> offer(ScoreEntry entry, std::string recording);
  const ScoreTable& table() const { return table_; }
  const std::string& recording_of(const std::string& name) const { return recordings_.at(name); }

 private:
  ScoreTable table_;
  std::map<std::string, std::string> recordings_;  // of the entries, by name
};

// The table as lines of text, both lists with their headings: for `quelvaris --scores` and,
// shorter, for the overlay. `with_recordings` adds each entry's recording; `marks`, by the
// name of an entry's recording, what follows that entry (the window's "board 3").
using EntryMarks = std::map<std::string, std::string>;
std::vector<std::string> table_lines(const ScoreTable& table, bool with_recordings,
                                     const EntryMarks& marks = {});

// "RANK 3 (TWO SHIPS)": the notice of a credit that entered the table.
std::string rank_notice(CreditStart start, int place);

}  // namespace qv
