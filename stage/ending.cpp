// The ending: once the boss is dead, the staff roll slides down over the game to the ending
// tune, and when it has passed the bottom edge the program ends by itself.
#include "record/window.hpp"
#include "stage/blocks.hpp"
#include "system/media_files.hpp"
#include "system/sound.hpp"

namespace qv::stage {
namespace {

constexpr int32_t kRollStart = -200;  // the boss keeps the roll here while it lives
constexpr int32_t kRollSpeed = 2;
constexpr Sprite kStaffRoll{0, 0, 270, 160};  // on `slmain`, through `slmask`

}  // namespace

void Ending_Step(Window& win) {
  GameState& s = win.s;
  if (s.roll_y == kRollStart) {
    Play_Bgm(media_files::kEndingTune);
    win.Bgm_Check.set_Enabled(true);  // the watchdog loops the ending tune
  }
  if (s.roll_y >= kPlayHeight) {
    Play_Bgm("");
    win.Bgm_Check.set_Enabled(false);
    End();
  }
  s.roll_y += kRollSpeed;
  Blt_Sprite(win.slmain.hDC(), win.slmask.hDC(), kStaffRoll.x, kStaffRoll.y, kStaffRoll.w,
             kStaffRoll.h, win.offPB.hDC(), 0, s.roll_y);
}

}  // namespace qv::stage
