// The game's sound output through SDL: the synth plays on SDL's audio thread and the game's
// calls only leave commands for it, so the game never waits for the sound.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "system/media.hpp"

namespace qv {

struct AudioChoices {
  std::string soundfont;     // empty: the usual search
  int music_volume = 100;    // 0 to 100, 100 as made
  int effects_volume = 100;  // 0 to 100
};

// The sound the window plays, which the player can hold and let go on.
class PlayerAudio : public AudioSink {
 public:
  // Holds the music and the effects where they are (true), or lets them go on (false).
  virtual void pause(bool paused) = 0;
  // The music's and the effects' volume, 0 to 100, from now on; a sink that cannot change them
  // while it plays keeps those it opened with.
  virtual void set_volumes(int /*music*/, int /*effects*/) {}
};

// Opens the default audio device; without one, SDL's silent "dummy" device keeps the timing,
// and if even that fails a silent sink stands in. Never fails, and never reads the soundfont:
// of it, only the instruments of the tunes the sink is told to expect are loaded, in the
// background, once the first tune is played; a chosen soundfont that cannot be used then gets
// a warning and the usual search follows.
// The songs and waves it is given must outlive it: destroy it before the Media that feeds it.
// Destroying it stops the sound and closes the device, at once, however far the soundfont has
// loaded.
std::unique_ptr<PlayerAudio> open_sdl_audio(const AudioChoices& choices = {});

// The soundfonts found where the game looks for them, for the player to choose from; none where
// the music plays without one.
std::vector<std::string> soundfonts_to_choose();

}  // namespace qv
