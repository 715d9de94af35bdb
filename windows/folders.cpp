// Windows' own places for what is the player's: the settings in the roaming application data
// (%APPDATA%\Quelvaris\settings.ini), which follows the player from one machine to the next,
// and the table of best runs (%APPDATA%\Quelvaris\scores\) and the board's token
// (%APPDATA%\Quelvaris\board.ini) with it, and the recordings in the
// local one (%LOCALAPPDATA%\Quelvaris\replays\), which stays.
#include "desktop/folders.hpp"

#include "desktop/settings.hpp"
#include "system/platform.hpp"
// After the game's headers, whose names Windows' macros would take.
#include <windows.h>
// After windows.h, which they need.
#include <knownfolders.h>
#include <shlobj.h>

#include <memory>

namespace qv {
namespace {

// The known folder, empty when Windows cannot tell it.
std::filesystem::path known_folder(REFKNOWNFOLDERID id) {
  PWSTR wide = nullptr;
  HRESULT got = SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &wide);
  std::unique_ptr<wchar_t, decltype(&CoTaskMemFree)> owned(wide, &CoTaskMemFree);
  if (FAILED(got) || !wide) return {};
  return std::filesystem::path(wide);
}

}  // namespace

std::string settings_path() {
  std::filesystem::path base = known_folder(FOLDERID_RoamingAppData);
  if (base.empty()) return "settings.ini";  // beside the game, as a last resort
  return utf8_from_path(base / L"Quelvaris" / L"settings.ini");
}

std::filesystem::path replay_folder_place() {
  std::filesystem::path base = known_folder(FOLDERID_LocalAppData);
  if (base.empty()) return {};
  return base / L"Quelvaris" / L"replays";
}

std::filesystem::path scores_folder_place() {
  std::filesystem::path base = known_folder(FOLDERID_RoamingAppData);
  if (base.empty()) return {};
  return base / L"Quelvaris" / L"scores";
}

std::filesystem::path board_account_place() {
  std::filesystem::path base = known_folder(FOLDERID_RoamingAppData);
  if (base.empty()) return {};
  return base / L"Quelvaris" / L"board.ini";
}

}  // namespace qv
