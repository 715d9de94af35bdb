// What one frame costs: the whole frame tick at the stage's busiest frames and through the
// boss's sway cycle, the present step and the big sprite alone, the same raster work as
// plain loops over bare arrays (the floor no blit code can go below), and the simulator's
// speed over a whole program from the title to the end of the staff roll.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "game/handlers.hpp"
#include "sim/simulator.hpp"
#include "system/media_files.hpp"

namespace qv {
namespace {

// A simulator set up as the game's host sets itself up: every file read ahead and no call
// log, so that a step does the game's work and nothing else.
void prepare(Simulator& sim) {
  sim.media().set_log(nullptr);
  for (const char* name : media_files::kAll) sim.media().preload(name);
  sim.start();
}

void start_game(Simulator& sim, uint8_t keys) {
  sim.hold(keys);
  while (sim.win().time.Interval() == 0) sim.step();
}

// A game under way, held just before a stretch of the stage. Each replay runs the frame tick
// over that stretch and puts the state back, so every round does the same work. The ship
// fires all the time and has ships to spare, so that its hit tests and shots all run.
class Scene {
 public:
  // Plays from the start to `frame` - 1, or jumps the clock to `jump_to` first.
  Scene(int32_t frame, int32_t jump_to = 0) {
    prepare(sim_);
    start_game(sim_, kSimSpace);
    GameState& s = sim_.win().s;
    if (jump_to > 0) s.stage_count = jump_to;
    while (s.stage_count != frame - 1) {
      if (s.lives < 2) s.lives = 2;
      sim_.step();
    }
    s.lives = 10;
    s.safe_count = 51;
    snapshot_ = s;
  }

  void replay(int32_t ticks) {
    Window& win = sim_.win();
    for (int32_t i = 0; i < ticks; ++i) time_Timer(win);
    win.s = snapshot_;
  }

 private:
  Simulator sim_;
  GameState snapshot_;
};

void run_scene(benchmark::State& state, Scene& scene, int32_t ticks) {
  for (auto _ : state) scene.replay(ticks);
  state.SetItemsProcessed(state.iterations() * ticks);
  state.counters["us_per_tick"] = benchmark::Counter(
      static_cast<double>(state.iterations() * ticks),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}

// The most crowded stretch of the waves.
void BM_FrameTick_Frames1751to1800(benchmark::State& state) {
  Scene scene(1751);
  run_scene(state, scene, 50);
}
BENCHMARK(BM_FrameTick_Frames1751to1800)->Unit(benchmark::kMicrosecond);

// The first 200 frames, for comparison: few enemies, the same present step.
void BM_FrameTick_Frames1to200(benchmark::State& state) {
  Scene scene(1);
  run_scene(state, scene, 200);
}
BENCHMARK(BM_FrameTick_Frames1to200)->Unit(benchmark::kMicrosecond);

// One whole sway cycle of the boss, 2131 to 2210, with its seven volleys.
void BM_FrameTick_BossCycle(benchmark::State& state) {
  Scene scene(2131, 2000);
  run_scene(state, scene, 80);
}
BENCHMARK(BM_FrameTick_BossCycle)->Unit(benchmark::kMicrosecond);

// The present step alone: the back buffer copied onto the play surface and cleared.
void BM_CopyClear(benchmark::State& state) {
  VirtualClock clock;
  Window win(clock);
  for (auto _ : state) {
    Blt_Copy(win.offPB.hDC(), 0, 0, kPlayWidth, kPlayHeight, win.onPB.hDC(), 0, 0);
    win.offPB.Cls();
    benchmark::DoNotOptimize(win.onPB.pixels().data());
  }
}
BENCHMARK(BM_CopyClear)->Unit(benchmark::kMicrosecond);

// The 460 x 260 boss through its mask, wholly inside the surface's rows.
void BM_BossSprite(benchmark::State& state) {
  VirtualClock clock;
  Window win(clock);
  for (auto _ : state) {
    Blt_Sprite(win.character.hDC(), win.mask.hDC(), 140, 0, 460, 260, win.offPB.hDC(),
               static_cast<int32_t>(state.range(0)), 150);
    benchmark::DoNotOptimize(win.offPB.pixels().data());
  }
}
BENCHMARK(BM_BossSprite)->Arg(-30)->Arg(10)->Unit(benchmark::kMicrosecond);

// Many small blits: what one call costs beyond its pixels (a frame makes about 200).
void BM_StarStrips(benchmark::State& state) {
  VirtualClock clock;
  Window win(clock);
  for (auto _ : state) {
    for (int32_t k = 0; k <= 100; ++k)
      Blt_Copy(win.character.hDC(), 598 + k % 12, 460, 1, 10, win.offPB.hDC(), (k * 37) % 430,
               (k * 15) % 600);
    benchmark::DoNotOptimize(win.offPB.pixels().data());
  }
  state.SetItemsProcessed(state.iterations() * 101);
}
BENCHMARK(BM_StarStrips)->Unit(benchmark::kMicrosecond);

// Floors: the same pixels as plain loops over bare arrays, as fast as the memory lets them go.
constexpr size_t kPlayPixels = size_t{kPlayWidth} * kPlayHeight;

void BM_Floor_CopyClear(benchmark::State& state) {
  std::vector<uint32_t> back(kPlayPixels, 1), shown(kPlayPixels);
  for (auto _ : state) {
    uint32_t* __restrict b = back.data();
    uint32_t* __restrict s = shown.data();
    for (size_t i = 0; i < kPlayPixels; ++i) s[i] = b[i];
    for (size_t i = 0; i < kPlayPixels; ++i) b[i] = 0;
    benchmark::DoNotOptimize(b);
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK(BM_Floor_CopyClear)->Unit(benchmark::kMicrosecond);

void sprite_rows(uint32_t* __restrict dest, const uint32_t* __restrict mask,
                 const uint32_t* __restrict sheet, int32_t x, int32_t y, int32_t w, int32_t h,
                 int32_t sx, int32_t sy) {
  for (int32_t r = 0; r < h; ++r) {
    uint32_t* d = dest + static_cast<size_t>(y + r) * kPlayWidth + x;
    const uint32_t* m = mask + static_cast<size_t>(sy + r) * 640 + sx;
    const uint32_t* s = sheet + static_cast<size_t>(sy + r) * 640 + sx;
    for (int32_t i = 0; i < w; ++i) d[i] = (d[i] | m[i]) & s[i];
  }
}

// Sixty 20 x 30 swirls and the boss's 430 visible columns by 260 rows, each through its mask.
void BM_Floor_SixtySpritesAndBoss(benchmark::State& state) {
  std::vector<uint32_t> dest(kPlayPixels), sheet(640 * 480, 0xFFFFFF), mask(640 * 480);
  for (auto _ : state) {
    for (int32_t k = 0; k < 60; ++k)
      sprite_rows(dest.data(), mask.data(), sheet.data(), (k * 53) % 400, (k * 97) % 530, 20, 30,
                  600, 0);
    sprite_rows(dest.data(), mask.data(), sheet.data(), 0, 150, 430, 260, 170, 0);
    benchmark::DoNotOptimize(dest.data());
  }
}
BENCHMARK(BM_Floor_SixtySpritesAndBoss)->Unit(benchmark::kMicrosecond);

// The simulator over a whole program: the title, a game with Space held (Up instead while a
// lost game waits, which continues it), the boss, the ending, until the program ends itself.
// Counters give frame ticks per second through the waves (stage frames up to 2000) and
// through the boss battle and ending, and the slowest single step.
void BM_Simulator_WholeProgram(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  constexpr int64_t kStepLimit = 60000;
  double wave_s = 0, boss_s = 0, slowest_us = 0;
  int64_t wave_ticks = 0, boss_ticks = 0, steps = 0, endings = 0;
  for (auto _ : state) {
    Simulator sim(7);
    prepare(sim);
    bool going = true;
    while (going && sim.current_step() < kStepLimit) {
      sim.hold(sim.win().s.lives < 0 ? kSimUp : kSimSpace);
      bool ticking = sim.win().time.Interval() != 0;
      bool boss = sim.win().s.stage_count >= 2000;
      auto t0 = Clock::now();
      going = sim.step();
      double took = std::chrono::duration<double>(Clock::now() - t0).count();
      slowest_us = std::max(slowest_us, took * 1e6);
      if (!ticking) continue;
      (boss ? boss_s : wave_s) += took;
      ++(boss ? boss_ticks : wave_ticks);
    }
    steps += sim.current_step();
    endings += sim.ended();
  }
  state.SetItemsProcessed(steps);
  state.counters["waves_ticks_per_s"] = wave_s > 0 ? static_cast<double>(wave_ticks) / wave_s : 0;
  state.counters["boss_ticks_per_s"] = boss_s > 0 ? static_cast<double>(boss_ticks) / boss_s : 0;
  state.counters["steps_per_run"] =
      static_cast<double>(steps) / static_cast<double>(state.iterations());
  state.counters["ended"] = static_cast<double>(endings) / static_cast<double>(state.iterations());
  state.counters["slowest_step_us"] = slowest_us;
}
BENCHMARK(BM_Simulator_WholeProgram)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace qv

BENCHMARK_MAIN();
