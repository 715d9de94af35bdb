// The recording, format 2: a key script (key_script.hpp) with a few more kinds of line, so
// that every key script and every recording of format 1 keeps its meaning.
//
//   # Quelvaris recording: quelvaris-sim --keys FILE replays it, --verify FILE checks it
//   format 2                  the format; a recording without this line is of format 1
//   game quelvaris 1.1.0      the version of the game that recorded it
//   seed 3012948811
//   152 space                 from step 152 exactly Space is held
//   score 871 2200 over       a credit ended at step 871 with 2200, by its game over
//   check 900 5f0e1d2c3b4a5968  the check value of the game after step 900
//   3783 end                  the game ended itself at step 3783 ("close": the window closed)
//
// Format 3 is format 2 with one more line, in games taken over from a replay (and practice):
//   takeover 1520             the keys up to step 1520 are the replay's, the player's after it
// Plain games are still written as format 2, so that a reader of format 2 replays them; it
// refuses a taken-over game as made by a newer Quelvaris.
//
// A check line follows every 100th step, every score line and the last step, so that any
// change to what the keys made shows within 100 steps. Lines come in the order of their steps.
// This file writes the lines and reads the ones format 2 adds; the hosts do the file work.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "game/credits.hpp"
#include "game/game.hpp"
#include "game/key_script.hpp"

namespace qv {

constexpr int kRecordingFormat = 2;                       // what plain games are written as
constexpr int kTakenOverFormat = 3;                       // games taken over from a replay
constexpr int kNewestRecordingFormat = kTakenOverFormat;  // the newest this reader reads
constexpr int64_t kCheckEvery = 100;

// The version of this game, as "game quelvaris VERSION" names it.
std::string_view game_version();

// The lines, each with its newline, appended to `out`.
void append_recording_head(std::string& out, uint32_t seed, int format = kRecordingFormat);
void append_key_line(std::string& out, int64_t step, uint8_t keys, uint8_t taps);
void append_score_line(std::string& out, const ScoreLine& score);
void append_check_line(std::string& out, const CheckLine& check);
void append_stop_line(std::string& out, int64_t step, bool closed);
void append_take_over_line(std::string& out, int64_t step);

// Writes a recording as the game goes: a host calls it after start-up and every step and
// writes out what it appended. Once the text has room for a line, nothing allocates.
class RecordingWriter {
 public:
  void begin(uint32_t seed, std::string& out);
  // Before step `step` runs with `keys`: its key line, so that a step the game fails in is in
  // the recording (after_step writes it when this was not called).
  void before_step(int64_t step, StepKeys keys, std::string& out);
  // After a step the game ran with `keys`: the step's key line when the keys held changed
  // or a key was tapped, its score line when a credit ended, its check line when one is
  // due, and its end line when the game ended itself in it.
  void after_step(const Game& game, StepKeys keys, std::string& out);
  // The window is being closed after the last step: the last check line and the close line.
  // Call it before the game's unload runs.
  void closing(const Game& game, std::string& out);
  // A key line for `step` unless a line names it already: what is written so far then replays
  // up to `step` on its own (the page saves copies of the recording while the game goes on).
  void mark(int64_t step, std::string& out);
  // What the last step began and ended.
  const CreditNews& news() const { return news_; }
  // The check line of the game as it stands, unless one was written for its step.
  void check(const Game& game, std::string& out);

 private:
  CreditWatch credits_;
  CreditNews news_;
  uint8_t held_ = 0;
  int64_t keys_step_ = -1;  // the step whose key line was written or found needless
  int64_t latest_ = 0;      // the latest step a line names
  int64_t last_check_ = -1;
  bool stopped_ = false;
};

// Reading: a line "format N", "game quelvaris VERSION", "check STEP HASH", "score STEP N
// HOW" or "takeover STEP" is read into the script (`read`) or refused with the reason (`refused`);
// any other line is left to the key script's reader (`other`). A format newer than ours is refused
// ("made by a newer Quelvaris: format N") with the number kept in `out.format`.
enum class RecordingLine { other, read, refused };
RecordingLine read_recording_line(const std::vector<std::string>& words, KeyScript& out,
                                  std::string& why);
// In a recording of format 2 every line with a step comes at or after the latest step named
// before it: false, with the line's step in `out.out_of_order_at`, when it does not.
bool in_step_order(KeyScript& out, int64_t step, std::string& why);
// The latest step any line of the script names.
int64_t latest_step(const KeyScript& script);

}  // namespace qv
