// The Windows host's sound: the music on Windows' own MIDI synthesizer (the MIDI mapper, fed by
// our sequencer from its own timing thread) and the effects through SDL's audio, mixed by the
// effect voice the Linux synthesizer uses. There is no soundfont to choose on Windows: a
// player who names one is told so once, and the game plays on.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "audio/audio_sdl.hpp"
#include "audio/effects_mixer.hpp"
#include "audio/midi_device_winmm.hpp"
#include "audio/midi_out_sink.hpp"
#include "audio/spsc_ring.hpp"
#include "system/printable.hpp"
#include "system/steady_clock.hpp"

namespace qv {
namespace {

constexpr int kPreferredRate = 44100;
constexpr Uint16 kCallbackFrames = 512;  // about 12 ms: a hit is heard on its frame
constexpr size_t kCommandSlots = 256;

// The effects on SDL's audio thread; the game's calls only leave commands for it.
class SdlEffects {
 public:
  explicit SdlEffects(int effects_volume) : level_(static_cast<float>(effects_volume) / 100) {}
  ~SdlEffects() {
    if (device_) SDL_CloseAudioDevice(device_);  // waits for the callback to return
    if (device_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  SdlEffects(const SdlEffects&) = delete;
  SdlEffects& operator=(const SdlEffects&) = delete;

  // False without a sound device: the effects are not heard then.
  bool open() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec want{}, have{};
    want.freq = kPreferredRate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = kCallbackFrames;
    want.callback = &SdlEffects::callback;
    want.userdata = this;
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (!device_) {
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      return false;
    }
    mixer_ = std::make_unique<EffectsMixer>(have.freq);
    SDL_PauseAudioDevice(device_, 0);
    return true;
  }
  void play(const Wave* wave, bool loop) { commands_.push({wave, loop}); }
  void stop() { commands_.push({nullptr, false}); }
  void pause(bool paused) {
    if (device_) SDL_PauseAudioDevice(device_, paused ? 1 : 0);
  }

 private:
  struct Command {
    const Wave* wave = nullptr;  // none: stop
    bool loop = false;
  };

  static void SDLCALL callback(void* self, Uint8* stream, int len) {
    auto* effects = static_cast<SdlEffects*>(self);
    Command c;
    while (effects->commands_.pop(c)) {
      if (c.wave)
        effects->mixer_->play(c.wave, c.loop);
      else
        effects->mixer_->stop();
    }
    auto* out = reinterpret_cast<float*>(stream);
    int frames = len / static_cast<int>(2 * sizeof(float));
    std::fill(out, out + 2 * frames, 0.0f);
    effects->mixer_->mix_into(out, frames, effects->level_);
    for (int i = 0; i < 2 * frames; ++i) out[i] = soft_limit(out[i]);
  }

  float level_;
  SDL_AudioDeviceID device_ = 0;
  std::unique_ptr<EffectsMixer> mixer_;
  SpscRing<Command, kCommandSlots> commands_;
};

class WindowsAudio final : public PlayerAudio {
 public:
  explicit WindowsAudio(const AudioChoices& choices)
      : effects_(choices.effects_volume), music_(device_, clock_) {
    music_.set_music_level(static_cast<float>(choices.music_volume) / 100);
    music_.set_muted(choices.music_volume == 0);
    if (choices.effects_volume > 0) effects_on_ = effects_.open();
  }

  void music_play(const MidiSong* song, uint64_t from_us) override {
    music_.music_play(song, from_us);
  }
  void music_stop() override { music_.music_stop(); }
  void effect_play(const Wave* wave, bool loop) override {
    if (effects_on_) effects_.play(wave, loop);
  }
  void effect_stop() override {
    if (effects_on_) effects_.stop();
  }
  void pause(bool paused) override {
    if (paused)
      music_.pause();
    else
      music_.resume();
    effects_.pause(paused);
  }

 private:
  SteadyClock clock_;
  WinmmMidiDevice device_;  // drops every message on a machine without one
  SdlEffects effects_;
  bool effects_on_ = false;
  MidiOutSink music_;  // last: its timing thread stops before the device closes
};

}  // namespace

std::unique_ptr<PlayerAudio> open_sdl_audio(const AudioChoices& choices) {
  if (!choices.soundfont.empty())
    std::fprintf(stderr,
                 "quelvaris: on Windows the music plays on Windows' own synthesizer; the "
                 "soundfont %s is not used\n",
                 printable(choices.soundfont).c_str());
  return std::make_unique<WindowsAudio>(choices);
}

// Windows' own synthesizer plays the music: there is no soundfont to choose.
std::vector<std::string> soundfonts_to_choose() {
  return {};
}

}  // namespace qv
