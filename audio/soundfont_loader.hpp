// Loads the instruments some tunes play from a soundfont into a FluidSynth synthesizer of its
// own, on a thread of its own. The loader owns everything it makes; its owner may let go of it
// at any moment, even in the middle of reading the file, and never waits for it: the last one
// to hold it (the owner, or the thread when it ends) frees the synthesizer.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "audio/soundfont_subset.hpp"
#include "audio/tune_instruments.hpp"

typedef struct _fluid_synth_t fluid_synth_t;
typedef struct _fluid_hashtable_t fluid_settings_t;

namespace qv {

// Whose soundfont is loaded: a file the program names (the tools, the tests), or the player's
// choice, which is looked at on the loader's thread, since a name may stand for a pipe or a
// slow disk, and gives way to the system's soundfont when it is none that can be read.
enum class SoundfontChoice { file, player };

class SoundfontLoader {
 public:
  // How the loader cuts the soundfont down: SoundfontSubset::cut, but for tests.
  using Cut = std::shared_ptr<const SoundfontSubset> (*)(const std::string& path,
                                                         const std::vector<InstrumentUse>& uses);

  SoundfontLoader(std::string soundfont, int32_t sample_rate,
                  SoundfontChoice choice = SoundfontChoice::file, Cut cut = &SoundfontSubset::cut);
  ~SoundfontLoader();
  SoundfontLoader(const SoundfontLoader&) = delete;
  SoundfontLoader& operator=(const SoundfontLoader&) = delete;

  // Starts the thread, once, with the instruments to load; the thread holds `self`. Nothing
  // to load, no thread to spare, or a failure on the thread (one warning) means no music.
  static void start(const std::shared_ptr<SoundfontLoader>& self, std::vector<InstrumentUse> uses);
  bool started() const { return started_; }
  // The owner will not take the synthesizer: the thread stops at its next step.
  void abandon() { abandoned_.store(true, std::memory_order_relaxed); }

  // The complete synthesizer, or null while it loads and when it failed. Any thread.
  fluid_synth_t* synth() const { return ready_.load(std::memory_order_acquire); }
  // Waits until the loading has ended; true when the synthesizer is there.
  bool wait();

 private:
  void load(const std::vector<InstrumentUse>& uses);
  bool abandoned() const { return abandoned_.load(std::memory_order_relaxed); }
  void finish();

  const std::string soundfont_;
  const int32_t rate_;
  const SoundfontChoice choice_;
  const Cut cut_;
  bool started_ = false;  // the owner's alone
  std::atomic<bool> abandoned_{false};
  std::atomic<fluid_synth_t*> ready_{nullptr};

  // Made by the thread; freed by whoever lets go of the loader last.
  std::shared_ptr<const SoundfontSubset> subset_;
  std::string subset_name_;
  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;

  std::mutex mutex_;
  std::condition_variable ended_;
  bool finished_ = false;
};

// The FluidSynth settings the game plays with, for `channels` MIDI channels.
fluid_settings_t* new_game_fluid_settings(int32_t sample_rate, int32_t channels);
// Loads the cut soundfont into a synthesizer as a soundfont of its own, under a name that stays
// registered (for FluidSynth to read its samples) until unregister_subset; the soundfont's id,
// or -1.
int load_subset(fluid_synth_t* synth, fluid_settings_t* settings,
                const std::shared_ptr<const SoundfontSubset>& subset, std::string& name);
void unregister_subset(const std::string& name);

}  // namespace qv
