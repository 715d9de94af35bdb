// The game's sound in the page: the media layer's audio sink hands each tune (its events) and
// each effect (its samples) to the page's sound code once, then plays them by number.
#pragma once

#include <cstdint>
#include <vector>

#include "system/media.hpp"

namespace qv {

class WebAudioSink final : public AudioSink {
 public:
  void music_play(const MidiSong* song, uint64_t from_us) override;
  void music_stop() override;
  void effect_play(const Wave* wave, bool loop) override;
  void effect_stop() override;
  // The game's clock, told to the page every frame: a tune that starts before the browser
  // allows sound joins in where this clock has it.
  static void tell_clock(uint64_t now_us);

 private:
  int32_t song_id(const MidiSong* song);
  int32_t wave_id(const Wave* wave);

  std::vector<const MidiSong*> songs_;  // handed over already; the number is the index
  std::vector<const Wave*> waves_;
};

}  // namespace qv
