#include "game/take_over.hpp"

#include <algorithm>

#include "game/game_hash.hpp"
#include "game/replay_stop.hpp"
#include "game/unseen_steps.hpp"
#include "stage/stage.hpp"
#include "system/numbers.hpp"

namespace qv {
namespace {

// The recorded game, replayed unseen by the rule every host replays by, step by step, until
// `enough` says so or the recording runs out; the picture is drawn where it stops.
template <typename Enough>
void replay(const KeyScript& recording, Game& game, Enough&& enough) {
  ScriptKeys keys(recording.lines);
  ReplayStop stop(recording);
  UnseenSteps unseen(game);
  game.start(recording.seed.value_or(1));
  if (enough(nullptr)) return;
  while (stop.goes_on(game)) {
    StepKeys k = keys.next(game.current_step() + 1);
    unseen.step(k);
    if (enough(&k)) break;
  }
  unseen.settle();
}

// The recording up to the first step at which `here` holds for the game, handed over there;
// or, when it never holds, wherever the recording stops.
template <typename Here>
TakeOver take_over_where(const KeyScript& original, const Game& watched, Here&& here) {
  TakeOver t;
  SilentSink silent;
  Game game(silent, KeySource::replay, watched);
  append_recording_head(t.recording, original.seed.value_or(1), kTakenOverFormat);
  replay(original, game, [&](const StepKeys* keys) {
    if (keys) t.writer.after_step(game, *keys, t.recording);
    return here(game);
  });
  t.step = game.current_step();
  t.writer.check(game, t.recording);
  append_take_over_line(t.recording, t.step);
  t.handed_over.take(game);
  return t;
}

bool at_frame(const Game& game, int32_t frame) {
  return game.win().s.stage_count >= frame;
}

}  // namespace

TakeOver take_over(const KeyScript& original, int64_t step, const Game& watched) {
  return take_over_where(original, watched,
                         [&](const Game& game) { return game.current_step() >= step; });
}

std::optional<TakeOver> practice(const KeyScript& route, int32_t frame, const Game& played_in) {
  bool reached = false;
  TakeOver t = take_over_where(route, played_in,
                               [&](const Game& game) { return reached = at_frame(game, frame); });
  if (!reached) return std::nullopt;
  return t;
}

std::optional<int32_t> practice_frame(const std::string& where) {
  if (where == "boss") return kBossArrival;
  std::optional<int64_t> frame = read_whole_number(where, kFirstPracticeFrame, kLastPracticeFrame);
  if (!frame) return std::nullopt;
  return static_cast<int32_t>(*frame);
}

}  // namespace qv
