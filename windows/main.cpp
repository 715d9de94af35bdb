// Quelvaris 弐 on Windows: the desktop host, as a program of the window subsystem. Started from
// a console, it writes --help, --version and its warnings there, and the console's Ctrl+C or
// closing ends the game as the window's closing does (the recording is completed). The host
// finds the music and effects next to quelvaris.exe, wherever it was started from. The board's
// commands go through WinHTTP (http_winhttp.cpp).
#include <string>
#include <vector>

#include "desktop/board_commands.hpp"
#include "desktop/folders.hpp"
#include "desktop/host.hpp"
#include "desktop/options.hpp"
#include "desktop/replay_folder.hpp"
#include "desktop/score_commands.hpp"
#include "desktop/settings.hpp"
#include "system/platform.hpp"
#include "windows/console.hpp"

namespace {

// Where the board's commands find the board, the token and the table, as on Linux.
qv::BoardPlaces board_places(const qv::Options& options) {
  qv::BoardPlaces places;
  places.url = options.board.empty() ? qv::load_settings(qv::settings_path()).settings.board_url
                                     : options.board;
  places.account = qv::utf8_from_path(qv::board_account_place());
  if (options.best) places.scores = qv::scores_folder();
  places.data_folder = qv::game_data_folder();
  return places;
}

}  // namespace

int main(int argc, char** argv) {
  qv::windows::use_parent_console();
  std::vector<std::string> args = qv::utf8_arguments(argc, argv);
  std::vector<const char*> pointers;
  for (const std::string& a : args) pointers.push_back(a.c_str());
  qv::Options options;
  int code = qv::parse_options(static_cast<int>(pointers.size()), pointers.data(), options);
  if (code != qv::kGoOn) return code;
  if (!options.verify.empty()) return qv::verify_command(options.verify, qv::game_data_folder());
  if (options.scores) return qv::scores_command(qv::game_data_folder());
  if (options.register_name) {
    auto http = qv::make_http_client();
    return qv::register_command(*http, board_places(options), *options.register_name);
  }
  if (options.submit) {
    auto http = qv::make_http_client();
    return qv::submit_command(*http, board_places(options), options.submit_files, options.best);
  }
  qv::windows::close_on_console_signals();
  code = qv::run_game(options);
  qv::windows::game_over();
  return code;
}
