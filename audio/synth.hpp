// The sound of the game, without any audio device: a General MIDI synthesizer (FluidSynth)
// played by our own sequencer, and one effect voice, mixed into interleaved stereo frames.
// The SDL front end calls it from its audio callback; the offline renderer calls it directly.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/effects_mixer.hpp"
#include "audio/sequencer.hpp"
#include "audio/soundfont_loader.hpp"
#include "audio/tune_instruments.hpp"
#include "formats/midi.hpp"
#include "formats/wav.hpp"
#include "system/media.hpp"

typedef struct _fluid_synth_t fluid_synth_t;

namespace qv {

// The General MIDI soundfont the system has installed, or "" when there is none.
std::string find_soundfont();
// Every soundfont of those looked for that is there, in the order they are looked for.
std::vector<std::string> soundfonts_found();
// The soundfont to play with: the player's choice when it is a SoundFont that can be read (a
// regular file of the SoundFont kind), else, after a warning, the system's. Reads the file, so
// it belongs on a thread that may wait; "" chooses the system's without a word.
std::string soundfont_to_use(const std::string& chosen);

class Synth {
 public:
  // The effects play at once; the music is silent until the soundfont's instruments are in.
  // An empty path, or a file that does not load, means no music.
  // The player's choice (SoundfontChoice::player) is looked at when the loading begins; ""
  // then stands for the system's soundfont.
  explicit Synth(int32_t sample_rate, std::string soundfont = find_soundfont(),
                 SoundfontChoice choice = SoundfontChoice::file);
  // With a loader of the caller's (null for no music).
  Synth(int32_t sample_rate, std::shared_ptr<SoundfontLoader> loader);
  // Never waits: a soundfont still loading is left to finish (and be freed) on its own thread.
  ~Synth();
  Synth(const Synth&) = delete;
  Synth& operator=(const Synth&) = delete;

  // For the thread that controls the sound (the game's), before any tune is played: every
  // tune that will be, then the start of loading, in the background, just the instruments
  // they play. A tune told of later plays with only the instruments loaded by then.
  void expect_tune(const MidiSong& song);
  void load_soundfont();

  // Everything below is for the one thread that renders.
  void music_play(const MidiSong* song, uint64_t from_us);
  void music_stop();
  void effect_play(const Wave* wave, bool loop);
  void effect_stop();
  // Writes `frames` interleaved stereo frames in [-1, 1].
  void render(float* out, int32_t frames);
  // The music's and the effects' share of the mix, 0 (silent) to 1 (as made).
  void set_levels(float music, float effects) {
    music_level_ = music;
    effects_level_ = effects;
  }

  // True while a tune is still before its end.
  bool music_playing() const { return sequencer_.playing(); }
  bool effect_playing() const { return effects_.playing(); }
  int32_t sample_rate() const { return rate_; }

  // For offline rendering: loads the soundfont if that has not begun, and waits for it; true
  // when the music can be heard.
  bool wait_for_soundfont();
  // The instrument (program number) a channel plays now, or -1 without a soundfont.
  int32_t channel_program(int32_t channel) const;
  // True once the soundfont is in (never, when it failed to load).
  bool music_ready() const;

 private:
  // The sequencer's messages, to FluidSynth once the soundfont is in (dropped before).
  class FluidOutput final : public MidiOutput {
   public:
    explicit FluidOutput(fluid_synth_t* const& fluid) : fluid_(fluid) {}
    void message(uint8_t status, uint8_t data1, uint8_t data2) override;

   private:
    fluid_synth_t* const& fluid_;
  };

  void take_loaded_synth();
  void render_music(float* out, int32_t frames);

  int32_t rate_;
  float music_level_ = 1;
  float effects_level_ = 1;
  const std::shared_ptr<SoundfontLoader> loader_;  // null without a soundfont
  TuneInstruments tunes_;                          // the controlling thread's
  fluid_synth_t* fluid_ = nullptr;                 // the render thread's, once loaded
  FluidOutput fluid_out_{fluid_};
  Sequencer sequencer_;

  EffectsMixer effects_{rate_};
};

// Plays what Media asks for straight into a Synth on the caller's thread: for offline rendering
// and tests, where the same thread renders.
class SynthSink final : public AudioSink {
 public:
  explicit SynthSink(Synth& synth) : synth_(synth) {}
  void expect_tune(const MidiSong& song) override { synth_.expect_tune(song); }
  void music_play(const MidiSong* song, uint64_t from_us) override {
    synth_.load_soundfont();
    synth_.music_play(song, from_us);
  }
  void music_stop() override { synth_.music_stop(); }
  void effect_play(const Wave* wave, bool loop) override { synth_.effect_play(wave, loop); }
  void effect_stop() override { synth_.effect_stop(); }

 private:
  Synth& synth_;
};

}  // namespace qv
