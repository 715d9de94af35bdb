// Quelvaris 弐 on Windows: the desktop host, as a program of the window subsystem. Started from
// a console, it writes --help, --version and its warnings there, and the console's Ctrl+C or
// closing ends the game as the window's closing does (the recording is completed). The
// music and effects are found next to quelvaris.exe, wherever it was started from.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "desktop/host.hpp"
#include "desktop/options.hpp"
#include "system/platform.hpp"
#include "windows/console.hpp"

namespace {

// The folder that holds quelvaris.exe, where `bgm&se` lies.
std::filesystem::path program_folder() {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (n == 0) return {};
    if (n < name.size()) {
      name.resize(n);
      return std::filesystem::path(name).parent_path();
    }
    name.resize(name.size() * 2);
  }
}

// The game reads its music and effects by names relative to the working folder: it works in
// the program's folder, and the names the player typed are made whole first, so that they
// still mean what they said.
void work_beside_the_program(qv::Options& options) {
  std::filesystem::path folder = program_folder();
  if (folder.empty()) return;
  for (std::string* name : {&options.record, &options.replay, &options.trace}) {
    if (name->empty()) continue;
    std::error_code ec;
    std::filesystem::path whole = std::filesystem::absolute(qv::path_from_utf8(*name), ec);
    if (!ec) *name = qv::utf8_from_path(whole);
  }
  SetCurrentDirectoryW(folder.c_str());
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
  work_beside_the_program(options);
  qv::windows::close_on_console_signals();
  code = qv::run_game(options);
  qv::windows::game_over();
  return code;
}
