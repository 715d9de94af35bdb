// Hooks of the instrumented host `quelvaris-timing`: when the title was first shown, when each
// frame tick was due, began and ended, how long showing the frame took, which phase the game
// is in, and when the player paused and went on. The shipped game is
// built without QV_TICK_PROBE, so the hooks compile to nothing there.
#pragma once

#include <cstdint>

namespace qv {

struct Window;

namespace probe {

#ifdef QV_TICK_PROBE
void title_shown();
void present_begins();
void present_ends();
void frame_tick(uint64_t due_us, uint64_t start_us, uint64_t end_us);
void after_handler(const Window& win, uint64_t now_us);
void at_exit(const Window& win);
void paused(bool on, uint64_t now_us);
#else
inline void title_shown() {}
inline void present_begins() {}
inline void present_ends() {}
inline void frame_tick(uint64_t, uint64_t, uint64_t) {}
inline void after_handler(const Window&, uint64_t) {}
inline void at_exit(const Window&) {}
inline void paused(bool, uint64_t) {}
#endif

}  // namespace probe
}  // namespace qv
