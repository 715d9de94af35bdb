#include "game/handlers.hpp"
#include "system/media_files.hpp"
#include "system/random.hpp"
#include "system/sound.hpp"

namespace qv {

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
