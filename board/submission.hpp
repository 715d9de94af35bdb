// A recording as it is submitted: read (never replayed) in the request, so that what cannot be
// a run is refused at once with its reason, and what can is stored to be verified.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "game/key_script.hpp"

namespace qv::board {

// The longest game the board replays: two hours of steps. Longer ones are refused unread.
// (The verifier is getting this limit of its own; this one goes over to it then.)
constexpr int64_t kLongestRun = 720'000;
// The largest recording taken (a whole game of the corpus is about 8 KiB).
constexpr size_t kLargestRecording = 1 << 20;

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
