// The trace of a game: one JSON object a line for every handler call, with the step and the
// handler, the label, the timers, the media calls the handler made and the whole game state by
// name. Every host writes the same records, so a game's traces can be compared between them.
#pragma once

#include <iosfwd>
#include <string>

#include "game/game.hpp"

namespace qv {

// The record of the handler call that just ran, with its newline.
void append_trace_record(std::string& out, const Game& game, const char* handler, bool ended);

// Writes every handler call of a game to a stream; the host checks `failed()` at the end.
class TraceWriter final : public HandlerObserver {
 public:
  explicit TraceWriter(std::ostream& out) : out_(out) {}
  void handler_ran(const Game& game, const char* handler, bool ended) override;
  bool failed() const;

 private:
  std::ostream& out_;
  std::string line_;
};

}  // namespace qv
