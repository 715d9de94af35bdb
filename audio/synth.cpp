#include "audio/synth.hpp"

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <system_error>

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

// The synth's output level: our tunes peak between -11 and -4.5 dBFS through it (see
// tools/render_audio.sh), which leaves room for the effects on top.
constexpr double kMusicGain = 0.30;
// The effects play at their own level, as made; the files carry the balance.
constexpr float kEffectGain = 1.0f;
// A new effect starts with a very short fade-in and the one it cuts off fades out, so that
// neither a cut nor a start ever clicks, yet a hit still sounds at once.
constexpr double kFadeInSeconds = 0.0015;
constexpr double kFadeOutSeconds = 0.004;
// Above this level the mix is bent softly towards full scale instead of clipping.
constexpr float kKnee = 0.9f;

constexpr int kAllChannels = 16;
constexpr int kSustain = 64, kAllNotesOff = 123, kResetControllers = 121;
constexpr int kVolume = 7, kPan = 10, kExpression = 11, kReverbSend = 91, kChorusSend = 93;

bool readable(const char* path) {
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  std::fclose(f);
  return true;
}

uint32_t le32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// The hydra of a SoundFont: its nine tables, in this order, each of whole records.
bool hydra_fits(std::FILE* f, long from, long to) {
  static constexpr struct {
    const char* id;
    uint32_t record;
  } kTables[] = {{"phdr", 38}, {"pbag", 4},  {"pmod", 10}, {"pgen", 4}, {"inst", 22},
                 {"ibag", 4},  {"imod", 10}, {"igen", 4},  {"shdr", 46}};
  long pos = from;
  for (const auto& table : kTables) {
    unsigned char head[8];
    if (pos + 8 > to || std::fseek(f, pos, SEEK_SET) != 0 || std::fread(head, 1, 8, f) != 8)
      return false;
    uint32_t len = le32(head + 4);
    if (std::memcmp(head, table.id, 4) != 0 || len == 0 || len % table.record != 0 ||
        static_cast<long>(len) > to - pos - 8)
      return false;
    pos += 8 + static_cast<long>(len);
  }
  return true;
}

// Only sound SoundFont files go to FluidSynth: when its own loader fails on a file, it hands
// the file on to another library, which complains on the console.
bool looks_like_soundfont(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  unsigned char head[12];
  bool info = false, samples = false, hydra = false;
  if (std::fread(head, 1, 12, f) == 12 && std::memcmp(head, "RIFF", 4) == 0 &&
      std::memcmp(head + 8, "sfbk", 4) == 0 && std::fseek(f, 0, SEEK_END) == 0) {
    long end = std::min<long>(std::ftell(f), 8 + static_cast<long>(le32(head + 4)));
    long pos = 12;
    unsigned char list[12];
    while (pos + 12 <= end && std::fseek(f, pos, SEEK_SET) == 0 &&
           std::fread(list, 1, 12, f) == 12) {
      long len = static_cast<long>(le32(list + 4));
      if (std::memcmp(list, "LIST", 4) != 0 || len < 4 || len > end - pos - 8) break;
      if (std::memcmp(list + 8, "INFO", 4) == 0) info = true;
      if (std::memcmp(list + 8, "sdta", 4) == 0) samples = true;
      if (std::memcmp(list + 8, "pdta", 4) == 0) hydra = hydra_fits(f, pos + 12, pos + 8 + len);
      pos += 8 + len + (len & 1);
    }
  }
  std::fclose(f);
  return info && samples && hydra;
}

// FluidSynth reports a missing or broken soundfont on the console; the game shows no messages.
void quiet_fluidsynth() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level)
      fluid_set_log_function(level, nullptr, nullptr);
  });
}

float soft_limit(float x) {
  float a = std::fabs(x);
  if (a <= kKnee) return x;
  float bent = kKnee + (1.0f - kKnee) * std::tanh((a - kKnee) / (1.0f - kKnee));
  return x < 0 ? -bent : bent;
}

}  // namespace

std::string find_soundfont() {
  for (const char* path : kSoundfonts) {
    if (readable(path)) return path;
  }
  return "";
}

Synth::Synth(int32_t sample_rate, const std::string& soundfont) : rate_(sample_rate) {
  if (soundfont.empty() || rate_ <= 0) return;
  quiet_fluidsynth();
  try {
    loader_ = std::thread([this, soundfont] { load_soundfont(soundfont); });
  } catch (const std::system_error&) {
    // No thread to spare: the game goes on without music.
  }
}

Synth::~Synth() {
  if (loader_.joinable()) loader_.join();
  if (fluid_synth_t* synth = loaded_.load(std::memory_order_acquire)) delete_fluid_synth(synth);
  if (settings_) delete_fluid_settings(settings_);
}

// On the loader thread: builds a complete synth and only then hands it over, so the render
// thread never waits for the soundfont and never sees a half-made synth.
void Synth::load_soundfont(std::string path) {
  if (!looks_like_soundfont(path)) return;
  fluid_settings_t* settings = new_fluid_settings();
  if (!settings) return;
  fluid_settings_setnum(settings, "synth.sample-rate", rate_);
  fluid_settings_setnum(settings, "synth.gain", kMusicGain);
  fluid_settings_setint(settings, "synth.threadsafe-api", 0);  // one thread plays it
  fluid_settings_setint(settings, "synth.reverb.active", 1);
  fluid_settings_setnum(settings, "synth.reverb.room-size", 0.62);
  fluid_settings_setnum(settings, "synth.reverb.damp", 0.35);
  fluid_settings_setnum(settings, "synth.reverb.width", 0.9);
  fluid_settings_setnum(settings, "synth.reverb.level", 0.55);
  fluid_settings_setint(settings, "synth.chorus.active", 1);
  fluid_settings_setint(settings, "synth.chorus.nr", 3);
  fluid_settings_setnum(settings, "synth.chorus.level", 1.2);
  fluid_settings_setnum(settings, "synth.chorus.speed", 0.3);
  fluid_settings_setnum(settings, "synth.chorus.depth", 6.0);
  settings_ = settings;

  fluid_synth_t* synth = new_fluid_synth(settings);
  if (!synth) return;
  if (fluid_synth_sfload(synth, path.c_str(), 1) == FLUID_FAILED) {
    delete_fluid_synth(synth);
    return;
  }
  loaded_.store(synth, std::memory_order_release);
}

bool Synth::wait_for_soundfont() {
  if (loader_.joinable()) loader_.join();
  take_loaded_synth();
  return fluid_ != nullptr;
}

int32_t Synth::channel_program(int32_t channel) const {
  int sfont = 0, bank = 0, preset = 0;
  if (!fluid_ || fluid_synth_get_program(fluid_, channel, &sfont, &bank, &preset) != FLUID_OK)
    return -1;
  return preset;
}

void Synth::take_loaded_synth() {
  if (fluid_) return;
  fluid_ = loaded_.load(std::memory_order_acquire);
  if (!fluid_) return;
  reset_channels();
  chase_controllers();  // a tune that began in silence joins in with the right instruments
}

uint64_t Synth::sample_of(uint64_t us) const {
  return us * static_cast<uint64_t>(rate_) / 1000000;
}

void Synth::send(const MidiEvent& e) {
  int ch = e.status & 0x0F;
  switch (e.status & 0xF0) {
    case 0x80:
      fluid_synth_noteoff(fluid_, ch, e.data1);
      break;
    case 0x90:
      fluid_synth_noteon(fluid_, ch, e.data1, e.data2);  // velocity 0 releases
      break;
    case 0xA0:
      fluid_synth_key_pressure(fluid_, ch, e.data1, e.data2);
      break;
    case 0xB0:
      fluid_synth_cc(fluid_, ch, e.data1, e.data2);
      break;
    case 0xC0:
      fluid_synth_program_change(fluid_, ch, e.data1);
      break;
    case 0xD0:
      fluid_synth_channel_pressure(fluid_, ch, e.data1);
      break;
    case 0xE0:
      fluid_synth_pitch_bend(fluid_, ch, e.data1 | (e.data2 << 7));
      break;
    default:
      break;
  }
}

// Every sounding note goes into its release (no cut, so no click), pedals come up and the
// controllers return to where a new tune expects them.
void Synth::release_all_channels() {
  if (!fluid_) return;
  for (int ch = 0; ch < kAllChannels; ++ch) {
    fluid_synth_cc(fluid_, ch, kSustain, 0);
    fluid_synth_cc(fluid_, ch, kAllNotesOff, 0);
    fluid_synth_cc(fluid_, ch, kResetControllers, 0);
    fluid_synth_pitch_bend(fluid_, ch, 8192);
  }
}

// Instruments and controllers of the events already passed, notes left out.
void Synth::chase_controllers() {
  if (!fluid_ || !song_) return;
  for (size_t i = 0; i < next_event_; ++i) {
    const MidiEvent& e = song_->events[i];
    uint8_t kind = e.status & 0xF0;
    if (kind == 0xB0 || kind == 0xC0 || kind == 0xE0) send(e);
  }
}

// What a tune may take for granted at its start: piano everywhere, the drums on channel 10,
// the usual levels. Notes of the tune before still ring out in their release.
void Synth::reset_channels() {
  release_all_channels();
  if (!fluid_) return;
  for (int ch = 0; ch < kAllChannels; ++ch) {
    fluid_synth_program_change(fluid_, ch, 0);
    fluid_synth_cc(fluid_, ch, kVolume, 100);
    fluid_synth_cc(fluid_, ch, kPan, 64);
    fluid_synth_cc(fluid_, ch, kExpression, 127);
    fluid_synth_cc(fluid_, ch, kReverbSend, 40);
    fluid_synth_cc(fluid_, ch, kChorusSend, 0);
  }
}

void Synth::music_play(const MidiSong* song, uint64_t from_us) {
  song_ = nullptr;
  reset_channels();
  if (!song) return;
  song_ = song;
  pos_ = sample_of(from_us);
  end_ = sample_of(song->length_us);
  auto first_due = std::find_if(song->events.begin(), song->events.end(),
                                [&](const MidiEvent& e) { return sample_of(e.time_us) >= pos_; });
  next_event_ = static_cast<size_t>(first_due - song->events.begin());
  chase_controllers();
}

void Synth::music_stop() {
  release_all_channels();
  song_ = nullptr;
}

void Synth::play_events_due() {
  if (!song_) return;
  const std::vector<MidiEvent>& events = song_->events;
  while (next_event_ < events.size() && sample_of(events[next_event_].time_us) <= pos_) {
    if (fluid_) send(events[next_event_]);
    ++next_event_;
  }
  if (next_event_ == events.size() && pos_ >= end_) song_ = nullptr;
}

// Renders in pieces that end where the next event is due, so every event sounds on its frame.
void Synth::render_music(float* out, int32_t frames) {
  take_loaded_synth();
  int32_t done = 0;
  while (done < frames) {
    play_events_due();
    int32_t n = frames - done;
    if (song_) {
      const std::vector<MidiEvent>& events = song_->events;
      uint64_t next = next_event_ < events.size() ? sample_of(events[next_event_].time_us) : end_;
      n = static_cast<int32_t>(std::min<uint64_t>(static_cast<uint64_t>(n), next - pos_));
      pos_ += static_cast<uint64_t>(n);
    }
    float* at = out + 2 * done;
    if (fluid_) {
      fluid_synth_write_float(fluid_, n, at, 0, 2, at, 1, 2);
    } else {
      std::memset(at, 0, sizeof(float) * 2 * static_cast<size_t>(n));
    }
    done += n;
  }
  play_events_due();  // a tune whose end falls on this block's last frame is over now
}

void Synth::effect_play(const Wave* wave, bool loop) {
  effect_stop();
  if (!wave || wave->sample_rate <= 0 || wave->channels < 1 || wave->channels > 2 ||
      wave->samples.size() < static_cast<size_t>(wave->channels))
    return;
  voice_ = EffectVoice{};
  voice_.wave = wave;
  voice_.step = static_cast<double>(wave->sample_rate) / rate_;
  voice_.loop = loop;
  voice_.gain = 0;
  voice_.gain_step = static_cast<float>(1.0 / std::max(1.0, kFadeInSeconds * rate_));
}

void Synth::effect_stop() {
  if (!voice_.wave) return;
  EffectVoice& dying = fading_[static_cast<size_t>(next_fading_)];
  next_fading_ = (next_fading_ + 1) % kFadingVoices;
  dying = voice_;
  dying.gain_step = -static_cast<float>(1.0 / std::max(1.0, kFadeOutSeconds * rate_));
  voice_ = EffectVoice{};
}

void Synth::render_voice(EffectVoice& v, float* out, int32_t frames) {
  const std::vector<int16_t>& s = v.wave->samples;
  const size_t channels = static_cast<size_t>(v.wave->channels);
  const size_t length = s.size() / channels;
  const float kScale = kEffectGain * effects_level_ / 32768.0f;
  for (int32_t i = 0; i < frames && v.wave; ++i) {
    if (v.pos >= static_cast<double>(length)) {
      if (!v.loop) {
        v.wave = nullptr;
        break;
      }
      v.pos -= static_cast<double>(length) * std::floor(v.pos / static_cast<double>(length));
    }
    size_t at = static_cast<size_t>(v.pos);
    size_t next = at + 1 < length ? at + 1 : (v.loop ? 0 : length);
    float frac = static_cast<float>(v.pos - static_cast<double>(at));
    for (size_t c = 0; c < 2; ++c) {
      size_t ch = channels == 2 ? c : 0;
      float a = s[at * channels + ch];
      float b = next < length ? s[next * channels + ch] : 0.0f;
      out[2 * i + static_cast<int32_t>(c)] += (a + (b - a) * frac) * kScale * v.gain;
    }
    v.pos += v.step;
    v.gain += v.gain_step;
    if (v.gain >= 1.0f) {
      v.gain = 1.0f;
      v.gain_step = 0;
    } else if (v.gain <= 0.0f && v.gain_step < 0) {
      v.wave = nullptr;
    }
  }
}

void Synth::render_effects(float* out, int32_t frames) {
  if (voice_.wave) render_voice(voice_, out, frames);
  for (EffectVoice& v : fading_) {
    if (v.wave) render_voice(v, out, frames);
  }
}

void Synth::render(float* out, int32_t frames) {
  if (frames <= 0) return;
  render_music(out, frames);
  if (music_level_ != 1.0f)
    for (int32_t i = 0; i < 2 * frames; ++i) out[i] *= music_level_;
  render_effects(out, frames);
  for (int32_t i = 0; i < 2 * frames; ++i) out[i] = soft_limit(out[i]);
}

}  // namespace qv
