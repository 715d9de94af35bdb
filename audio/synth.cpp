#include "audio/synth.hpp"

#include <fluidsynth.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "audio/soundfont_loader.hpp"
#include "system/printable.hpp"
#include "system/regular_file.hpp"

namespace qv {
namespace {

// Debian installs its chosen General MIDI soundfont under the first name (an alternative);
// the others are the packages that provide one.
constexpr const char* kSoundfonts[] = {
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf3/default-GM.sf3",
};

// Asked without opening it: opening a named pipe would wait for a writer.
bool readable(const char* path) {
  return access(path, R_OK) == 0;
}

// A SoundFont 2 file is a RIFF file of the form "sfbk".
bool is_soundfont(const std::string& path) {
  int fd = open_regular_file(path, kLargestSoundfont);
  if (fd < 0) return false;
  char head[12] = {};
  bool ok = pread(fd, head, sizeof head, 0) == static_cast<ssize_t>(sizeof head) &&
            std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "sfbk", 4) == 0;
  close(fd);
  return ok;
}

}  // namespace

std::string find_soundfont() {
  for (const char* path : kSoundfonts) {
    if (readable(path)) return path;
  }
  return "";
}

std::vector<std::string> soundfonts_found() {
  std::vector<std::string> found;
  for (const char* path : kSoundfonts)
    if (readable(path)) found.emplace_back(path);
  return found;
}

std::string soundfont_to_use(const std::string& chosen) {
  if (chosen.empty()) return find_soundfont();
  if (is_soundfont(chosen)) return chosen;
  std::fprintf(stderr, "quelvaris: %s is no SoundFont that can be read, the usual one is used\n",
               printable(chosen).c_str());
  return find_soundfont();
}

Synth::Synth(int32_t sample_rate, std::string soundfont, SoundfontChoice choice)
    : Synth(sample_rate,
            (soundfont.empty() && choice == SoundfontChoice::file) || sample_rate <= 0
                ? nullptr
                : std::make_shared<SoundfontLoader>(std::move(soundfont), sample_rate, choice)) {}

Synth::Synth(int32_t sample_rate, std::shared_ptr<SoundfontLoader> loader)
    : rate_(sample_rate), loader_(std::move(loader)), sequencer_(sample_rate, fluid_out_) {}

Synth::~Synth() {
  if (loader_) loader_->abandon();
}

void Synth::expect_tune(const MidiSong& song) {
  if (loader_ && !loader_->started()) tunes_.add(song);
}

void Synth::load_soundfont() {
  if (loader_ && !loader_->started()) SoundfontLoader::start(loader_, tunes_.uses());
}

bool Synth::wait_for_soundfont() {
  load_soundfont();
  if (!loader_ || !loader_->wait()) return false;
  take_loaded_synth();
  return fluid_ != nullptr;
}

bool Synth::music_ready() const {
  return loader_ && loader_->synth();
}

int32_t Synth::channel_program(int32_t channel) const {
  int sfont = 0, bank = 0, preset = 0;
  if (!fluid_ || fluid_synth_get_program(fluid_, channel, &sfont, &bank, &preset) != FLUID_OK)
    return -1;
  return preset;
}

// A tune that began in silence joins in with its instruments and the notes it holds now.
void Synth::take_loaded_synth() {
  if (fluid_ || !loader_) return;
  fluid_ = loader_->synth();
  if (fluid_) sequencer_.join();
}

void Synth::FluidOutput::message(uint8_t status, uint8_t data1, uint8_t data2) {
  if (!fluid_) return;
  int ch = status & 0x0F;
  switch (status & 0xF0) {
    case 0x80:
      fluid_synth_noteoff(fluid_, ch, data1);
      break;
    case 0x90:
      fluid_synth_noteon(fluid_, ch, data1, data2);  // velocity 0 releases
      break;
    case 0xA0:
      fluid_synth_key_pressure(fluid_, ch, data1, data2);
      break;
    case 0xB0:
      fluid_synth_cc(fluid_, ch, data1, data2);
      break;
    case 0xC0:
      fluid_synth_program_change(fluid_, ch, data1);
      break;
    case 0xD0:
      fluid_synth_channel_pressure(fluid_, ch, data1);
      break;
    case 0xE0:
      fluid_synth_pitch_bend(fluid_, ch, data1 | (data2 << 7));
      break;
    default:
      break;
  }
}

void Synth::music_play(const MidiSong* song, uint64_t from_us) {
  sequencer_.play(song, from_us);
}

void Synth::music_stop() {
  sequencer_.stop();
}

// Renders in pieces that end where the next event is due, so every event sounds on its frame.
void Synth::render_music(float* out, int32_t frames) {
  take_loaded_synth();
  sequencer_.run(static_cast<uint64_t>(frames), [&](uint64_t done, uint64_t n) {
    float* at = out + 2 * done;
    if (fluid_) {
      fluid_synth_write_float(fluid_, static_cast<int>(n), at, 0, 2, at, 1, 2);
    } else {
      std::memset(at, 0, sizeof(float) * 2 * static_cast<size_t>(n));
    }
  });
}

void Synth::effect_play(const Wave* wave, bool loop) {
  effects_.play(wave, loop);
}

void Synth::effect_stop() {
  effects_.stop();
}

void Synth::render(float* out, int32_t frames) {
  if (frames <= 0) return;
  render_music(out, frames);
  if (music_level_ != 1.0f)
    for (int32_t i = 0; i < 2 * frames; ++i) out[i] *= music_level_;
  effects_.mix_into(out, frames, effects_level_);
  for (int32_t i = 0; i < 2 * frames; ++i) out[i] = soft_limit(out[i]);
}

}  // namespace qv
