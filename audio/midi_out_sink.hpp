// The music played on a system MIDI device (on Windows the MIDI mapper, which plays it with
// Windows' own synthesizer): our sequencer sends the tunes' events to the device from a timing
// thread of its own, at their times on the host's clock. The effects play elsewhere (a sink
// over the sound card); this sink only takes the music.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

#include "audio/sequencer.hpp"
#include "system/media.hpp"

namespace qv {

// The sequencer on a clock, for one thread: what the timing thread runs, and what a test runs
// by hand. The music's level scales every channel's volume; a pause silences the notes and
// stops the tune's time, and the going on strikes the held notes again.
class MidiPlayer {
 public:
  explicit MidiPlayer(MidiOutput& device) : out_(device) {}

  void play(const MidiSong* song, uint64_t from_us, uint64_t now_us);
  void stop() { sequencer_.stop(); }
  // 0 (silent) to 1 (as made).
  void set_level(float level);
  void pause(uint64_t now_us);
  void resume(uint64_t now_us);
  bool playing() const { return sequencer_.playing(); }

  // Sends what is due by now; the clock time at which the next message is due, none while
  // nothing plays or the music is paused.
  std::optional<uint64_t> pump(uint64_t now_us);

 private:
  // Passes the messages on with each channel's volume scaled by the level, and remembers the
  // volumes the tune asked for, so that a new level applies at once.
  class LeveledOutput final : public MidiOutput {
   public:
    explicit LeveledOutput(MidiOutput& device) : device_(device) { volume_.fill(100); }
    void message(uint8_t status, uint8_t data1, uint8_t data2) override;
    void set_level(float level);

   private:
    uint8_t scaled(uint8_t volume) const;

    MidiOutput& device_;
    float level_ = 1;
    std::array<uint8_t, Sequencer::kChannels> volume_;
  };

  uint64_t tune_time(uint64_t now_us) const;

  LeveledOutput out_;
  Sequencer sequencer_{1000000, out_};  // in microseconds
  int64_t origin_us_ = 0;               // clock time of the tune's position 0, pauses left out
  bool paused_ = false;
  uint64_t paused_at_us_ = 0;
};

class MidiOutSink final : public AudioSink {
 public:
  // The device and the clock outlive the sink.
  MidiOutSink(MidiOutput& device, const Clock& clock);
  // Silences the device and ends the timing thread.
  ~MidiOutSink() override;
  MidiOutSink(const MidiOutSink&) = delete;
  MidiOutSink& operator=(const MidiOutSink&) = delete;

  void music_play(const MidiSong* song, uint64_t from_us) override;
  void music_stop() override;
  void effect_play(const Wave*, bool) override {}
  void effect_stop() override {}

  void set_music_level(float level);
  void set_muted(bool muted);
  void pause();
  void resume();

 private:
  void run();
  void apply_level();
  // Runs a change under the lock and wakes the timing thread to look at the clock again.
  template <typename Change>
  void change(Change&& what);

  const Clock& clock_;
  MidiPlayer player_;
  float level_ = 1;
  bool muted_ = false;
  bool changed_ = false;
  bool quit_ = false;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::thread thread_;  // last: starts once everything it reads is there
};

}  // namespace qv
