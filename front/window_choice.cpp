#include "front/window_choice.hpp"

namespace qv {

bool WindowChoice::window_event(uint32_t at_ms, bool size_changed, int scale,
                                const WindowState& state) {
  if (settling_) {
    if (settle_from_ == kUnset) settle_from_ = at_ms;
    if (at_ms - settle_from_ < kSettleMs) return false;
    settling_ = false;
  }
  // A player resizes the window they are playing in, by hand; whatever happens to a window
  // without the focus, maximized or on the whole screen is the window manager's doing.
  if (!size_changed || !state.focused || state.maximized || state.fullscreen) return false;
  if (scale == scale_) return false;
  scale_ = scale;
  return true;
}

}  // namespace qv
