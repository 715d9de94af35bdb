// What the board reads from anyone on the network before any replay: a submitted recording
// and a player's name. A recording is taken only as a game of ours can be (format 2, a seed,
// check values, not taken over, at most two hours), or refused with a reason; a name only as
// 1 to 24 characters of what names may hold.
#include <cstdlib>
#include <string>

#include "board/names.hpp"
#include "board/submission.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  qv::board::Route route;
  route.checks = {{100, 1}, {200, 2}};
  std::string why;
  if (std::optional<qv::board::Submission> s = qv::board::read_submission(bytes, route, why)) {
    const qv::KeyScript& k = s->script;
    if (!k.seed || k.format < 2 || k.checks.empty() || k.taken_over_at) std::abort();
    if (qv::board::steps_claimed(k) > qv::kLongestVerifiedSteps || s->game.empty()) std::abort();
  } else if (why.empty()) {
    std::abort();
  }
  std::string name_why;
  if (std::optional<qv::board::PlayerName> n = qv::board::player_name(bytes, name_why)) {
    if (n->shown.empty() || n->key.empty() || n->shown.size() > 24 * 4 * 4) std::abort();
    if (n->shown.find_first_of("\n\r\t<>&\"'/\\;") != std::string::npos) std::abort();
  } else if (name_why.empty()) {
    std::abort();
  }
  return 0;
}
