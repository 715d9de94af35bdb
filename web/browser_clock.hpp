// The page's real clock: the browser's monotonic time (performance.now), in microseconds.
#pragma once

#include <emscripten.h>

#include "system/media.hpp"

namespace qv {

class BrowserClock final : public Clock {
 public:
  uint64_t now_us() const override { return static_cast<uint64_t>(emscripten_get_now() * 1000.0); }
};

}  // namespace qv
