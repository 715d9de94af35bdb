// Standard MIDI files, read into one time-ordered list of channel events.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace qv {

struct MidiEvent {
  uint64_t time_us;  // from the start of the tune, tempo changes applied
  uint8_t status;    // a channel message: 0x80..0xEF
  uint8_t data1;
  uint8_t data2;
};

struct MidiSong {
  std::vector<MidiEvent> events;  // channel events of all tracks, in time order
  uint64_t length_us = 0;         // time of the last event of any kind, end of track included
};

// The most events (channel events and tempo changes) a file may hold. Our longest tune has
// 4,558; a file of millions of tiny events would take seconds and hundreds of MB to read.
constexpr size_t kMostMidiEvents = 200000;

// Reads a format 0 or 1 file with ticks-per-quarter timing; nullopt for anything else, for a
// damaged file and for one of more than kMostMidiEvents events. Never reads outside the buffer
// and never runs long on a hostile one.
std::optional<MidiSong> parse_midi(const uint8_t* data, size_t size);

}  // namespace qv
