// Which instruments of a General MIDI synthesizer our tunes play, and on which keys: what the
// synth loads from the soundfont, so that the rest of it never takes memory.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <vector>

#include "formats/midi.hpp"

namespace qv {

// The soundfont bank the drum kits are in: channel 10 plays its programs from there.
constexpr int32_t kDrumBank = 128;

// One instrument as the synthesizer looks it up, with the keys struck on it.
struct InstrumentUse {
  int32_t bank = 0;  // kDrumBank for a drum kit
  int32_t program = 0;
  std::bitset<128> keys;
};

// Gathers the tunes one by one. Every tune starts on program 0 everywhere (the synth resets
// its channels for each), and a bank chosen on a channel in any tune may still hold when
// another plays, so a program counts in every bank its channel ever selected.
class TuneInstruments {
 public:
  void add(const MidiSong& song);
  // In bank and program order; empty when no tune strikes a note.
  std::vector<InstrumentUse> uses() const;

 private:
  static constexpr int kChannels = 16;
  static constexpr int kDrumChannel = 9;
  std::array<std::bitset<128>, kChannels> banks_{};  // bank selects seen, per channel
  std::array<std::array<std::bitset<128>, 128>, kChannels> keys_{};  // per channel and program
};

}  // namespace qv
