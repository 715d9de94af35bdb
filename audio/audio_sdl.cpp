#include "audio/audio_sdl.hpp"

#include <SDL.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

#include "audio/spsc_ring.hpp"
#include "audio/synth.hpp"

namespace qv {
namespace {

constexpr int kPreferredRate = 44100;
// About 12 ms at 44.1 kHz: a hit is heard on the frame it happens, with room for the synth.
constexpr Uint16 kCallbackFrames = 512;
// Commands come a few per frame at most and the audio thread takes them every ~12 ms; when it
// is held up for seconds the oldest news is enough and further commands are dropped.
constexpr size_t kCommandSlots = 256;
// At shut-down the sound fades out over this long before the device closes, so the program's
// end does not click; the wait for it is bounded in case the device has stalled.
constexpr double kCloseFadeSeconds = 0.03;
constexpr Uint32 kCloseWaitMs = 150;

struct Command {
  enum Kind : uint8_t { kMusicPlay, kMusicStop, kEffectPlay, kEffectStop, kLevels };
  Kind kind = kMusicStop;
  bool loop = false;
  const MidiSong* song = nullptr;
  const Wave* wave = nullptr;
  uint64_t from_us = 0;
  float music = 0, effects = 0;  // kLevels
};

class SdlAudioSink final : public PlayerAudio {
 public:
  explicit SdlAudioSink(const AudioChoices& choices) : choices_(choices) {}
  SdlAudioSink(const SdlAudioSink&) = delete;
  SdlAudioSink& operator=(const SdlAudioSink&) = delete;
  ~SdlAudioSink() override;

  bool start();

  void expect_tune(const MidiSong& song) override { synth_->expect_tune(song); }
  // The first tune played starts the loading of the instruments of those expected by then.
  void music_play(const MidiSong* song, uint64_t from_us) override {
    synth_->load_soundfont();
    commands_.push({Command::kMusicPlay, false, song, nullptr, from_us});
  }
  void music_stop() override { commands_.push({Command::kMusicStop, false, nullptr, nullptr, 0}); }
  void effect_play(const Wave* wave, bool loop) override {
    commands_.push({Command::kEffectPlay, loop, nullptr, wave, 0});
  }
  void effect_stop() override {
    commands_.push({Command::kEffectStop, false, nullptr, nullptr, 0});
  }
  // The audio thread takes the new levels between two of its buffers.
  void set_volumes(int music, int effects) override {
    Command c;
    c.kind = Command::kLevels;
    c.music = static_cast<float>(music) / 100.0f;
    c.effects = static_cast<float>(effects) / 100.0f;
    commands_.push(c);
  }
  // The device stops calling for sound: the synth and its tune stay where they are.
  void pause(bool paused) override {
    if (device_) SDL_PauseAudioDevice(device_, paused ? 1 : 0);
    paused_ = paused;
  }

 private:
  static void SDLCALL callback(void* self, Uint8* stream, int len);
  SDL_AudioDeviceID open_device(SDL_AudioSpec& have);
  bool init_and_open(SDL_AudioSpec& have);
  void apply(const Command& c);
  void fade_at_close(float* out, int frames);

  AudioChoices choices_;
  bool subsystem_ = false;
  int rate_ = 0;
  float close_gain_ = 1;                // the callback's alone
  std::atomic<bool> closing_{false};    // set by the game's thread at shut-down
  std::atomic<bool> faded_out_{false};  // set by the callback when silent
  bool paused_ = false;                 // no callback comes, so nothing is heard to fade
  SDL_AudioDeviceID device_ = 0;
  std::unique_ptr<Synth> synth_;
  SpscRing<Command, kCommandSlots> commands_;
};

SdlAudioSink::~SdlAudioSink() {
  if (device_) {
    closing_.store(true, std::memory_order_release);
    Uint32 start = SDL_GetTicks();
    while (!paused_ && !faded_out_.load(std::memory_order_acquire) &&
           SDL_GetTicks() - start < kCloseWaitMs)
      SDL_Delay(2);
    SDL_CloseAudioDevice(device_);  // waits for the callback to return
  }
  synth_.reset();
  if (subsystem_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

SDL_AudioDeviceID SdlAudioSink::open_device(SDL_AudioSpec& have) {
  SDL_AudioSpec want{};
  want.freq = kPreferredRate;
  want.format = AUDIO_F32SYS;
  want.channels = 2;
  want.samples = kCallbackFrames;
  want.callback = &SdlAudioSink::callback;
  want.userdata = this;
  // SDL converts the format and channels if it must; a device of another rate we render for.
  return SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
}

// The system's sound libraries report a missing sound card on stderr themselves; a game
// without sound runs silently, so their words are sent away while the device is sought.
class QuietStderr {
 public:
  QuietStderr() : saved_(dup(STDERR_FILENO)) {
    int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved_ >= 0 && null >= 0) dup2(null, STDERR_FILENO);
    if (null >= 0) close(null);
  }
  ~QuietStderr() {
    if (saved_ < 0) return;
    dup2(saved_, STDERR_FILENO);
    close(saved_);
  }
  QuietStderr(const QuietStderr&) = delete;
  QuietStderr& operator=(const QuietStderr&) = delete;

 private:
  int saved_;
};

bool SdlAudioSink::init_and_open(SDL_AudioSpec& have) {
  QuietStderr quiet;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  subsystem_ = true;
  device_ = open_device(have);
  if (device_) return true;
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  subsystem_ = false;
  return false;
}

// Without a sound card the game still runs on SDL's dummy device, whose thread calls us at
// the pace of a real one, so the music's timing stays the same everywhere.
bool SdlAudioSink::start() {
  SDL_AudioSpec have{};
  if (!init_and_open(have)) {
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    bool opened = init_and_open(have);
    SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    if (!opened) return false;
  }
  rate_ = have.freq;
  synth_ = std::make_unique<Synth>(have.freq, choices_.soundfont, SoundfontChoice::player);
  synth_->set_levels(static_cast<float>(choices_.music_volume) / 100.0f,
                     static_cast<float>(choices_.effects_volume) / 100.0f);
  SDL_PauseAudioDevice(device_, 0);
  return true;
}

void SdlAudioSink::apply(const Command& c) {
  switch (c.kind) {
    case Command::kMusicPlay:
      synth_->music_play(c.song, c.from_us);
      break;
    case Command::kMusicStop:
      synth_->music_stop();
      break;
    case Command::kEffectPlay:
      synth_->effect_play(c.wave, c.loop);
      break;
    case Command::kLevels:
      synth_->set_levels(c.music, c.effects);
      break;
    case Command::kEffectStop:
      synth_->effect_stop();
      break;
  }
}

void SDLCALL SdlAudioSink::callback(void* self, Uint8* stream, int len) {
  auto* sink = static_cast<SdlAudioSink*>(self);
  Command c;
  while (sink->commands_.pop(c)) sink->apply(c);
  int frames = len / static_cast<int>(2 * sizeof(float));
  sink->synth_->render(reinterpret_cast<float*>(stream), frames);
  if (sink->closing_.load(std::memory_order_acquire))
    sink->fade_at_close(reinterpret_cast<float*>(stream), frames);
}

void SdlAudioSink::fade_at_close(float* out, int frames) {
  float step = static_cast<float>(1.0 / (kCloseFadeSeconds * rate_));
  for (int i = 0; i < frames; ++i) {
    close_gain_ = close_gain_ > step ? close_gain_ - step : 0.0f;
    out[2 * i] *= close_gain_;
    out[2 * i + 1] *= close_gain_;
  }
  if (close_gain_ == 0.0f) faded_out_.store(true, std::memory_order_release);
}

class SilentPlayerAudio final : public Silent<PlayerAudio> {
 public:
  void pause(bool) override {}
};

}  // namespace

std::unique_ptr<PlayerAudio> open_sdl_audio(const AudioChoices& choices) {
  auto sink = std::make_unique<SdlAudioSink>(choices);
  if (sink->start()) return sink;
  return std::make_unique<SilentPlayerAudio>();
}

std::vector<std::string> soundfonts_to_choose() {
  return soundfonts_found();
}

}  // namespace qv
