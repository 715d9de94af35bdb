#include "record/window.hpp"

#include "formats/embedded.hpp"

namespace qv {

Window::Window(const Clock& clock)
    : op(clock, 10, true), time(clock, 0, true), Bgm_Check(clock, 1000, false) {
  load_picture("title", onPB);
  load_picture("sprites", character);
  load_picture("sprites_mask", mask);
  load_picture("staff", slmain);
  load_picture("staff_mask", slmask);
}

void End() {
  throw ProgramEnd{};
}

}  // namespace qv
