// What the player asks for on the command line. Options apply to the run they are given for;
// the settings file holds what stays.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qv {

struct Options {
  std::optional<int> scale;        // 1 to 8
  std::optional<bool> fullscreen;  // --fullscreen, or --window for false
  std::optional<std::string> soundfont;
  std::optional<int> music_volume;    // 0 to 100
  std::optional<int> effects_volume;  // 0 to 100
  bool mute = false;
  std::string record;               // write a recording of the game here
  std::string replay;               // play this recording instead of the player's keys
  std::string trace;                // write the game's trace here
  std::vector<std::string> verify;  // --verify: replay these recordings and say what they prove
  bool scores = false;              // --scores: print the table of best runs
  // An online board: its address, a name to register there, recordings to send to it.
  std::string board;
  std::optional<std::string> register_name;
  bool submit = false;
  std::vector<std::string> submit_files;
  bool best = false;  // --submit --best: the entries of the table the board has not had
  // Watching a replay: where it starts, how fast, and the step at which the player takes over.
  std::optional<int64_t> from;
  double speed = 1;  // 0.25, 0.5, 1, 2, 4 or 8
  std::optional<int64_t> take_over;
  std::optional<int32_t> practice;  // the stage frame the practice takes over at
};

// The parse went through and the game is to start.
constexpr int kGoOn = -1;

// Fills `options` from the command line. Returns kGoOn, or the exit status when the program
// is done already: 0 after --help or --version, 2 after a bad option or value (one line on
// stderr naming it).
int parse_options(int argc, const char* const* argv, Options& options);

}  // namespace qv
