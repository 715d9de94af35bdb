#include "desktop/replay_folder.hpp"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string_view>
#include <utility>
#include <vector>

#include "desktop/folders.hpp"
#include "system/platform.hpp"

namespace qv {

namespace fs = std::filesystem;

namespace {

std::string made(const fs::path& folder) {
  if (folder.empty()) return {};
  std::error_code ec;
  fs::create_directories(folder, ec);
  return ec ? std::string() : utf8_from_path(folder);
}

}  // namespace

std::string replay_folder() {
  return made(replay_folder_place());
}

std::string practice_folder() {
  fs::path replays = replay_folder_place();
  return made(replays.empty() ? replays : replays / "practice");
}

std::string scores_folder() {
  return made(scores_folder_place());
}

std::string new_replay_path(const std::string& folder) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H-%M-%S", &local);
  // Two games begun within one second: the second one's name gets a number.
  fs::path path = path_from_utf8(folder) / (std::string(stamp) + ".keys");
  std::error_code ec;
  for (int n = 2; fs::exists(path, ec) && n < 100; ++n)
    path = path_from_utf8(folder) / (std::string(stamp) + "-" + std::to_string(n) + ".keys");
  return utf8_from_path(path);
}

std::optional<ReplayBegan> replay_began(const std::string& name) {
  // "YYYY-MM-DD_HH-MM-SS", fixed width, so that the stamps compare as the times do.
  constexpr std::string_view kPattern = "0000-00-00_00-00-00";
  constexpr std::string_view kExtension = ".keys";
  if (name.size() < kPattern.size() + kExtension.size() || !name.ends_with(kExtension))
    return std::nullopt;
  for (size_t i = 0; i < kPattern.size(); ++i) {
    bool digit = name[i] >= '0' && name[i] <= '9';
    if (kPattern[i] == '0' ? !digit : name[i] != kPattern[i]) return std::nullopt;
  }
  ReplayBegan began{name.substr(0, kPattern.size()), 1};
  std::string_view rest(name);
  rest = rest.substr(kPattern.size(), rest.size() - kPattern.size() - kExtension.size());
  if (rest.empty()) return began;
  // The second game begun within one second is "-2", and so on.
  if (rest.size() < 2 || rest.size() > 3 || rest[0] != '-' || rest[1] == '0') return std::nullopt;
  began.game = 0;
  for (char c : rest.substr(1)) {
    if (c < '0' || c > '9') return std::nullopt;
    began.game = began.game * 10 + (c - '0');
  }
  return began;
}

void prune_replays(const std::string& folder, int keep) {
  std::error_code ec;
  std::vector<std::pair<ReplayBegan, fs::path>> games;
  for (const fs::directory_entry& e : fs::directory_iterator(path_from_utf8(folder), ec)) {
    std::optional<ReplayBegan> began = replay_began(e.path().filename().string());
    if (began && e.is_regular_file(ec)) games.emplace_back(*began, e.path());
  }
  std::sort(games.begin(), games.end());  // oldest first
  size_t kept = static_cast<size_t>(std::max(keep, 0));
  for (size_t i = 0; i + kept < games.size(); ++i) fs::remove(games[i].second, ec);
}

}  // namespace qv
