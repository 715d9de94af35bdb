// The trace of a game: one JSON object a line for every handler call, with the step and the
// handler, the label, the timers, the media calls the handler made and the whole game state by
// name. Every host writes the same records, so a game's traces can be compared between them.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "game/game.hpp"

namespace qv {

// The record of the handler call that just ran, with its newline.
void append_trace_record(std::string& out, const Game& game, const char* handler, bool ended);

// Writes every handler call of a game to a stream; the host checks `failed()` at the end.
// Asked to, it keeps where each step's records end, so that a host can cut its trace back to
// the end of a step (a replay taken over there, a practice started again) and go on from there.
class TraceWriter final : public HandlerObserver {
 public:
  explicit TraceWriter(std::ostream& out) : out_(out) {}
  void handler_ran(const Game& game, const char* handler, bool ended) override;
  bool failed() const;

  // From now on keeps where the records of every step up to `last` end; the room for them is
  // taken now, so that the steps played take none.
  void keep_step_ends(int64_t last);
  // The bytes written up to the end of `step`'s records, once the game has reached the step;
  // none for a step not kept.
  std::optional<uint64_t> end_of(int64_t step) const;
  uint64_t written() const { return written_; }
  // The stream now ends with `step`'s records (at end_of(step)) and is written on from there.
  void cut_back_to(int64_t step);

 private:
  void mark_end(int64_t step, uint64_t before);

  std::ostream& out_;
  std::string line_;
  uint64_t written_ = 0;
  int64_t last_kept_ = -1;
  std::vector<uint64_t> ends_;  // [step]: the bytes written up to the end of its records
};

}  // namespace qv
