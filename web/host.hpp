// The browser host: the game in the page's canvas. The browser calls `frame` once a display
// frame; the host runs every 10 ms step that is due by then, on the same rule as the window and
// the simulator, and the page reads the trace and the recording through the exports below.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qv {

struct WebOptions {
  bool trace = false;               // keep the simulator's trace of the game
  std::string replay;               // a recording to watch, a file in the page's memory
  std::optional<int32_t> practice;  // the stage frame to practise the route from
};

// Opens the canvas and starts the game (or the replay, or the practice); false, said on the
// page, when the recording cannot be read, there is nothing to draw on or the game failed at
// once.
bool start_web_game(const WebOptions& options);

}  // namespace qv

// For the page (web/page.js): the trace as JSON lines (empty unless kept), the recording of the
// game so far, the steps run, and whether the game is paused. The texts stay valid until the
// next call. qv_touch_key presses (`down`) or lets go of an SDL key, as the keyboard does.
extern "C" {
const char* qv_trace();
const char* qv_recording();
double qv_steps();
int qv_paused();
void qv_touch_key(int key, int down);
}
