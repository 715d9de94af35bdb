// A recording as it is submitted: read (never replayed) in the request, so that what cannot be
// a run is refused at once with its reason, and what can is stored to be verified.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "game/key_script.hpp"
#include "game/verify.hpp"

namespace qv::board {

// The longest game the board replays and the largest recording it takes are the verifier's
// (kLongestVerifiedSteps, kLargestVerifiedRecording): longer ones are refused unread.

struct Submission {
  KeyScript script;
  // What makes it one game: its seed and keys, as text, for the digest two submissions of
  // the same game share.
  std::string game;
};

// The practice route shipped with the music, whose check values a copy is told by.
struct Route {
  std::vector<CheckLine> checks;
};

// The furthest step any line of the recording names, its close or end line included.
int64_t steps_claimed(const KeyScript& script);

// The submission, or nothing with the reason it cannot be a run.
std::optional<Submission> read_submission(const std::string& bytes, const Route& route,
                                          std::string& why);

}  // namespace qv::board
