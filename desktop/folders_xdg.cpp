// The XDG base directories: settings under $XDG_CONFIG_HOME (~/.config), recordings under
// $XDG_STATE_HOME (~/.local/state), the table of best runs and the board's token under
// $XDG_DATA_HOME (~/.local/share). A relative value is no base directory and is passed over.
#include <cstdlib>
#include <string>

#include "desktop/folders.hpp"
#include "desktop/settings.hpp"

namespace qv {

std::string settings_path() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (config && config[0] == '/') {
    base = config;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home && *home ? home : ".") + "/.config";
  }
  return base + "/quelvaris/settings.ini";
}

std::filesystem::path replay_folder_place() {
  const char* state = std::getenv("XDG_STATE_HOME");
  const char* home = std::getenv("HOME");
  std::filesystem::path base;
  if (state && *state == '/')
    base = state;
  else if (home && *home)
    base = std::filesystem::path(home) / ".local" / "state";
  else
    return {};
  return base / "quelvaris" / "replays";
}

namespace {

std::filesystem::path data_place() {
  const char* data = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  if (data && *data == '/') return std::filesystem::path(data) / "quelvaris";
  if (home && *home) return std::filesystem::path(home) / ".local" / "share" / "quelvaris";
  return {};
}

}  // namespace

std::filesystem::path scores_folder_place() {
  std::filesystem::path base = data_place();
  return base.empty() ? base : base / "scores";
}

std::filesystem::path board_account_place() {
  std::filesystem::path base = data_place();
  return base.empty() ? base : base / "board.ini";
}

}  // namespace qv
