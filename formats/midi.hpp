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

// Reads a format 0 or 1 file with ticks-per-quarter timing; nullopt for anything else or for a
// damaged file. Never reads outside the buffer and never runs long on a hostile one.
std::optional<MidiSong> parse_midi(const uint8_t* data, size_t size);

}  // namespace qv
