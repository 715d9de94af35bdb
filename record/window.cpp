#include "record/window.hpp"

#include "formats/embedded.hpp"
#include "system/media_files.hpp"
#include "system/random.hpp"
#include "system/sound.hpp"

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

void Form_Load(Window& win, uint32_t seed) {
  Randomize(seed);
  Play_Bgm(media_files::kTitleTune);
  win.Bgm_Check.set_Enabled(true);
}

void Form_Unload(Window& win) {
  Play_Bgm("");
  win.Bgm_Check.set_Enabled(false);
}

}  // namespace qv
