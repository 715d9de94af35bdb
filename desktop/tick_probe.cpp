// The probe of the instrumented host: every frame tick's times go into a buffer that is
// reserved before the game starts, so that recording costs two stores and no system call;
// phase changes are printed as they happen, and the summary once, at exit.
#include "desktop/tick_probe.hpp"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include "record/window.hpp"
#include "system/media.hpp"

namespace qv::probe {
namespace {

constexpr uint64_t kGridUs = 10000;            // the frame timer's interval
constexpr size_t kCapacity = size_t{1} << 20;  // nearly three hours of ticks

struct TickTimes {
  uint64_t due_us;
  uint32_t late_us;     // start minus due
  uint32_t took_us;     // end minus start
  uint32_t present_us;  // of which showing the frame
};

// Untouched pages cost no memory, so the reserve shows in the peak only as far as it is used.
TickTimes g_ticks[kCapacity];
size_t g_count = 0;
size_t g_dropped = 0;
const char* g_phase = "title";
uint64_t g_present_start_us = 0;
uint32_t g_present_us = 0;  // of the frame tick under way

uint64_t monotonic_us() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000000 + static_cast<uint64_t>(ts.tv_nsec) / 1000;
}

uint64_t epoch_us() {
  timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000000 + static_cast<uint64_t>(ts.tv_nsec) / 1000;
}

const char* phase_of(const Window& win) {
  const GameState& s = win.s;
  if (s.stage_count > 2000 && s.en_hits[10] == 0 && s.roll_y > -200) return "ending";
  if (win.time.Interval() == 0) return "title";
  if (s.lives >= 0) return "playing";
  return win.op.Interval() == 0 ? "game-over-slide" : "game-over-wait";
}

const char* music_state() {
  char mode[32] = {};
  int32_t r = mciSendStringA("status midifile mode", mode, sizeof mode, 0);
  return r == MCIERR_INVALID_DEVICE_NAME ? "closed" : r == MCI_OK ? mode : "unknown";
}

double percentile_ms(std::vector<uint32_t> v, double p) {
  if (v.empty()) return 0;
  size_t k = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())));
  std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(k), v.end());
  return v[k] / 1000.0;
}

void print_stats(const char* name, const std::vector<uint32_t>& v) {
  double sum = 0;
  uint32_t max = 0;
  for (uint32_t x : v) sum += x, max = std::max(max, x);
  double mean = v.empty() ? 0 : sum / static_cast<double>(v.size()) / 1000.0;
  std::fprintf(stderr, "qv-timing %s_mean_ms=%.3f %s_p99_ms=%.3f %s_max_ms=%.3f\n", name, mean,
               name, percentile_ms(v, 0.99), name, max / 1000.0);
}

}  // namespace

void title_shown() {
  std::fprintf(stderr, "qv-timing title_shown_epoch_us=%llu\n",
               static_cast<unsigned long long>(epoch_us()));
}

void present_begins() {
  g_present_start_us = monotonic_us();
}

void present_ends() {
  g_present_us =
      static_cast<uint32_t>(std::min<uint64_t>(monotonic_us() - g_present_start_us, UINT32_MAX));
}

void frame_tick(uint64_t due_us, uint64_t start_us, uint64_t end_us) {
  uint32_t present = g_present_us;
  g_present_us = 0;
  if (g_count == kCapacity) {
    ++g_dropped;
    return;
  }
  g_ticks[g_count++] = {
      due_us, static_cast<uint32_t>(std::min<uint64_t>(start_us - due_us, UINT32_MAX)),
      static_cast<uint32_t>(std::min<uint64_t>(end_us - start_us, UINT32_MAX)), present};
}

void after_handler(const Window& win, uint64_t now_us) {
  const char* phase = phase_of(win);
  if (phase == g_phase) return;
  g_phase = phase;
  std::fprintf(stderr, "qv-timing phase=%s at_ms=%llu frame=%d\n", phase,
               static_cast<unsigned long long>(now_us / 1000), static_cast<int>(win.s.stage_count));
}

void paused(bool on, uint64_t now_us) {
  std::fprintf(stderr, "qv-timing pause=%s at_ms=%llu ticks=%zu\n", on ? "on" : "off",
               static_cast<unsigned long long>(now_us / 1000), g_count + g_dropped);
}

void at_exit(const Window& win) {
  // When the game's loop ended (the close was handled): what follows is the shut-down.
  std::fprintf(stderr, "qv-timing loop_end_epoch_us=%llu\n",
               static_cast<unsigned long long>(epoch_us()));
  std::vector<uint32_t> grid, due, took, present, game;
  uint64_t first_due = g_count ? g_ticks[0].due_us : 0;
  size_t off_grid = 0, over_2ms = 0, worst = 0;
  for (size_t k = 0; k < g_count; ++k) {
    const TickTimes& t = g_ticks[k];
    uint64_t ideal = first_due + k * kGridUs;
    uint64_t start = t.due_us + t.late_us;
    off_grid += t.due_us != ideal;
    grid.push_back(
        static_cast<uint32_t>(std::min<uint64_t>(start > ideal ? start - ideal : 0, UINT32_MAX)));
    due.push_back(t.late_us);
    took.push_back(t.took_us);
    present.push_back(t.present_us);
    game.push_back(t.took_us - std::min(t.took_us, t.present_us));
    over_2ms += grid.back() > 2000;
    if (grid.back() > grid[worst]) worst = k;
  }
  double span_s = 0;
  if (g_count > 1) {
    const TickTimes& last = g_ticks[g_count - 1];
    span_s = static_cast<double>(last.due_us + last.late_us - first_due - g_ticks[0].late_us) / 1e6;
  }
  double rate = span_s > 0 ? static_cast<double>(g_count - 1) / span_s : 0;
  std::fprintf(stderr,
               "qv-timing ticks=%zu dropped=%zu off_grid=%zu span_s=%.3f ticks_per_s=%.3f\n",
               g_count, g_dropped, off_grid, span_s, rate);
  print_stats("grid_late", grid);
  if (g_count)
    std::fprintf(stderr, "qv-timing late_over_2ms=%zu worst_late_at_s=%.2f\n", over_2ms,
                 static_cast<double>(g_ticks[worst].due_us) / 1e6);
  print_stats("due_late", due);
  print_stats("tick", took);
  print_stats("present", present);
  print_stats("game", game);
  std::fprintf(stderr, "qv-timing exit_phase=%s music=%s\n", phase_of(win), music_state());
}

}  // namespace qv::probe
