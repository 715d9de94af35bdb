#include "audio/soundfont_loader.hpp"

#include <fluidsynth.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <new>
#include <system_error>
#include <thread>

#include "audio/synth.hpp"

namespace qv {
namespace {

// The synth's output level: our tunes peak between -11 and -4.5 dBFS through it (see
// tools/render_audio.sh), which leaves room for the effects on top.
constexpr double kMusicGain = 0.30;
// The channels the tunes play on; each preset of the cut soundfont is held on one more, which
// plays nothing, so that its samples stay in memory whatever the tunes choose and let go.
constexpr int32_t kTuneChannels = 16;
constexpr int32_t kMostChannels = 256;

// FluidSynth reports a missing or broken soundfont on the console; the game shows no messages.
void quiet_fluidsynth() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level)
      fluid_set_log_function(level, nullptr, nullptr);
  });
}

// FluidSynth opens a soundfont by name through the reader it is given, which knows nothing but
// the name: the cut soundfonts are found by theirs here. Never destroyed, because a loader that
// was let go of may still be reading when the program exits.
std::mutex& registry_mutex() {
  static auto* mutex = new std::mutex;
  return *mutex;
}

std::map<std::string, std::shared_ptr<const SoundfontSubset>>& registry() {
  static auto* subsets = new std::map<std::string, std::shared_ptr<const SoundfontSubset>>;
  return *subsets;
}

struct OpenSubset {
  std::shared_ptr<const SoundfontSubset> subset;
  int64_t pos = 0;
};

void* open_subset(const char* name) {
  std::lock_guard<std::mutex> lock(registry_mutex());
  auto it = registry().find(name);
  if (it == registry().end()) return nullptr;
  return new (std::nothrow) OpenSubset{it->second, 0};
}

int read_subset(void* buf, fluid_long_long_t count, void* handle) {
  auto* file = static_cast<OpenSubset*>(handle);
  if (!file->subset->read(file->pos, buf, count)) return FLUID_FAILED;
  file->pos += count;
  return FLUID_OK;
}

int seek_subset(void* handle, fluid_long_long_t offset, int origin) {
  auto* file = static_cast<OpenSubset*>(handle);
  int64_t base = origin == SEEK_SET ? 0 : origin == SEEK_CUR ? file->pos : file->subset->size();
  int64_t pos = base + offset;
  if (pos < 0 || pos > file->subset->size()) return FLUID_FAILED;
  file->pos = pos;
  return FLUID_OK;
}

fluid_long_long_t tell_subset(void* handle) {
  return static_cast<OpenSubset*>(handle)->pos;
}

int close_subset(void* handle) {
  delete static_cast<OpenSubset*>(handle);
  return FLUID_OK;
}

}  // namespace

fluid_settings_t* new_game_fluid_settings(int32_t sample_rate, int32_t channels) {
  fluid_settings_t* settings = new_fluid_settings();
  if (!settings) return nullptr;
  fluid_settings_setnum(settings, "synth.sample-rate", sample_rate);
  fluid_settings_setnum(settings, "synth.gain", kMusicGain);
  fluid_settings_setint(settings, "synth.threadsafe-api", 0);  // one thread plays it
  // Samples are read as their presets are chosen: those of the cut soundfont, held from then on.
  fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
  fluid_settings_setint(settings, "synth.midi-channels", channels);
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
  return settings;
}

int load_subset(fluid_synth_t* synth, fluid_settings_t* settings,
                const std::shared_ptr<const SoundfontSubset>& subset, std::string& name) {
  static std::atomic<uint64_t> serial{0};
  // Below a file that is no folder, so that no other reader FluidSynth may try finds a file.
  name = "/dev/null/quelvaris-cut-" + std::to_string(++serial) + ".sf2";
  {
    std::lock_guard<std::mutex> lock(registry_mutex());
    registry()[name] = subset;
  }
  fluid_sfloader_t* reader = new_fluid_defsfloader(settings);
  if (!reader) return -1;
  fluid_sfloader_set_callbacks(reader, open_subset, read_subset, seek_subset, tell_subset,
                               close_subset);
  fluid_synth_add_sfloader(synth, reader);
  int id = fluid_synth_sfload(synth, name.c_str(), 1);
  return id == FLUID_FAILED ? -1 : id;
}

void unregister_subset(const std::string& name) {
  std::lock_guard<std::mutex> lock(registry_mutex());
  registry().erase(name);
}

SoundfontLoader::SoundfontLoader(std::string soundfont, int32_t sample_rate, SoundfontChoice choice,
                                 Cut cut)
    : soundfont_(std::move(soundfont)), rate_(sample_rate), choice_(choice), cut_(cut) {}

SoundfontLoader::~SoundfontLoader() {
  if (synth_) delete_fluid_synth(synth_);
  if (settings_) delete_fluid_settings(settings_);
  if (!subset_name_.empty()) unregister_subset(subset_name_);
}

void SoundfontLoader::start(const std::shared_ptr<SoundfontLoader>& self,
                            std::vector<InstrumentUse> uses) {
  if (self->started_) return;
  self->started_ = true;
  bool none = self->soundfont_.empty() && self->choice_ == SoundfontChoice::file;
  if (uses.empty() || none || self->rate_ <= 0) return self->finish();
  quiet_fluidsynth();
  try {
    std::thread([self, uses = std::move(uses)] {
      // Whatever fails here (memory, most likely) costs the music, never the game.
      try {
        self->load(uses);
      } catch (const std::exception& e) {
        std::fprintf(stderr,
                     "quelvaris: the music cannot be loaded (%s), the game goes on silent\n",
                     e.what());
      } catch (...) {
        std::fputs("quelvaris: the music cannot be loaded, the game goes on silent\n", stderr);
      }
      self->finish();
    }).detach();
  } catch (const std::system_error&) {
    self->finish();  // no thread to spare: the game goes on without music
  }
}

// On the loader's thread: the synthesizer is handed over only once every sample it will play
// is in, so the thread that renders never reads the file, never waits and never sees it half
// made.
void SoundfontLoader::load(const std::vector<InstrumentUse>& uses) {
  std::string path = choice_ == SoundfontChoice::player ? soundfont_to_use(soundfont_) : soundfont_;
  if (path.empty() || abandoned()) return;
  subset_ = cut_(path, uses);
  if (!subset_ || abandoned()) return;
  int32_t pins = static_cast<int32_t>(subset_->presets().size());
  int32_t channels = std::min(kMostChannels, (kTuneChannels + pins + 15) / 16 * 16);
  settings_ = new_game_fluid_settings(rate_, channels);
  if (!settings_) return;
  synth_ = new_fluid_synth(settings_);
  if (!synth_) return;
  int sfont = load_subset(synth_, settings_, subset_, subset_name_);
  if (sfont < 0) return;
  for (size_t i = 0; i < subset_->presets().size(); ++i) {
    int channel = kTuneChannels + static_cast<int>(i);
    if (abandoned() || channel >= channels) break;
    auto [bank, program] = subset_->presets()[i];
    fluid_synth_program_select(synth_, channel, sfont, bank, program);
  }
  if (!abandoned()) ready_.store(synth_, std::memory_order_release);
}

void SoundfontLoader::finish() {
  std::lock_guard<std::mutex> lock(mutex_);
  finished_ = true;
  ended_.notify_all();
}

bool SoundfontLoader::wait() {
  if (!started_) return false;
  std::unique_lock<std::mutex> lock(mutex_);
  ended_.wait(lock, [this] { return finished_; });
  return synth() != nullptr;
}

}  // namespace qv
