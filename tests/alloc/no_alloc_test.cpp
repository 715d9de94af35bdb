// Once the game runs, nothing it does allocates memory or reads a file: every handler of a
// whole program, from the first title tick to the end of the staff roll, is counted here.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>

#include "sim/simulator.hpp"
#include "system/media_files.hpp"

namespace {

std::atomic<bool> g_counting{false};
std::atomic<long> g_allocations{0};

void* allocate(std::size_t size) {
  if (g_counting.load(std::memory_order_relaxed)) g_allocations.fetch_add(1);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}

void* allocate_aligned(std::size_t size, std::align_val_t align) {
  if (g_counting.load(std::memory_order_relaxed)) g_allocations.fetch_add(1);
  std::size_t a = static_cast<std::size_t>(align);
  if (void* p = std::aligned_alloc(a, (size + a - 1) / a * a)) return p;
  throw std::bad_alloc();
}

}  // namespace

// Every form, so that no allocation bypasses the count and none is freed by another's hand.
void* operator new(std::size_t size) {
  return allocate(size);
}
void* operator new[](std::size_t size) {
  return allocate(size);
}
void* operator new(std::size_t size, std::align_val_t a) {
  return allocate_aligned(size, a);
}
void* operator new[](std::size_t size, std::align_val_t a) {
  return allocate_aligned(size, a);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
  try {
    return allocate_aligned(size, a);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t& tag) noexcept {
  return operator new(size, a, tag);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept {
  std::free(p);
}

namespace qv {
namespace {

// Counts what reaches the sound, and whether it came with its data.
class CountingSink final : public AudioSink {
 public:
  void music_play(const MidiSong* song, uint64_t) override { ++(song ? tunes : empty); }
  void music_stop() override {}
  void effect_play(const Wave* wave, bool) override { ++(wave ? effects : empty); }
  void effect_stop() override {}
  int tunes = 0, effects = 0, empty = 0;
};

// Runs from a folder without the music and effects once they have been read ahead, as the
// game's host reads them: a file read during the run would find nothing and fall silent.
class NoAllocation : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists("bgm&se/e.wav")) << "run from the source folder";
    sim.media().set_log(nullptr);
    sim.media().set_sink(sink);
    for (const char* name : media_files::kAll) sim.media().preload(name);
    home = std::filesystem::current_path();
    empty = std::filesystem::temp_directory_path() / ("qv-alloc-" + std::to_string(getpid()));
    std::filesystem::create_directories(empty);
    std::filesystem::current_path(empty);
  }
  void TearDown() override {
    std::filesystem::current_path(home);
    std::filesystem::remove_all(empty);
  }

  // Steps with the keys a player would hold, counting the allocations of every step.
  long play_to_the_end(int64_t step_limit) {
    sim.start();
    g_allocations = 0;
    g_counting = true;
    while (!sim.ended() && sim.current_step() < step_limit) {
      GameState& s = sim.win().s;
      sim.hold(s.lives < 0 ? kSimUp : kSimSpace);
      sim.step();
    }
    g_counting = false;
    return g_allocations;
  }

  CountingSink sink;
  Simulator sim{3};
  std::filesystem::path home, empty;
};

// Recorded as it goes, with its check values and scores, into text that has room for them.
TEST_F(NoAllocation, AWholeProgramFromTheTitleToTheEndOfTheRoll) {
  std::string recording;
  recording.reserve(1 << 16);
  sim.record_to(&recording);
  long allocations = play_to_the_end(20000);
  EXPECT_TRUE(sim.ended()) << "the program did not reach its end by step " << sim.current_step();
  EXPECT_EQ(allocations, 0);
  EXPECT_NE(recording.find(" ending\ncheck "), std::string::npos) << recording;
  EXPECT_GE(sink.tunes, 3);  // title, stage, ending: all from what was read ahead
  EXPECT_GT(sink.effects, 10);
  EXPECT_EQ(sink.empty, 0);
}

TEST_F(NoAllocation, TheBossBattleWithItsWatchdogTicks) {
  sim.start();
  sim.hold(kSimSpace);
  while (sim.win().time.Interval() == 0) sim.step();
  sim.win().s.stage_count = 2000;
  g_allocations = 0;
  g_counting = true;
  for (int i = 0; i < 3000 && !sim.ended(); ++i) {
    sim.win().s.lives = 2;  // keep the ship in play
    sim.step();
  }
  g_counting = false;
  EXPECT_EQ(g_allocations, 0);
}

}  // namespace
}  // namespace qv
