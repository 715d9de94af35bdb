// The game's sound output through SDL: the synth plays on SDL's audio thread and the game's
// calls only leave commands for it, so the game never waits for the sound.
#pragma once

#include <memory>
#include <string>

#include "audio/synth.hpp"
#include "system/media.hpp"

namespace qv {

// Opens the default audio device; without one, SDL's silent "dummy" device keeps the timing,
// and if even that fails a SilentSink stands in. Never fails and never prints. The music plays
// with the given soundfont ("" for none), of which only the instruments of the tunes it is told
// to expect are loaded, in the background, once the first tune is played.
// The songs and waves it is given must outlive it: destroy it before the Media that feeds it.
// Destroying it stops the sound and closes the device, at once, however far the soundfont has
// loaded.
std::unique_ptr<AudioSink> open_sdl_audio(const std::string& soundfont = find_soundfont());

}  // namespace qv
