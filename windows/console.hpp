// The console a window program was started from, if any.
#pragma once

namespace qv::windows {

// Joins the console the program was started from, if any, and writes standard output and
// errors there where they are not sent elsewhere already. A program started from the Start
// menu has no console and writes nowhere.
void use_parent_console();

// From now on the console's Ctrl+C, Ctrl+Break and closing close the game's window; the
// closing waits (a few seconds at most, as Windows allows) for the game to end.
void close_on_console_signals();

// The game has ended: a console closing need not wait any longer.
void game_over();

}  // namespace qv::windows
