// The trace of a game: one JSON object a line for every handler call, with the step and the
// handler, the label, the timers, the media calls the handler made and the whole game state by
// name. Every host writes the same records, so a game's traces can be compared between them.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "game/game.hpp"

namespace qv {

// The record of the handler call that just ran, with its newline.
void append_trace_record(std::string& out, const Game& game, const char* handler, bool ended);

// Writes every handler call of a game to a stream; the host checks `failed()` at the end.
// Asked to, it keeps where each step's records end, so that its trace can be cut back to the
// end of a step (a replay taken over or closed there after a jump back, a practice started
// again) and go on from there.
class TraceWriter final : public HandlerObserver {
 public:
  // Cuts the stream back to its first `bytes` and leaves it to be written on from there; false
  // when it cannot (a pipe, a device).
  using Cutter = std::function<bool(uint64_t bytes)>;
  // Room for the ends of this many steps is taken at once; more grows as steps are traced.
  static constexpr size_t kFirstRoom = 1 << 16;

  explicit TraceWriter(std::ostream& out) : out_(out) {}
  void handler_ran(const Game& game, const char* handler, bool ended) override;
  bool failed() const;

  // From now on keeps where the records of every step up to `last` end. However far `last`
  // (a number a recording claims), room is taken only for the steps traced: a first block of
  // kFirstRoom now, doubled when the trace outgrows it.
  void keep_step_ends(int64_t last);
  // The bytes written up to the end of `step`'s records, once the game has reached the step;
  // none for a step not kept.
  std::optional<uint64_t> end_of(int64_t step) const;
  uint64_t written() const { return written_; }
  void cut_with(Cutter cut) { cut_ = std::move(cut); }
  // The stream now ends with `step`'s records (at end_of(step)) and is written on from there.
  // False, the stream and its bookkeeping left as they were, when the step is not kept or the
  // stream must be cut and cannot be (no cutter, or the cutter fails).
  bool cut_back_to(int64_t step);

 private:
  void mark_end(int64_t step, uint64_t before);

  std::ostream& out_;
  std::string line_;
  uint64_t written_ = 0;
  int64_t last_kept_ = -1;
  std::vector<uint64_t> ends_;  // [step]: the bytes written up to the end of its records
  Cutter cut_;
};

// The cutter of a trace kept in memory (the page's, the tests').
TraceWriter::Cutter string_cutter(std::ostringstream& out);

}  // namespace qv
