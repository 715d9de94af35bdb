// Any recording, watched with any keys: the input is a recording's text, then (after a NUL
// byte) pairs of bytes that each play one of the viewer's controls: steps due at some speed,
// jumps anywhere (a recording may claim any step), slices of a jump, the pause, single steps,
// the scout and the close. Every input does bounded work: the steps all games of it run are
// counted and stop at kMostSteps. Whatever was played, the game the viewer stands at is the
// game a straight replay reaches there, picture and all, and the viewer never stands outside
// the recording.
#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>

#include "game/game_hash.hpp"
#include "game/key_script.hpp"
#include "game/replay_viewer.hpp"
#include "game/trace.hpp"
#include "system/checked_int.hpp"

namespace {

using namespace qv;

constexpr int64_t kMostSteps = 2000;

// A clock that moves on a little each time it is read, so that a budget of time is a budget
// of steps.
class TickingClock final : public Clock {
 public:
  uint64_t now_us() const override { return now_ += 100; }

 private:
  mutable uint64_t now_ = 0;
};

// Discards what it is given, as a trace nobody reads.
class NullBuffer final : public std::streambuf {
 protected:
  int overflow(int c) override { return c; }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

void check(bool holds) {
  if (!holds) std::abort();
}

// The game a straight replay reaches at `step`, against the viewer's.
void check_straight(const KeyScript& script, const Game& watched) {
  SilentSink sink;
  Game game(sink, KeySource::replay);
  game.start(script.seed.value_or(1));
  RecordedKeys keys(script.lines);
  while (game.current_step() < watched.current_step() &&
         game.step(keys.at(game.current_step() + 1))) {
  }
  check(game.current_step() == watched.current_step());
  check(check_value(game) == check_value(watched));
  check(game.win().onPB.pixels() == watched.win().onPB.pixels());
  check(game.win().offPB.pixels() == watched.win().offPB.pixels());
}

class Watching {
 public:
  explicit Watching(const KeyScript& script)
      : script_(script), trace_(&discard_), writer_(trace_), viewer_(game_, sink_, script) {
    writer_.cut_with([](uint64_t) { return true; });
    viewer_.keep_trace(writer_);
    viewer_.start();  // --from is a jump as any other
  }

  // One control; false once the input's steps are spent or the window closed.
  bool play(uint8_t what, uint8_t arg) {
    int64_t before = game_.current_step(), length = viewer_.length();
    int64_t left = kMostSteps - spent_;
    switch (what % 10) {
      case 0:
        spent_ +=
            viewer_.run_due(now_ += arg * 1000ull, static_cast<int>(std::min<int64_t>(left, 100)));
        break;
      case 1:
        viewer_.jump_to(static_cast<int64_t>(static_cast<double>(length) * arg / 255));
        break;
      case 2:
        viewer_.jump_by((static_cast<int64_t>(arg) - 128) * 50);
        break;
      case 3:
        viewer_.run_jump(clock_, arg * 100ull, std::min<int64_t>(left, 500));
        spent_ += game_.current_step() - before;
        break;
      case 4:
        viewer_.set_speed(0.25 * (1 << (arg % 6)));
        break;
      case 5:
        viewer_.toggle_pause();
        break;
      case 6:
        if (arg & 1)
          viewer_.step_back();
        else
          viewer_.step_forward();
        spent_ += 1;
        break;
      case 7: {
        int64_t most = std::min<int64_t>(left, arg * 10);
        viewer_.scout(clock_, static_cast<uint64_t>(most) * 100);  // a step a read of the clock
        spent_ += most + 1;
        break;
      }
      case 8:
        if (arg % 3 == 0) viewer_.home();
        if (arg % 3 == 1) viewer_.end();
        if (arg % 3 == 2) viewer_.stop_jump();
        break;
      case 9:
        viewer_.close();
        return false;
    }
    spent_ += 2;  // the frames a jump's slice or landing draws again
    check(viewer_.position() >= 0 && viewer_.position() <= length);
    check(!viewer_.jumping() || viewer_.position() <= viewer_.jump_target());
    return spent_ < kMostSteps;
  }

  void finish() {
    viewer_.stop_jump();
    check_straight(script_, game_);
  }

 private:
  const KeyScript& script_;
  SilentSink sink_;
  Game game_{sink_, KeySource::replay};
  NullBuffer discard_;
  std::ostream trace_;
  TraceWriter writer_;
  ReplayViewer viewer_;
  TickingClock clock_;
  uint64_t now_ = 0;
  int64_t spent_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  size_t cut = std::find(text, text + size, '\0') - text;
  std::istringstream in(std::string(text, cut));
  KeyScript script;
  std::string error;
  if (!parse_key_script(in, script, error)) return 0;
  try {
    Watching watching(script);
    const uint8_t* controls = data + std::min(cut + 1, size);
    size_t count = (size - std::min(cut + 1, size)) / 2;
    bool open = true;
    for (size_t i = 0; i < count && open; ++i)
      open = watching.play(controls[2 * i], controls[2 * i + 1]);
    if (open) watching.finish();
  } catch (const RunTimeError&) {
    // The game's own report of a run-time error: it ends the program, as it would in the window.
  }
  return 0;
}
