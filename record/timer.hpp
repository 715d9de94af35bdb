// The window's millisecond timers. A timer ticks every Interval ms while it is enabled and
// its Interval is not 0; starting it (or giving it a new Interval) schedules its first tick
// one Interval later, and setting the value it already has changes nothing.
#pragma once

#include <cstdint>

#include "system/media.hpp"

namespace qv {

class Timer {
 public:
  Timer(const Clock& clock, int32_t interval, bool enabled)
      : clock_(&clock), interval_(interval), enabled_(enabled) {
    if (running()) due_us_ = clock.now_us() + period_us();
  }

  int32_t Interval() const { return interval_; }
  void set_Interval(int32_t ms);
  bool Enabled() const { return enabled_; }
  void set_Enabled(bool on);

  bool running() const { return enabled_ && interval_ > 0; }
  bool is_due(uint64_t now_us) const { return running() && due_us_ <= now_us; }
  uint64_t due_us() const { return due_us_; }
  // The host calls this as it delivers a tick. A host that fell far behind (a suspended
  // machine) starts afresh from now rather than delivering a burst of stale ticks.
  void delivered(uint64_t now_us);
  // Takes on another timer's Interval, switch and next tick, keeping its own clock: for
  // putting back a snapshot that another game of the same replay took.
  void take_schedule(const Timer& from) {
    interval_ = from.interval_;
    enabled_ = from.enabled_;
    due_us_ = from.due_us_;
  }

 private:
  uint64_t period_us() const { return static_cast<uint64_t>(interval_) * 1000; }
  void restart() { due_us_ = clock_->now_us() + period_us(); }

  const Clock* clock_;
  int32_t interval_;
  bool enabled_;
  uint64_t due_us_ = 0;
};

}  // namespace qv
