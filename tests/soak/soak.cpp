#include "tests/soak/soak.hpp"

#include <algorithm>
#include <sstream>
#include <string_view>

#include "system/media.hpp"
#include "sim/simulator.hpp"

namespace qv::soak {
namespace {

// A small generator of our own, so that the runs do not depend on the library's.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int64_t between(int64_t lo, int64_t hi) {
    return lo + static_cast<int64_t>(next() % static_cast<uint64_t>(hi - lo + 1));
  }
  bool chance(double p) { return static_cast<double>(next() >> 11) * 0x1.0p-53 < p; }

 private:
  uint64_t state_;
};

class Checker {
 public:
  void range(const char* name, int64_t value, int64_t lo, int64_t hi) {
    if (!error_.empty() || (value >= lo && value <= hi)) return;
    std::ostringstream out;
    out << name << " is " << value << ", outside " << lo << " to " << hi;
    error_ = out.str();
  }
  // The slot's name is spelt out only for a value out of bounds: this runs after every step.
  template <int32_t U>
  void each(const IntArray<U>& a, int64_t lo, int64_t hi) {
    for (int32_t i = 0; i <= U; ++i)
      if (a[i] < lo || a[i] > hi) range(name_at(a.name(), i).c_str(), a[i], lo, hi);
  }
  template <int32_t U1, int32_t U2>
  void each(const IntGrid<U1, U2>& g, int64_t lo, int64_t hi) {
    for (int32_t a = 0; a <= U1; ++a)
      for (int32_t b = 0; b <= U2; ++b)
        if (g(a, b) < lo || g(a, b) > hi) range(name_at(g.name(), a, b).c_str(), g(a, b), lo, hi);
  }
  void that(bool ok, std::string_view what) {
    if (error_.empty() && !ok) error_ = what;
  }
  const std::string& error() const { return error_; }

 private:
  static std::string name_at(const char* name, int32_t i, int32_t j = -1) {
    std::string s = std::string(name) + "(" + std::to_string(i);
    if (j >= 0) s += ", " + std::to_string(j);
    return s + ")";
  }
  std::string error_;
};

enum class Phase { kTitle, kPlaying, kSliding, kWaiting };

Phase phase_of(const Window& win) {
  if (win.time.Interval() == 0) return Phase::kTitle;
  if (win.s.lives >= 0) return Phase::kPlaying;
  return win.op.Interval() == 0 ? Phase::kSliding : Phase::kWaiting;
}

bool boss_alive(const GameState& s) {
  return s.stage_count > 2000 && s.en_hits[10] != 0;
}

bool music_closed() {
  char mode[32];
  return mciSendStringA("status midifile mode", mode, sizeof mode, 0) == MCIERR_INVALID_DEVICE_NAME;
}

uint8_t random_keys(Rng& rng) {
  return static_cast<uint8_t>(rng.between(0, 31));
}

// One program from its start: a window, the player's keys chosen segment by segment, and now
// and then a short cut that a player could not take (the clock moved on to the boss, the boss
// left with a few hits) so that the runs reach the end of the stage often.
class Run {
 public:
  Run(uint64_t seed, int64_t budget, Report& report)
      : rng_(seed), sim_(static_cast<uint32_t>(rng_.next())), budget_(budget), report_(report) {
    sim_.media().set_log(nullptr);
  }

  std::string go() {
    sim_.start();
    while (sim_.current_step() < budget_) {
      if (rng_.chance(0.003)) return close();
      choose_segment();
      for (int64_t i = 0; i < length_ && sim_.current_step() < budget_; ++i) {
        if (std::string e = step(); !e.empty()) return e;
        if (sim_.ended()) return ended();
      }
    }
    return {};
  }

  int64_t steps() const { return sim_.current_step(); }

 private:
  void choose_segment() {
    steer_ = false;
    switch (phase_of(sim_.win())) {
      case Phase::kTitle:
        title_keys();
        break;
      case Phase::kPlaying:
        play_keys();
        break;
      case Phase::kSliding:
        keys_ = rng_.chance(0.5) ? 0 : random_keys(rng_);
        length_ = rng_.between(1, 40);
        break;
      case Phase::kWaiting:
        waiting_keys();
        break;
    }
    sim_.hold(keys_);
  }

  void title_keys() {
    const uint8_t choices[] = {0, kSimSpace, kSimSpace, kSimLeft, kSimSpace | kSimLeft};
    keys_ = rng_.chance(0.15) ? random_keys(rng_) : choices[rng_.between(0, 4)];
    length_ = rng_.between(1, 120);
  }

  void play_keys() {
    GameState& s = sim_.win().s;
    if (s.stage_count > 0 && s.stage_count < 1990 && rng_.chance(0.01))
      s.stage_count = static_cast<int32_t>(rng_.between(1990, 2000));
    if (boss_alive(s) && s.en_hits[10] > 20 && rng_.chance(0.2))
      s.en_hits[10] = static_cast<int32_t>(rng_.between(1, 15));
    steer_ = boss_alive(s) && rng_.chance(0.6);
    keys_ = static_cast<uint8_t>(random_keys(rng_) & ~kSimSpace);
    if (rng_.chance(0.7)) keys_ |= kSimSpace;
    length_ = rng_.between(1, 120);
  }

  // Mostly continue during the boss fight, so that fights go on to the ending.
  void waiting_keys() {
    const uint8_t choices[] = {0, kSimUp, kSimUp, kSimDown, kSimUp | kSimDown, kSimSpace};
    keys_ = rng_.chance(0.1) ? random_keys(rng_) : choices[rng_.between(0, 5)];
    if (sim_.win().s.stage_count > 2000 && rng_.chance(0.7)) keys_ = kSimUp;
    length_ = rng_.between(1, 100);
  }

  // Under the boss's middle, firing: what a player does to finish the fight.
  void steer() {
    const GameState& s = sim_.win().s;
    int32_t target = s.en_x[10] + 80;
    uint8_t keys = kSimSpace;
    if (s.px < target - 5) keys |= kSimRight;
    if (s.px > target + 5) keys |= kSimLeft;
    if (s.py < 380) keys |= kSimDown;
    sim_.hold(keys);
  }

  std::string step() {
    const Window& win = sim_.win();
    if (steer_ && boss_alive(win.s)) steer();
    Phase before = phase_of(win);
    int32_t clock_before = win.s.stage_count;
    bool ticks = win.time.running();
    try {
      sim_.step();
    } catch (const RunTimeError& e) {
      return std::string("run-time error: ") + e.what();
    }
    count(before, clock_before);
    if (sim_.ended()) return {};
    Checker check;
    check.that(win.op.Interval() == 0 || win.op.Interval() == 10,
               "op's Interval is neither 0 nor 10");
    check.that(win.time.Interval() == 0 || win.time.Interval() == 10,
               "time's Interval is neither 0 nor 10");
    if (ticks)  // the frame tick ran in this step and wrote the label
      check.that(win.score1 == std::to_string(win.s.score), "the label does not show the score");
    std::string state = check_state(win, sim_.current_step());
    return check.error().empty() ? state : check.error();
  }

  void count(Phase before, int32_t clock_before) {
    const Window& win = sim_.win();
    const GameState& s = win.s;
    Phase now = phase_of(win);
    if (before == Phase::kTitle && now != Phase::kTitle) ++report_.starts;
    if (before == Phase::kPlaying && now == Phase::kSliding) ++report_.game_overs;
    if (before == Phase::kWaiting && now == Phase::kPlaying) {
      bool restarted = s.stage_count < clock_before && s.stage_count < 2130;
      ++(restarted ? report_.restarts : report_.continues);
    }
    if (s.stage_count == 2001 && clock_before == 2000) ++report_.boss_fights;
    if (s.roll_y == -198 && clock_before > 2000) ++report_.endings;
  }

  std::string close() {
    sim_.close();
    ++report_.closed;
    if (sim_.win().Bgm_Check.Enabled()) return "the watchdog still runs after the window closed";
    if (!music_closed()) return "the music is still open after the window closed";
    return {};
  }

  std::string ended() {
    ++report_.ended;
    if (sim_.win().Bgm_Check.Enabled()) return "the watchdog still runs after the program ended";
    if (!music_closed()) return "the music is still open after the program ended";
    return {};
  }

  Rng rng_;
  Simulator sim_;
  int64_t budget_;
  Report& report_;
  uint8_t keys_ = 0;
  int64_t length_ = 0;
  bool steer_ = false;
};

uint64_t run_seed(uint64_t seed, int64_t run) {
  Rng mix(seed * 0x2545F4914F6CDD1Dull + static_cast<uint64_t>(run));
  return mix.next();
}

}  // namespace

std::string check_state(const Window& win, int64_t ticks) {
  const GameState& s = win.s;
  Checker c;
  const int64_t far = 2000 + 20 * ticks;  // nothing moves faster than 20 pixels a tick
  c.range("stage_count", s.stage_count, 0, 2210);
  c.range("lives", s.lives, -2, 10);
  c.range("over_y", s.over_y, 0, 302);
  if (s.roll_y != 0) c.range("roll_y", s.roll_y, -200, 566);
  c.range("px", s.px, 0, 370);
  c.range("py", s.py, 0, 500);
  c.that(s.px % 5 == 0 && s.py % 5 == 0, "the ship is off its 5-pixel grid");
  c.range("tick", s.tick, 0, INT32_MAX);
  c.range("score", s.score, -10000, INT32_MAX);
  c.that(s.score % 100 == 0, "the score is not a multiple of 100");
  c.range("safe_count", s.safe_count, 0, INT32_MAX);
  c.range("sh_next", s.sh_next, 0, 10);
  c.range("sh_wait", s.sh_wait, 0, INT32_MAX);
  c.each(s.sh_x, 0, 400);
  c.each(s.sh_y, -far, 500);
  c.each(s.sh_on, 0, 1);
  c.range("st_phase", s.st_phase, 0, 2);
  c.range("st_next", s.st_next, 0, 100);
  c.each(s.st_x, 0, 430);
  c.each(s.st_y, 0, 1520);
  c.each(s.st_c, 0, 11);
  c.each(s.en_x, -far, far);
  c.each(s.en_y, -far, far);
  c.each(s.en_hits, 0, 200);
  c.each(s.en_size, 0, 200);
  c.each(s.bl_x, -far, far);
  c.each(s.bl_y, -far, far);
  c.each(s.bl_on, 0, 1);
  c.each(s.bl_size, 0, 200);
  c.range("volley_no", s.volley_no, 0, 7);
  c.range("volley_count", s.volley_count, 0, 30);
  int32_t k = s.key_space;
  c.that(k == 0 || k == 1 || k == -32768 || k == -32767, "key_space is no key state");
  return c.error();
}

std::string Report::summary() const {
  std::ostringstream out;
  out << steps << " steps in " << runs << " runs: " << starts << " starts, " << game_overs
      << " game overs, " << continues << " continues, " << restarts << " restarts, " << boss_fights
      << " boss fights, " << endings << " endings begun, " << ended << " programs ended, " << closed
      << " windows closed";
  return out.str();
}

Report run(const Options& options) {
  Report report;
  // Each run's length comes from its own draw, so that a run replays alone exactly as it ran
  // among the others.
  Rng budgets(options.seed);
  bool alone = options.only_run >= 0;
  for (int64_t r = 0; alone ? r <= options.only_run : report.steps < options.steps; ++r) {
    int64_t budget =
        budgets.between(std::min<int64_t>(2000, options.longest_run), options.longest_run);
    if (alone && r != options.only_run) continue;
    Run one(run_seed(options.seed, r), budget, report);
    std::string failure = one.go();
    report.steps += one.steps();
    ++report.runs;
    if (!failure.empty()) {
      std::ostringstream out;
      out << "run " << r << " of seed " << options.seed << ", step " << one.steps() << ": "
          << failure;
      report.failure = out.str();
      break;
    }
  }
  return report;
}

}  // namespace qv::soak
