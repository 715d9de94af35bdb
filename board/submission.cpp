#include "board/submission.hpp"

#include <algorithm>
#include <sstream>

#include "game/recording_format.hpp"

namespace qv::board {
namespace {

std::string game_text(const KeyScript& s) {
  std::string text = "seed " + std::to_string(*s.seed) + "\n";
  for (const KeyLine& k : s.lines)
    text +=
        std::to_string(k.step) + " " + std::to_string(k.keys) + " " + std::to_string(k.taps) + "\n";
  text += "last " + std::to_string(s.last_step().value_or(0)) + "\n";
  return text;
}

// A game taken over from the shipped route at the step where its check value is the route's.
bool practised(const KeyScript& s, const Route& route) {
  for (const CheckLine& c : s.checks)
    if (c.step == *s.taken_over_at)
      return std::any_of(route.checks.begin(), route.checks.end(), [&](const CheckLine& r) {
        return r.step == c.step && r.value == c.value;
      });
  return false;
}

}  // namespace

int64_t steps_claimed(const KeyScript& script) {
  return std::max(latest_step(script), script.last_step().value_or(0));
}

std::optional<Submission> read_submission(const std::string& bytes, const Route& route,
                                          std::string& why) {
  if (bytes.size() > kLargestVerifiedRecording) {
    why = "a recording is at most 1 MiB";
    return std::nullopt;
  }
  Submission out;
  std::istringstream in(bytes);
  if (!parse_key_script(in, out.script, why)) {
    // Said as the verifier says it.
    if (out.script.format > kNewestRecordingFormat)
      why = "made by a newer Quelvaris: format " + std::to_string(out.script.format);
    else if (out.script.format >= 2 && out.script.out_of_order_at)
      why = "diverges at step " + std::to_string(*out.script.out_of_order_at) +
            " (a line out of order)";
    return std::nullopt;
  }
  const KeyScript& s = out.script;
  if (s.format < 2 || s.checks.empty()) {
    why = "format 1, no check values: it replays, but proves nothing";
    return std::nullopt;
  }
  if (!s.seed) {
    why = "no seed line";
    return std::nullopt;
  }
  if (s.taken_over_at) {
    why = practised(s, route) ? "a practice game never enters the board"
                              : "a game taken over from a replay (format 3) never enters the board";
    return std::nullopt;
  }
  if (steps_claimed(s) > kLongestVerifiedSteps) {
    why = "longer than two hours: not verified";
    return std::nullopt;
  }
  out.game = game_text(s);
  return out;
}

}  // namespace qv::board
