// The SDL front end: one window, one event loop on the main thread that delivers the timer
// ticks at absolute 10 ms deadlines, the keys, the music and effects through the audio sink.
#pragma once

namespace qv {

// Runs the game until the window is closed or the game ends itself; the process's exit code.
int run_game();

}  // namespace qv
