// What of the window is the player's to keep from one run to the next: the scale they resized it
// to and whether they put it on the whole screen. What the window manager does to the window of
// its own accord (shrinking one larger than the desktop, tiling it, maximizing it) and the options
// of a single run (--scale, --fullscreen) are no choice of the player's and never saved over the
// settings.
#pragma once

#include <cstdint>

namespace qv {

// How the window stood when its size changed.
struct WindowState {
  bool focused = false;
  bool maximized = false;
  bool fullscreen = false;
};

class WindowChoice {
 public:
  // A window manager answers the sizes the game asks for (at opening, on leaving the whole
  // screen) within this long after the first window event that follows the request.
  static constexpr uint32_t kSettleMs = 1000;

  WindowChoice(int saved_scale, bool saved_fullscreen)
      : scale_(saved_scale), fullscreen_(saved_fullscreen) {}

  // The game asked for a size of its own (the window opened, or left the whole screen).
  void asked_for_size() { settling_ = true, settle_from_ = kUnset; }
  // A window event came at `at_ms`; true when its new whole `scale` is the player's choice, so
  // that the settings are to be saved. Any window event counts, for the settling.
  bool window_event(uint32_t at_ms, bool size_changed, int scale, const WindowState& state);
  // The player put the window on the whole screen or back (F11, Alt+Enter): always saved.
  void fullscreen_chosen(bool on) { fullscreen_ = on; }

  int scale() const { return scale_; }  // 0: the largest that fits, as the settings have it
  bool fullscreen() const { return fullscreen_; }

 private:
  static constexpr uint32_t kUnset = UINT32_MAX;
  int scale_;
  bool fullscreen_;
  bool settling_ = true;  // the window's opening is the first request
  uint32_t settle_from_ = kUnset;
};

}  // namespace qv
