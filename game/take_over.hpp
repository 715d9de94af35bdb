// Taking over a replay: from the step after `step` the player plays, and the game goes on from
// exactly the replay's state there. Its recording (format 3) holds every line a recording of
// the replayed game would have held up to that step, its check value there and the line
// "takeover STEP"; the player's keys follow, written by the writer handed back, so that the
// recording replays and verifies like any other.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "game/key_script.hpp"
#include "game/recording_format.hpp"
#include "game/snapshot.hpp"
#include "game/verify.hpp"

namespace qv {

// How far into a replay it may be taken over: the handover replays the recording from its start
// in one go, and a game taken over past two hours of play would never verify.
constexpr int64_t kLatestTakeOver = kLongestVerifiedSteps;

struct TakeOver {
  int64_t step = 0;
  std::string recording;     // up to and including the takeover line
  RecordingWriter writer;    // ready for the player's steps: after_step(game, keys, text)
  GameSnapshot handed_over;  // the game at `step`, for starting a practice again
};

// Replays `original` unseen up to `step` (clamped to where it stops) and makes the recording
// up to the handover. The game `watched` (the replay's, with its music folder), when at that
// step, is the same game.
TakeOver take_over(const KeyScript& original, int64_t step, const Game& watched);

// Practice: `route` taken over at the first step at which its stage clock reaches `frame`, in
// one run through it; none when it never does. `played_in` is the game the practice is to be
// played in: the route is replayed with its music folder.
std::optional<TakeOver> practice(const KeyScript& route, int32_t frame, const Game& played_in);

// Practice: the route recording shipped with the music, and the stage frame a WHERE names
// (a frame from 11 to 2099, or "boss": the frame the boss arrives at), or none.
constexpr const char* kPracticeRoute = "bgm&se/route.keys";
constexpr int32_t kFirstPracticeFrame = 11;
constexpr int32_t kLastPracticeFrame = 2099;
std::optional<int32_t> practice_frame(const std::string& where);

}  // namespace qv
