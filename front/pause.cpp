#include "front/pause.hpp"

namespace qv {

void Pause::set(bool on) {
  if (on == on_) return;
  on_ = on;
  if (on)
    pacer_.pause();
  else
    pacer_.resume();
  if (told_) told_(on);
  input_.ignore_presses(on);
  screen_.show_paused(on);
}

}  // namespace qv
