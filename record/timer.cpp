#include "record/timer.hpp"

namespace qv {

void Timer::set_Interval(int32_t ms) {
  if (ms < 0) ms = 0;
  if (ms == interval_) return;
  interval_ = ms;
  if (running()) restart();
}

void Timer::set_Enabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  if (running()) restart();
}

void Timer::delivered(uint64_t now_us) {
  constexpr uint64_t kGiveUpBehindUs = 250000;
  due_us_ += period_us();
  if (due_us_ + kGiveUpBehindUs < now_us) due_us_ = now_us + period_us();
}

}  // namespace qv
