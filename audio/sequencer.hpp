// Our sequencer: plays a tune's channel events at their times into a MIDI output, and stops at
// the tune's own end. It counts time in units of a rate of its own: a sound card's frames for
// the synthesizer, which renders between events, or microseconds for a MIDI device, which a
// timing thread feeds. Both hear the same messages in the same order.
#pragma once

#include <algorithm>
#include <cstdint>

#include "formats/midi.hpp"

namespace qv {

// Where the messages go: a synthesizer, a system MIDI device, or a test's recorder.
class MidiOutput {
 public:
  virtual ~MidiOutput() = default;
  virtual void message(uint8_t status, uint8_t data1, uint8_t data2) = 0;
};

class Sequencer {
 public:
  static constexpr int kChannels = 16;

  Sequencer(int64_t rate, MidiOutput& out) : rate_(static_cast<uint64_t>(rate)), out_(out) {}

  // Plays the song from the given point, the channels reset and the instruments and
  // controllers of the events before it chased; a null song just falls silent.
  void play(const MidiSong* song, uint64_t from_us);
  // Every sounding note goes into its release, pedals come up, controllers return home.
  void stop();
  // True while a tune is still before its end.
  bool playing() const { return song_ != nullptr; }
  // Units since the tune's position 0.
  uint64_t position() const { return pos_; }
  int64_t rate() const { return static_cast<int64_t>(rate_); }

  // Goes `units` on, in pieces that end where the next event is due: every event is sent on
  // its unit, and `between(offset, n)` is called for each piece (a synthesizer renders it).
  template <typename Between>
  void run(uint64_t units, Between&& between) {
    uint64_t done = 0;
    while (done < units) {
      play_due();
      uint64_t n = units - done;
      if (song_) {
        n = std::min(n, until_next());
        pos_ += n;
      }
      between(done, n);
      done += n;
    }
    play_due();  // a tune whose end falls on the last unit is over now
  }
  // Units from the position to the next event or the end; after run(), never 0 while playing.
  uint64_t until_next() const;

  // For an output that joins late (a synthesizer just loaded): the channels reset, then the
  // instruments, controllers and held notes of the events passed.
  void join();
  // The notes struck before now and not yet released, struck again (after a pause).
  void sound_held_notes();
  // Every note off and the pedals up, controllers kept: for a pause.
  void silence();

 private:
  uint64_t unit_of(uint64_t us) const { return us * rate_ / 1000000; }
  void play_due();
  void reset_channels();
  void release_all_channels();
  void chase_controllers();
  void send(const MidiEvent& e) { out_.message(e.status, e.data1, e.data2); }

  uint64_t rate_;
  MidiOutput& out_;
  const MidiSong* song_ = nullptr;
  size_t next_event_ = 0;
  uint64_t pos_ = 0;
  uint64_t end_ = 0;
};

}  // namespace qv
