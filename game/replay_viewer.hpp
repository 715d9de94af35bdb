// Watching a recording with the controls players ask of a replay: pause, a step forward or
// back, slower and faster, jumps anywhere, and where it stands. Every step the viewer shows is
// the game's own step with the recording's keys; a jump puts back the nearest snapshot at or
// before the target (when the game does not stand nearer already) and runs on from it unseen,
// unheard and undrawn (game/unseen_steps.hpp), so the game at any step is exactly the game a
// straight replay reaches there.
//
// A jump runs in slices the host asks for (run_jump), never in one call: a recording may claim
// to close after a trillion steps while its game stays on the title, and the window's events
// (a close above all) must still be handled while it goes. Between slices the host shows the
// game as it stands and where the jump goes; a jump under way goes elsewhere, or stops where it
// stands, when asked.
//
// Snapshots come from the game being watched as it goes and from a scout: a game of the
// viewer's own that the host runs ahead in the time it waits for the next step, so that soon
// after a replay starts every jump, forward as well as back, runs at most the spacing of the
// snapshots from the nearest one (save that, with a trace, a jump past the furthest step
// traced runs every step from there, to trace each once). Their number is bounded however long
// the recording.
//
// The viewer paces itself on the real clock the host hands it, at its speed. Its trace (when
// the game has an observer) gets every step once, in order, up to the furthest step reached:
// steps run again after a jump back are not traced again, and a replay closed behind its
// furthest step has what was traced past it cut off before the close is traced (close()).
// Sound goes to the host's sink only while the replay plays on at 1x from where it was last
// heard (the host holds the sink while paused): a jump, a step while paused or another speed
// silences it, and once the replay plays on at 1x again the sink is told where the music
// stands and plays from there.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "game/game.hpp"
#include "game/key_script.hpp"
#include "game/replay_stop.hpp"
#include "game/snapshot.hpp"
#include "game/unseen_steps.hpp"

namespace qv {

// The keys of a recording at any step, looked up rather than played through, so that a replay
// may jump.
class RecordedKeys {
 public:
  explicit RecordedKeys(const std::vector<KeyLine>& lines) : lines_(lines) {}
  // The keys the game took at `step` in the recorded game.
  StepKeys at(int64_t step) const;

 private:
  // The keys held at `step`, and the taps of a line that begins there.
  uint8_t held(int64_t step, uint8_t* taps = nullptr) const;
  const std::vector<KeyLine>& lines_;
};

// Snapshots at every multiple of a spacing (kFirstSpacing steps at first), at most kMost of
// them: when full, every other goes and the spacing doubles, so a long game costs no more
// memory than a short one, only longer runs from a snapshot to the step jumped to.
class SnapshotTrail {
 public:
  static constexpr size_t kMost = 48;
  static constexpr int64_t kFirstSpacing = 100;

  // After the game ran a step: a snapshot when one is due there and the step is past the
  // latest kept (the scout may be further on), with the picture the steps run undrawn left to
  // draw first.
  void after_step(UnseenSteps& steps);
  bool empty() const { return kept_.empty(); }
  // The latest snapshot at or before `step` (there is always the one of step 0).
  const GameSnapshot& at_or_before(int64_t step) const;
  const GameSnapshot& latest() const { return kept_.back(); }
  size_t count() const { return kept_.size(); }
  size_t bytes() const;

 private:
  void thin_out();

  std::vector<GameSnapshot> kept_;
  int64_t spacing_ = kFirstSpacing;
};

class TraceWriter;

class ReplayViewer {
 public:
  // Speeds: 1/4 to 8, halved and doubled.
  static constexpr double kSlowest = 0.25;
  static constexpr double kFastest = 8;
  static constexpr int64_t kShortJump = 500;  // 5 s
  static constexpr int64_t kLongJump = 3000;  // 30 s
  // The most steps one slice of a jump runs, whatever its clock says.
  static constexpr int64_t kMostJumpSteps = 5000;
  // How far the scout goes at most: an hour of play.
  static constexpr int64_t kScoutHorizon = 360000;

  // The game, made but not started, with the sink it sounds on; its observer, when it has one,
  // is the trace. `recording` must outlive the viewer.
  ReplayViewer(Game& game, AudioSink& sink, const KeyScript& recording);

  // The trace, made the game's observer and kept so that it can be cut back (close(), and the
  // host's take-over): it keeps where the records of each step of the recording end.
  void keep_trace(TraceWriter& trace);

  // Start-up, then a jump to `from` (clamped to the recording), run by run_jump as any jump.
  void start(int64_t from = 0);
  // Runs the steps due by `now_us` on the real clock at the viewer's speed (none while paused,
  // jumping or at the end), at most `most` of them; how many ran. The first call after start,
  // a jump, a change of speed or the end of a pause sets where the real clock stands.
  int run_due(uint64_t now_us, int most = 100);
  // Runs the scout ahead for about `budget_us` of the real clock (in steps of the game, so a
  // little more); false once the recording has its snapshots up to where it stops (or where
  // its game ends itself) or up to kScoutHorizon, whichever comes first: a recording that
  // claims a trillion steps does not keep the scout busy for ever.
  bool scout(const Clock& real, uint64_t budget_us);
  // When the next step is due on the real clock (0: at once, as the next run_due sets it).
  uint64_t next_due_us() const;

  int64_t position() const { return game_.current_step(); }
  // Where the replay stops: the recording's close or end line, or else its last line.
  int64_t length() const { return stop_.last_step(); }
  // At the recording's last step, or where the game ended itself; never while a jump goes.
  bool at_end() const { return !jumping_ && !stop_.goes_on(game_); }
  int64_t furthest() const { return furthest_; }

  double speed() const { return speed_; }
  void slower() { set_speed(speed_ / 2); }
  void faster() { set_speed(speed_ * 2); }
  void normal_speed() { set_speed(1); }
  void set_speed(double speed);

  // A jump goes on while paused: only stop_jump stops it.
  bool paused() const { return paused_; }
  void set_paused(bool paused);
  void toggle_pause() { set_paused(!paused_); }
  // What the host offers while paused: one step on, drawn (a jump under way stops first), or
  // back (a jump of one step).
  void step_forward();
  void step_back();

  // Jumps, clamped to the recording: by so many steps from where the replay stands (in the
  // middle of a jump too), to a step, to the start or the end. A jump puts back a snapshot at
  // once when one is nearer than where the game stands, and runs none of its steps itself:
  // run_jump runs them. One that has nothing to run lands at once.
  void jump_by(int64_t steps) { jump_to(position() + steps); }
  void jump_to(int64_t step);
  void home() { jump_to(0); }
  void end() { jump_to(length()); }
  bool jumping() const { return jumping_; }
  // Where the jump under way goes (where the replay stands when none does).
  int64_t jump_target() const { return jumping_ ? target_ : position(); }
  // Runs the jump under way on for about `budget_us` of the real clock, at least one step and
  // at most `most`; it lands at its target, or where the game ends itself. Either way the
  // game's picture is brought up to where it stands and on_moved is told. True while the jump
  // goes on.
  bool run_jump(const Clock& real, uint64_t budget_us, int64_t most = kMostJumpSteps);
  // The jump under way lands where it stands.
  void stop_jump();

  // The window closes where the replay stands (a jump under way stops there first): when the
  // trace kept (keep_trace) went further before a jump back, what it holds past this step is
  // cut off, so that the close follows the steps up to here, as in the simulator's trace of the
  // recording closed at this step. False when the trace could not be cut back (it then holds
  // the steps past here before the close).
  bool close();

  // Told with the game at its new step after each slice of a jump and where it lands, and after
  // a step forward: the host shows the play surface (the game's own refresh does not run while
  // the viewer runs unseen).
  void on_moved(std::function<void()> moved) { moved_ = std::move(moved); }
  // False while steps run unseen (a jump, --from): the host's refresh shows nothing then.
  bool seen() const { return !unseen_; }
  bool heard() const { return heard_; }

  const SnapshotTrail& trail() const { return trail_; }

 private:
  void run_step();
  void land();
  void hear(bool on);
  void hear_if_playing();
  void moved();
  bool scout_step();

  Game& game_;
  AudioSink& sink_;
  SilentSink silent_;
  const KeyScript& recording_;
  RecordedKeys keys_;
  HandlerObserver* trace_;
  TraceWriter* kept_trace_ = nullptr;
  SnapshotTrail trail_;
  ReplayStop stop_;
  int64_t furthest_ = 0;
  bool jumping_ = false;
  int64_t target_ = 0;
  double speed_ = 1;
  bool paused_ = false;
  bool unseen_ = false;
  bool heard_ = true;
  bool anchored_ = false;  // the real clock's time of `anchor_step_` is known
  uint64_t anchor_us_ = 0;
  int64_t anchor_step_ = 0;
  std::function<void()> moved_;
  SilentSink scout_sink_;
  UnseenSteps unseen_steps_;
  std::unique_ptr<Game> scout_;
  std::unique_ptr<UnseenSteps> scout_steps_;
  bool scouted_ = false;
};

}  // namespace qv
