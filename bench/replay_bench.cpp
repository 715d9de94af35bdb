// What jumping in a replay costs: in the recording of a whole program (tests/data/replays/
// whole_game.keys), the first jump to its end (every step run once and undrawn, snapshots
// taken on the way, as when nothing ran ahead), the scout running through it (what the host spreads
// over the first second or so of watching), then jumps to random steps, the slowest of them, and
// the memory the snapshots hold. Run from the source folder, where the music and the recording are.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <random>

#include "game/key_script.hpp"
#include "game/replay_viewer.hpp"
#include "game/snapshot.hpp"
#include "game/take_over.hpp"
#include "stage/stage.hpp"
#include "system/steady_clock.hpp"

namespace qv {
namespace {

KeyScript whole_game_replay() {
  KeyScript script;
  std::string error;
  read_key_script("tests/data/replays/whole_game.keys", script, error);
  return script;
}

// A jump run to where it lands, slice after slice, as a host runs it with no event between.
void land(ReplayViewer& viewer) {
  StepClock stopped;  // a slice runs its most steps
  while (viewer.run_jump(stopped, 1)) {
  }
}

double ms_since(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}

void BM_Replay_FirstJumpToTheEnd(benchmark::State& state) {
  const KeyScript script = whole_game_replay();
  size_t bytes = 0, count = 0;
  for (auto _ : state) {
    state.PauseTiming();
    SilentSink sink;
    Game game(sink, KeySource::replay);
    ReplayViewer viewer(game, sink, script);
    viewer.start();
    state.ResumeTiming();
    viewer.end();
    land(viewer);
    bytes = viewer.trail().bytes();
    count = viewer.trail().count();
  }
  state.counters["steps"] = static_cast<double>(script.last_step().value_or(0));
  state.counters["snapshots"] = static_cast<double>(count);
  state.counters["snapshot_MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_Replay_FirstJumpToTheEnd)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Replay_RandomJumpsAfterScouting(benchmark::State& state) {
  const KeyScript script = whole_game_replay();
  SilentSink sink;
  Game game(sink, KeySource::replay);
  ReplayViewer viewer(game, sink, script);
  viewer.start();
  SteadyClock real;
  auto t = std::chrono::steady_clock::now();
  while (viewer.scout(real, 5000)) {
  }
  double scouting_ms = ms_since(t);
  std::mt19937 random(7);
  std::uniform_int_distribution<int64_t> anywhere(0, viewer.length());
  double slowest = 0;
  for (auto _ : state) {
    auto t = std::chrono::steady_clock::now();
    viewer.jump_to(anywhere(random));
    land(viewer);
    slowest = std::max(slowest, ms_since(t));
  }
  state.counters["slowest_ms"] = slowest;
  state.counters["scouting_ms"] = scouting_ms;
}
BENCHMARK(BM_Replay_RandomJumpsAfterScouting)->Unit(benchmark::kMillisecond)->Iterations(200);

// What starting a practice costs: one run through the route up to the boss, written as the
// recording of a game taken over there.
void BM_Practice_FromTheBoss(benchmark::State& state) {
  KeyScript route;
  std::string error;
  read_key_script(kPracticeRoute, route, error);
  int64_t step = 0;
  SilentSink sink;
  Game played_in(sink, KeySource::replay);
  for (auto _ : state) step = practice(route, kBossArrival, played_in)->step;
  state.counters["step"] = static_cast<double>(step);
}
BENCHMARK(BM_Practice_FromTheBoss)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Snapshot_TakeAndRestore(benchmark::State& state) {
  const KeyScript script = whole_game_replay();
  SilentSink sink;
  Game game(sink, KeySource::replay);
  ReplayViewer viewer(game, sink, script);
  viewer.start(1500);
  land(viewer);
  GameSnapshot before, snapshot;
  before.take(game);
  viewer.jump_by(1);
  land(viewer);
  for (auto _ : state) {
    snapshot.take(game, &before);
    snapshot.restore(game);
  }
  state.counters["own_kB"] = static_cast<double>(snapshot.own_bytes()) / 1e3;
}
BENCHMARK(BM_Snapshot_TakeAndRestore)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace qv
