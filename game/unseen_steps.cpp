#include "game/unseen_steps.hpp"

#include <algorithm>
#include <utility>

namespace qv {

void UnseenSteps::step(StepKeys keys) {
  SystemContext& context = game_.context();
  uint64_t undone = context.draws_left_undone;
  step_.before.take_values(game_);
  step_.keys = keys;
  context.drawing = false;
  game_.step(keys);
  context.drawing = true;
  if (context.draws_left_undone == undone) return;
  std::swap(frames_[0], frames_[1]);
  std::swap(frames_[1], step_);
  undrawn_ = std::min(undrawn_ + 1, 2);
}

void UnseenSteps::settle() {
  if (undrawn_ == 0) return;
  HandlerObserver* observer = game_.observer();
  game_.set_observer(nullptr);
  now_.take_values(game_);
  for (int i = 2 - undrawn_; i < 2; ++i) draw_again(frames_[i]);
  restore(now_);
  game_.set_observer(observer);
}

void UnseenSteps::draw_again(const Frame& frame) {
  frame.before.restore(game_);
  game_.step(frame.keys);
}

}  // namespace qv
