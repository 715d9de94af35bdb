// The real clock: microseconds since the clock was made, never going back.
#pragma once

#include <chrono>

#include "system/media.hpp"

namespace qv {

class SteadyClock final : public Clock {
 public:
  uint64_t now_us() const override {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                     std::chrono::steady_clock::now() - start_)
                                     .count());
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace qv
