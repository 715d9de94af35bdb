#include "desktop/score_folder.hpp"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>

#include "desktop/replay_folder.hpp"
#include "game/game_hash.hpp"
#include "game/verify.hpp"
#include "system/platform.hpp"

namespace qv {
namespace {

namespace fs = std::filesystem;

constexpr const char* kIndexName = "index";
constexpr const char* kIndexHead =
    "# quelvaris scores index 1: a listing, made again from the recordings";
// Twenty lines of about a hundred characters; anything far past that is no index of ours.
constexpr size_t kLargestIndex = 64 << 10;

std::string format_date(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

// When the credit of a recording ended: the time its name was given at, or else when the
// file was last written (a recording the player put there under a name of their own).
std::string date_of(const fs::path& file) {
  if (std::optional<ReplayBegan> began = replay_began(utf8_from_path(file.filename()))) {
    std::string date = began->stamp;  // "2026-12-08_14-03-55"
    date[10] = ' ';
    date[13] = date[16] = ':';
    return date;
  }
  std::error_code ec;
  auto written = fs::last_write_time(file, ec);
  if (ec) return "?";
  auto since_epoch = std::chrono::file_clock::to_sys(written);
  return format_date(std::chrono::system_clock::to_time_t(
      std::chrono::time_point_cast<std::chrono::system_clock::duration>(since_epoch)));
}

// NAME HASH two|ten SCORE over|ending FRAME DATE TIME, one line a recording.
std::string index_line(const ScoreEntry& e, uint64_t hash) {
  std::string line = e.recording + " ";
  append_hex(line, hash);
  return line + (e.start == CreditStart::title ? " two " : " ten ") + std::to_string(e.score) +
         " " + credit_end_name(e.how) + " " + std::to_string(e.stage_count) + " " + e.date + "\n";
}

}  // namespace

std::vector<std::string> ScoreFolder::load(const std::atomic<bool>* stop) {
  std::vector<std::string> warnings;
  table_ = ScoreTable();
  hashes_.clear();
  remove_stale_temporaries(folder_);
  fs::path folder = path_from_utf8(folder_);
  // Read only to tell whether it must be written again: a pipe, a device or a huge file there
  // reads as no index, and is replaced.
  std::string indexed_text;
  read_regular_file(utf8_from_path(folder / kIndexName), kLargestIndex, indexed_text);
  std::vector<ScoreEntry> entries;
  std::map<std::string, uint64_t> hashes;
  std::error_code ec;
  for (const fs::directory_entry& file : fs::directory_iterator(folder, ec)) {
    if (stop && *stop) {
      table_ = ScoreTable();
      return {};
    }
    std::string name = utf8_from_path(file.path().filename());
    if (!name.ends_with(".keys") || name.find_first_of(" \t\n") != std::string::npos) continue;
    std::string bytes, why;
    std::optional<ScoreEntry> entry =
        proven_entry(verify_file(utf8_from_path(file.path()), data_folder_, &bytes), why);
    if (!entry) {
      warnings.push_back("the recording " + utf8_from_path(file.path()) +
                         " is left out of the table of best runs: " + why);
      continue;
    }
    entry->recording = name;
    entry->date = date_of(file.path());
    entries.push_back(*entry);
    hashes[name] = hash_of_bytes(bytes);
  }
  hashes_ = std::move(hashes);
  std::vector<ScoreEntry> left;
  for (const ScoreEntry& e : entries) table_.offer(e, &left);
  remove_left(left);
  if (index_text() != indexed_text) write_index();
  return warnings;
}

std::optional<int> ScoreFolder::add(CreditStart start, const CreditNews& news,
                                    const std::string& recording, std::string& error) {
  if (!news.ended || !score_list_of(start)) return std::nullopt;
  ScoreEntry entry;
  entry.start = start;
  entry.score = news.score;
  entry.how = *news.ended;
  entry.stage_count = news.stage_count;
  entry.date = format_date(std::time(nullptr));
  entry.recording.assign(99, '~');  // after every name of the same date, as the new file will be
  if (!table_.place_for(entry)) return std::nullopt;
  fs::path path = path_from_utf8(new_replay_path(folder_));
  if (!replace_file(utf8_from_path(path), recording)) {
    error = "cannot write the recording " + utf8_from_path(path) + ": " + std::strerror(errno);
    return std::nullopt;
  }
  entry.recording = utf8_from_path(path.filename());
  entry.date = date_of(path);
  std::vector<ScoreEntry> left;
  std::optional<int> place = table_.offer(entry, &left);
  hashes_[entry.recording] = hash_of_bytes(recording);
  remove_left(left);
  write_index();
  return place;
}

void ScoreFolder::remove_left(const std::vector<ScoreEntry>& left) {
  std::error_code ec;
  for (const ScoreEntry& e : left) {
    fs::remove(path_from_utf8(folder_) / path_from_utf8(e.recording), ec);
    hashes_.erase(e.recording);
  }
}

std::string ScoreFolder::index_text() const {
  std::string text = kIndexHead + std::string("\n");
  for (int which = 0; which < 2; ++which)
    for (const ScoreEntry& e : table_.list(which)) text += index_line(e, hashes_.at(e.recording));
  return text;
}

// The index follows the table; one that cannot be written is only a slower next start.
void ScoreFolder::write_index() const {
  replace_file(utf8_from_path(path_from_utf8(folder_) / kIndexName), index_text());
}

}  // namespace qv
