#include "front/step_pacer.hpp"

namespace qv {

void StepPacer::let_go_of_lost_time(int64_t step) {
  constexpr uint64_t kMostBehindUs = 250000;
  uint64_t now = real_.now_us();
  if (now > due_us(step) + kMostBehindUs) epoch_us_ += now - due_us(step);
}

void StepPacer::pause() {
  if (paused_) return;
  paused_ = true;
  paused_at_us_ = real_.now_us();
}

void StepPacer::resume() {
  if (!paused_) return;
  paused_ = false;
  epoch_us_ += real_.now_us() - paused_at_us_;
}

}  // namespace qv
