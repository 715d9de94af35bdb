#include "front/pause.hpp"

#include "desktop/tick_probe.hpp"

namespace qv {

void Pause::set(bool on) {
  if (on == on_) return;
  on_ = on;
  if (on)
    pacer_.pause();
  else
    pacer_.resume();
  if (audio_) audio_->pause(on);
  input_.ignore_presses(on);
  screen_.show_paused(on);
  probe::paused(on, pacer_.now_us());
}

}  // namespace qv
