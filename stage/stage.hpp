// The stage script: every block of the stage, evaluated in order for the frame that the
// stage clock has just reached.
#pragma once

namespace qv {

struct Window;

// Runs every block of the script for the current `stage_count` (already advanced by the frame
// tick). The ending may stop the music and end the program from here (see End()).
void Stage_Script(Window& win);

}  // namespace qv
