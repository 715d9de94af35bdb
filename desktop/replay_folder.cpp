#include "desktop/replay_folder.hpp"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <vector>

namespace qv {

namespace fs = std::filesystem;

std::string replay_folder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  const char* home = std::getenv("HOME");
  fs::path base;
  if (state && *state == '/')
    base = state;
  else if (home && *home)
    base = fs::path(home) / ".local" / "state";
  else
    return {};
  fs::path folder = base / "quelvaris" / "replays";
  std::error_code ec;
  fs::create_directories(folder, ec);
  return ec ? std::string() : folder.string();
}

std::string new_replay_path(const std::string& folder) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H-%M-%S", &local);
  // Two games begun within one second: the second one's name gets a number.
  fs::path path = fs::path(folder) / (std::string(stamp) + ".keys");
  std::error_code ec;
  for (int n = 2; fs::exists(path, ec) && n < 100; ++n)
    path = fs::path(folder) / (std::string(stamp) + "-" + std::to_string(n) + ".keys");
  return path.string();
}

void prune_replays(const std::string& folder, int keep) {
  std::error_code ec;
  std::vector<fs::path> files;
  for (const fs::directory_entry& e : fs::directory_iterator(folder, ec))
    if (e.is_regular_file(ec) && e.path().extension() == ".keys") files.push_back(e.path());
  // The names are dates and times, so they sort oldest first.
  std::sort(files.begin(), files.end());
  size_t excess = files.size() > static_cast<size_t>(std::max(keep, 0))
                      ? files.size() - static_cast<size_t>(std::max(keep, 0))
                      : 0;
  for (size_t i = 0; i < excess; ++i) fs::remove(files[i], ec);
}

}  // namespace qv
