// Standard MIDI files from the disk: whatever the bytes, the reader returns a song whose
// events are in time order within its length, or nothing; it never reads past the buffer.
#include <cstdlib>

#include "formats/midi.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::optional<qv::MidiSong> song = qv::parse_midi(data, size);
  if (!song) return 0;
  uint64_t last = 0;
  for (const qv::MidiEvent& e : song->events) {
    if (e.time_us < last || e.time_us > song->length_us) std::abort();
    if (e.status < 0x80 || e.status > 0xEF || (e.data1 | e.data2) & 0x80) std::abort();
    last = e.time_us;
  }
  return 0;
}
