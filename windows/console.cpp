#include "windows/console.hpp"

#include <SDL.h>
#include <windows.h>

#include <cstdio>

namespace qv::windows {
namespace {

// Set once the game has ended, for the handler that holds the console's closing until then.
HANDLE game_ended = nullptr;

// Windows ends the program once the handler returns from a closing, or after 5 seconds.
constexpr DWORD kCloseWaitMs = 4500;

bool handle_is_open(DWORD which) {
  HANDLE h = GetStdHandle(which);
  return h != nullptr && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
}

BOOL WINAPI on_console_signal(DWORD signal) {
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);  // as the window's close button
  if (signal == CTRL_CLOSE_EVENT || signal == CTRL_LOGOFF_EVENT || signal == CTRL_SHUTDOWN_EVENT)
    WaitForSingleObject(game_ended, kCloseWaitMs);
  return TRUE;
}

}  // namespace

// Attached even when both streams go to files, so that the console's Ctrl+C reaches the game.
void use_parent_console() {
  bool out = handle_is_open(STD_OUTPUT_HANDLE), err = handle_is_open(STD_ERROR_HANDLE);
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  if (!out) std::freopen("CONOUT$", "w", stdout);
  if (!err) std::freopen("CONOUT$", "w", stderr);
}

void close_on_console_signals() {
  game_ended = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(on_console_signal, TRUE);
}

void game_over() {
  if (game_ended) SetEvent(game_ended);
}

}  // namespace qv::windows
