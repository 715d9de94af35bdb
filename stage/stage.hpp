// The stage script: every block of the stage, evaluated in order for the frame that the
// stage clock has just reached.
#pragma once

#include <cstdint>

namespace qv {

struct Window;

// The stage frame at which the boss comes in.
constexpr int32_t kBossArrival = 2001;

// Runs every block of the script for the current `stage_count` (already advanced by the frame
// tick). The ending may stop the music and end the program from here (see End()).
void Stage_Script(Window& win);

}  // namespace qv
