#include "game/replay_viewer.hpp"

#include <algorithm>

#include "game/recording_format.hpp"
#include "game/trace.hpp"

namespace qv {

uint8_t RecordedKeys::held(int64_t step, uint8_t* taps) const {
  auto after = std::upper_bound(lines_.begin(), lines_.end(), step,
                                [](int64_t s, const KeyLine& line) { return s < line.step; });
  if (after == lines_.begin()) return 0;
  const KeyLine& line = *(after - 1);
  if (taps && line.step == step) *taps |= line.taps;
  return line.keys;
}

// As a script played through gives them: what the lines up to the step hold, every key newly
// held or tapped since the step before as gone down. The first step takes the lines of step 0
// too, and nothing was held before it.
StepKeys RecordedKeys::at(int64_t step) const {
  uint8_t taps = 0;
  uint8_t now = held(step, &taps);
  uint8_t before = 0;
  if (step <= 1)
    held(0, &taps);
  else
    before = held(step - 1);
  return StepKeys{now, static_cast<uint8_t>((now & ~before) | taps)};
}

void SnapshotTrail::after_step(UnseenSteps& steps) {
  const Game& game = steps.game();
  int64_t step = game.current_step();
  if (step % spacing_ != 0 || (!kept_.empty() && kept_.back().step() >= step)) return;
  steps.settle();
  if (kept_.capacity() == 0) kept_.reserve(kMost + 1);
  kept_.emplace_back();
  kept_.back().take(game, kept_.size() > 1 ? &kept_[kept_.size() - 2] : nullptr);
  if (kept_.size() > kMost) thin_out();
}

void SnapshotTrail::thin_out() {
  spacing_ *= 2;
  auto gone = std::remove_if(kept_.begin(), kept_.end(),
                             [&](const GameSnapshot& s) { return s.step() % spacing_ != 0; });
  kept_.erase(gone, kept_.end());
}

const GameSnapshot& SnapshotTrail::at_or_before(int64_t step) const {
  auto after = std::upper_bound(kept_.begin(), kept_.end(), step,
                                [](int64_t s, const GameSnapshot& k) { return s < k.step(); });
  return *(after == kept_.begin() ? after : after - 1);
}

size_t SnapshotTrail::bytes() const {
  size_t sum = 0;
  for (const GameSnapshot& s : kept_) sum += s.own_bytes();
  return sum;
}

ReplayViewer::ReplayViewer(Game& game, AudioSink& sink, const KeyScript& recording)
    : game_(game),
      sink_(sink),
      recording_(recording),
      keys_(recording.lines),
      trace_(game.observer()),
      stop_(recording),
      unseen_steps_(game) {}

void ReplayViewer::keep_trace(TraceWriter& trace) {
  trace_ = kept_trace_ = &trace;
  game_.set_observer(&trace);
  trace.keep_step_ends(length());
}

void ReplayViewer::start(int64_t from) {
  hear(false);
  game_.start(recording_.seed.value_or(1));
  trail_.after_step(unseen_steps_);
  if (from > 0) jump_to(from);
}

void ReplayViewer::run_step() {
  int64_t next = position() + 1;
  game_.set_observer(next > furthest_ ? trace_ : nullptr);
  if (unseen_)
    unseen_steps_.step(keys_.at(next));
  else
    game_.step(keys_.at(next));
  game_.set_observer(trace_);
  furthest_ = std::max(furthest_, position());
  trail_.after_step(unseen_steps_);
}

int ReplayViewer::run_due(uint64_t now_us, int most) {
  if (paused_ || jumping_ || at_end()) {
    anchored_ = false;
    return 0;
  }
  if (!anchored_) {
    anchored_ = true;
    anchor_us_ = now_us;
    anchor_step_ = position();
    hear_if_playing();
  }
  double elapsed_steps = static_cast<double>(now_us - std::min(now_us, anchor_us_)) * speed_ /
                         static_cast<double>(kStepMs * 1000);
  int64_t due = anchor_step_ + static_cast<int64_t>(elapsed_steps);
  int ran = 0;
  while (position() < due && ran < most && !at_end()) {
    run_step();
    ++ran;
  }
  // Far behind (a stalled machine): the lost time goes, as the step pacer lets it go.
  if (due - position() > static_cast<int64_t>(25 * std::max(1.0, speed_))) {
    anchor_us_ = now_us;
    anchor_step_ = position();
  }
  return ran;
}

uint64_t ReplayViewer::next_due_us() const {
  if (!anchored_) return 0;
  double steps = static_cast<double>(position() + 1 - anchor_step_);
  return anchor_us_ + static_cast<uint64_t>(steps * kStepMs * 1000 / speed_);
}

bool ReplayViewer::scout(const Clock& real, uint64_t budget_us) {
  if (scouted_) return false;
  if (trail_.empty()) return true;                // not started
  SystemContext* before = make_current(nullptr);  // the watched game's, put back after
  if (!scout_) {
    scout_ = std::make_unique<Game>(scout_sink_, KeySource::replay, game_);
    scout_->start(recording_.seed.value_or(1));
    scout_steps_ = std::make_unique<UnseenSteps>(*scout_);
  }
  uint64_t until = real.now_us() + budget_us;
  while (!scouted_ && real.now_us() < until) scouted_ = !scout_step();
  make_current(before);
  if (scouted_) {
    scout_steps_.reset();
    scout_.reset();
  }
  return !scouted_;
}

// The scout goes on from the latest snapshot when the game being watched got further.
bool ReplayViewer::scout_step() {
  int64_t last_kept = trail_.latest().step();
  if (last_kept > scout_->current_step()) scout_steps_->restore(trail_.latest());
  if (scout_->current_step() >= kScoutHorizon || !stop_.goes_on(*scout_)) return false;
  int64_t next = scout_->current_step() + 1;
  scout_steps_->step(keys_.at(next));
  trail_.after_step(*scout_steps_);
  return true;
}

void ReplayViewer::set_speed(double speed) {
  speed = std::clamp(speed, kSlowest, kFastest);
  if (speed == speed_) return;
  speed_ = speed;
  anchored_ = false;
  if (speed_ != 1) hear(false);
}

void ReplayViewer::set_paused(bool paused) {
  paused_ = paused;
  anchored_ = false;
}

void ReplayViewer::step_forward() {
  stop_jump();
  if (at_end()) return;
  hear(false);
  run_step();
  anchored_ = false;
  moved();
}

void ReplayViewer::step_back() {
  jump_to(position() - 1);
}

void ReplayViewer::jump_to(int64_t step) {
  step = std::clamp<int64_t>(step, 0, length());
  if (step != position()) {
    hear(false);
    // A trace gets every step once: past the furthest step traced, none may be skipped by a
    // snapshot the scout took further on.
    int64_t from = trace_ ? std::min(step, furthest_) : step;
    const GameSnapshot& base = trail_.at_or_before(from);
    if (step < position() || base.step() > position()) unseen_steps_.restore(base);
  }
  jumping_ = true;
  target_ = step;
  unseen_ = true;
  anchored_ = false;
  if (position() >= target_ || game_.ended()) land();
}

bool ReplayViewer::run_jump(const Clock& real, uint64_t budget_us, int64_t most) {
  if (!jumping_) return false;
  uint64_t until = real.now_us() + budget_us;
  for (int64_t ran = 0; ran < most && position() < target_ && !game_.ended(); ++ran) {
    run_step();
    if (real.now_us() >= until) break;
  }
  if (position() >= target_ || game_.ended()) {
    land();
  } else {
    unseen_steps_.settle();
    moved();
  }
  return jumping_;
}

void ReplayViewer::stop_jump() {
  if (jumping_) land();
}

void ReplayViewer::land() {
  jumping_ = false;
  unseen_steps_.settle();
  unseen_ = false;
  anchored_ = false;
  moved();
}

bool ReplayViewer::close() {
  stop_jump();
  bool cut = !kept_trace_ || kept_trace_->cut_back_to(position());
  game_.close();
  return cut;
}

void ReplayViewer::hear(bool on) {
  if (on == heard_) return;
  heard_ = on;
  Media& media = game_.media();
  if (on) {
    media.set_sink(sink_);
    media.resync_sink();
  } else {
    sink_.music_stop();
    sink_.effect_stop();
    media.set_sink(silent_);
  }
}

void ReplayViewer::hear_if_playing() {
  hear(!paused_ && speed_ == 1 && !unseen_);
}

void ReplayViewer::moved() {
  if (moved_) moved_();
}

}  // namespace qv
