// A clock that reads what it is set to: for driving the media layer and timers by hand.
#pragma once

#include "system/media.hpp"

namespace qv {

class VirtualClock final : public Clock {
 public:
  uint64_t now_us() const override { return now_us_; }
  void set_ms(uint64_t ms) { now_us_ = ms * 1000; }

 private:
  uint64_t now_us_ = 0;
};

}  // namespace qv
