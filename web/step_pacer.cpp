#include "web/step_pacer.hpp"

#include <cmath>

namespace qv {

int64_t StepPacer::frame(double now_ms) {
  if (!started_) {
    started_ = true;
    origin_ms_ = now_ms;
    return 0;
  }
  if (hidden_) return 0;
  int64_t due = static_cast<int64_t>(std::floor((now_ms - origin_ms_) / kStepMs));
  if (due - done_ > kGiveUpBehind) {
    origin_ms_ = now_ms - static_cast<double>(done_ + 1) * kStepMs;
    due = done_ + 1;
  }
  if (due <= done_) return 0;
  int64_t n = due - done_;
  done_ = due;
  return n;
}

void StepPacer::hide(double now_ms) {
  if (hidden_) return;
  hidden_ = true;
  hidden_at_ms_ = now_ms;
}

void StepPacer::show(double now_ms) {
  if (!hidden_) return;
  hidden_ = false;
  if (started_) origin_ms_ += now_ms - hidden_at_ms_;
}

}  // namespace qv
