#include "front/score_table.hpp"

#include <algorithm>
#include <cstdio>
#include <tuple>

namespace qv {
namespace {

// Higher scores first; of equal scores the one made first. The recordings the window names
// within one second are "...-55.keys", "...-55-2.keys", "...-55-10.keys": the shorter first.
bool ranks_before(const ScoreEntry& a, const ScoreEntry& b) {
  return std::forward_as_tuple(b.score, a.date, a.recording.size(), a.recording) <
         std::forward_as_tuple(a.score, b.date, b.recording.size(), b.recording);
}

const char* list_heading(int which) {
  return which == 0 ? "Two ships (Space)" : "Ten ships from -10000 (Left)";
}

std::string entry_line(int place, const ScoreEntry& e, bool with_recording) {
  char text[160];
  std::snprintf(text, sizeof text, "%2d. %9d  %-6s  frame %-6d  %s", place, e.score,
                credit_end_name(e.how), e.stage_count, e.date.substr(0, 16).c_str());
  std::string line = text;
  if (with_recording) line += "  " + e.recording;
  return line;
}

}  // namespace

std::optional<ScoreEntry> proven_entry(const Verdict& verdict, std::string& why) {
  std::optional<ProvenCredit> c = ranked_credit(verdict, why);
  if (!c) return std::nullopt;
  ScoreEntry e;
  e.start = *c->game_start;
  e.score = c->line.score;
  e.how = c->line.how;
  e.stage_count = c->stage_count;
  return e;
}

std::optional<int> score_list_of(CreditStart start) {
  if (start == CreditStart::title) return 0;
  if (start == CreditStart::title_ten_ships) return 1;
  return std::nullopt;
}

std::optional<int> ScoreTable::place_for(const ScoreEntry& entry) const {
  std::optional<int> which = score_list_of(entry.start);
  if (!which) return std::nullopt;
  const std::vector<ScoreEntry>& list = lists_[*which];
  auto at = std::upper_bound(list.begin(), list.end(), entry, ranks_before);
  size_t place = static_cast<size_t>(at - list.begin());
  if (place >= kPlaces) return std::nullopt;
  return static_cast<int>(place) + 1;
}

std::optional<int> ScoreTable::offer(const ScoreEntry& entry, std::vector<ScoreEntry>* left) {
  std::optional<int> place = place_for(entry);
  if (!place) {
    if (left && score_list_of(entry.start)) left->push_back(entry);
    return std::nullopt;
  }
  std::vector<ScoreEntry>& list = lists_[*score_list_of(entry.start)];
  list.insert(list.begin() + (*place - 1), entry);
  if (list.size() > kPlaces) {
    if (left) left->push_back(list.back());
    list.pop_back();
  }
  return place;
}

std::optional<int> RecordedTable::offer(ScoreEntry entry, std::string recording) {
  const std::string stem = entry.recording;
  for (int n = 2; recordings_.count(entry.recording); ++n)
    entry.recording = stem + "-" + std::to_string(n);
  std::vector<ScoreEntry> left;
  std::optional<int> place = table_.offer(entry, &left);
  if (place) recordings_[entry.recording] = std::move(recording);
  for (const ScoreEntry& gone : left) recordings_.erase(gone.recording);
  return place;
}

std::vector<std::string> table_lines(const ScoreTable& table, bool with_recordings,
                                     const EntryMarks& marks) {
  std::vector<std::string> lines;
  for (int which = 0; which < 2; ++which) {
    if (which) lines.emplace_back();
    lines.emplace_back(list_heading(which));
    const std::vector<ScoreEntry>& list = table.list(which);
    if (list.empty()) lines.emplace_back("    no runs yet");
    for (size_t i = 0; i < list.size(); ++i) {
      lines.push_back(entry_line(static_cast<int>(i) + 1, list[i], with_recordings));
      auto mark = marks.find(list[i].recording);
      if (mark != marks.end()) lines.back() += "  " + mark->second;
    }
  }
  return lines;
}

std::string rank_notice(CreditStart start, int place) {
  return "Rank " + std::to_string(place) +
         (start == CreditStart::title_ten_ships ? " (ten ships)" : " (two ships)");
}

}  // namespace qv
