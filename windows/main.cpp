// Quelvaris 弐 on Windows: the desktop host, as a program of the window subsystem. Started from
// a console, it writes --help, --version and its warnings there, and the console's Ctrl+C or
// closing ends the game as the window's closing does (the recording is completed). The host
// finds the music and effects next to quelvaris.exe, wherever it was started from.
#include <string>
#include <vector>

#include "desktop/board_commands.hpp"
#include "desktop/host.hpp"
#include "desktop/options.hpp"
#include "desktop/score_commands.hpp"
#include "system/platform.hpp"
#include "windows/console.hpp"

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
  if (options.register_name || options.submit)
    return qv::board_command(options, qv::game_data_folder());
  qv::windows::close_on_console_signals();
  code = qv::run_game(options);
  qv::windows::game_over();
  return code;
}
