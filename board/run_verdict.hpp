// What a verified recording stands for on the board, chosen by the rule of the table of best
// runs the game keeps: its last credit, when that credit's game began on
// the title, with the start it began with. A verdict crosses from the verifying child to the
// server as a few lines of text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "game/verify.hpp"

namespace qv::board {

struct RunVerdict {
  bool verified = false;
  std::string reason;  // the verifier's line: "verified, ..." or why not
  int64_t steps = 0;
  // The credit it is ranked by: "two" (Space) or "ten" (Left, ten ships from -10000); none
  // for a verified recording that proves no credit of a game begun on the title.
  std::optional<std::string> start;
  int32_t score = 0;
  std::string ending;  // "over" or "ending"
};

// The rule of the game's own table (ranked_credit), with the start named as the board's API
// names it.
RunVerdict run_verdict(const Verdict& verdict);

std::string verdict_text(const RunVerdict& v);
std::optional<RunVerdict> verdict_from_text(const std::string& text);

}  // namespace qv::board
