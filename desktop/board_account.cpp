#include "desktop/board_account.hpp"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "system/blanks.hpp"
#include "system/numbers.hpp"
#include "system/platform.hpp"

namespace qv {
namespace {

constexpr size_t kLargestAccount = 64 * 1024;  // a few hundred bytes: a table's twenty entries
constexpr size_t kLongestUrl = 1000;

// "ID RANK" or "ID -".
std::optional<SentRun> sent_run(const std::string& value) {
  size_t space = value.find(' ');
  if (space == std::string::npos) return std::nullopt;
  std::optional<int64_t> id = read_whole_number(value.substr(0, space), 0, INT64_MAX);
  std::string rank_text = value.substr(space + 1);
  std::optional<int64_t> rank =
      rank_text == "-" ? std::optional<int64_t>() : read_whole_number(rank_text, 1, INT64_MAX);
  if (!id || (!rank && rank_text != "-")) return std::nullopt;
  return SentRun{*id, rank};
}

bool take_line(BoardAccount& a, const std::string& section, const std::string& key,
               const std::string& value) {
  if (section == "board") {
    std::string why;
    if (key == "url") return board_url(value, why) && (a.url = value, true);
    if (key == "name") return a.name = value, true;
    if (key == "token") return a.token = value, true;
    return false;
  }
  if (section != "sent" || key.empty()) return false;
  std::optional<SentRun> run = sent_run(value);
  if (run) a.sent[key] = *run;
  return run.has_value();
}

std::string account_text(const BoardAccount& a) {
  std::string text = "; Quelvaris' name on an online board, with its token: keep it to yourself\n";
  text += "[board]\nurl = " + a.url + "\nname = " + a.name + "\ntoken = " + a.token + "\n";
  text += "[sent]\n";
  for (const auto& [recording, run] : a.sent)
    text += recording + " = " + std::to_string(run.id) + " " +
            (run.rank ? std::to_string(*run.rank) : "-") + "\n";
  return text;
}

}  // namespace

std::optional<std::string> board_url(const std::string& text, std::string& why) {
  std::string url = text;
  while (!url.empty() && url.back() == '/') url.pop_back();
  size_t host = url.rfind("http://", 0) == 0 ? 7 : url.rfind("https://", 0) == 0 ? 8 : 0;
  if (!host) return why = "a board's address begins with http:// or https://", std::nullopt;
  if (url.size() == host) return why = "a board's address names its host", std::nullopt;
  if (url.size() > kLongestUrl) return why = "a board's address this long", std::nullopt;
  for (unsigned char c : url)
    if (c <= ' ' || c == 0x7f)
      return why = "a blank or a control in a board's address", std::nullopt;
  return url;
}

std::optional<BoardAccount> load_board_account(const std::string& path, std::string& why) {
  why.clear();
  std::string bytes;
  FileRead read = read_regular_file(path, kLargestAccount, bytes);
  if (read.outcome == FileRead::unopened && read.error == ENOENT) return std::nullopt;
  if (!read.ok()) return why = path + ": " + read.why(kLargestAccount), std::nullopt;
  BoardAccount account;
  std::istringstream lines(bytes);
  std::string section;
  int number = 0;
  for (std::string line; std::getline(lines, line);) {
    ++number;
    line = trimmed(line);
    if (line.empty() || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      section = line.substr(1, line.size() - 2);
      continue;
    }
    size_t eq = line.find('=');
    if (eq == std::string::npos ||
        !take_line(account, section, trimmed(line.substr(0, eq)), trimmed(line.substr(eq + 1))))
      return why = path + ":" + std::to_string(number) + ": no line of ours", std::nullopt;
  }
  if (account.url.empty() || account.token.empty())
    return why = path + ": no board's address and token", std::nullopt;
  return account;
}

bool save_board_account(const std::string& path, const BoardAccount& account, std::string& why) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(path_from_utf8(path).parent_path(), ec);
  if (!replace_file(path, account_text(account)))
    return why = "cannot write " + path + ": " + std::strerror(errno), false;
  // replace_file keeps the mode an older file had: the token stays the player's alone even
  // when that file was made readable by others.
  fs::permissions(path_from_utf8(path), fs::perms::owner_read | fs::perms::owner_write, ec);
  return true;
}

std::map<std::string, std::string> board_marks(const BoardAccount& account) {
  std::map<std::string, std::string> marks;
  for (const auto& [recording, run] : account.sent)
    marks[recording] = run.rank ? "board " + std::to_string(*run.rank) : "sent";
  return marks;
}

}  // namespace qv
