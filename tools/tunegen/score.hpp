// A tune as our notation describes it, laid out on a tick grid, and its standard MIDI file.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace tunegen {

constexpr int64_t kTicksPerQuarter = 480;
constexpr int64_t kTicksPerWhole = 4 * kTicksPerQuarter;

struct Voice {
  std::string name;
  int channel = 0;  // 0..15; 9 is the drums
  int program = 0;
  int volume = 100;
  int pan = 64;
  int reverb = 40;
  int chorus = 0;
  int gate = 90;  // percent of each note's length that sounds
  int velocity = 80;
};

struct Note {
  int64_t on;
  int64_t off;
  int key;
  int velocity;
};

struct ProgramChange {
  int64_t tick;
  int program;
};

struct Track {
  Voice voice;
  std::vector<Note> notes;
  std::vector<ProgramChange> programs;
};

struct Tempo {
  int64_t tick;
  int bpm;
};

struct Score {
  std::string title;
  int meter_beats = 4;  // quarter notes per bar
  std::vector<Tempo> tempos;
  std::vector<Track> tracks;
  int64_t end = 0;  // the last bar line: every note is released by then
};

// A mistake in a tune file, with the file and line.
class NotationError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

Score parse_tune(const std::string& text, const std::string& file_name);
std::vector<uint8_t> write_smf(const Score& score);

}  // namespace tunegen
