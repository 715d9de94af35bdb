// The game's sound output through SDL: the synth plays on SDL's audio thread and the game's
// calls only leave commands for it, so the game never waits for the sound.
#pragma once

#include <memory>

#include "system/media.hpp"

namespace qv {

// Opens the default audio device; without one, SDL's silent "dummy" device keeps the timing,
// and if even that fails a SilentSink stands in. Never fails and never prints.
// The songs and waves it is given must outlive it: destroy it before the Media that feeds it.
// Destroying it stops the sound and closes the device.
std::unique_ptr<AudioSink> open_sdl_audio();

}  // namespace qv
