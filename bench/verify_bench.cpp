// What proving a score costs: verifying the recording of a whole program (tests/data/
// whole_game.keys, recorded in format 2: 3783 steps, seven credits, 45 check values), and one
// check value alone. Run from the source folder, where the music and the key script are.
#include <benchmark/benchmark.h>

#include <sstream>

#include "game/game_hash.hpp"
#include "game/verify.hpp"
#include "sim/simulator.hpp"

namespace qv {
namespace {

std::string whole_game_recording() {
  KeyScript script;
  std::string error;
  if (!read_key_script("tests/data/whole_game.keys", script, error)) return "";
  Simulator sim(1, script.lines);
  std::string text;
  sim.record_to(&text);
  sim.start();
  while (sim.step()) {
  }
  return text;
}

void BM_Verify_WholeGame(benchmark::State& state) {
  const std::string recording = whole_game_recording();
  Verdict verdict;
  for (auto _ : state) {
    std::istringstream in(recording);
    verdict = verify_text(in);
  }
  if (verdict.status != 0) state.SkipWithError(("not verified: " + verdict.text).c_str());
  state.counters["steps"] = static_cast<double>(verdict.step);
}
BENCHMARK(BM_Verify_WholeGame)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_CheckValue(benchmark::State& state) {
  Simulator sim(1);
  sim.start();
  for (auto _ : state) benchmark::DoNotOptimize(check_value(sim.game()));
}
BENCHMARK(BM_CheckValue)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace qv
