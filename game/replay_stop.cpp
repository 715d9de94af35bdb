#include "game/replay_stop.hpp"

#include "game/recording_format.hpp"

namespace qv {

ReplayStop::ReplayStop(const KeyScript& script, std::optional<int64_t> limit,
                       std::optional<int64_t> plain_script)
    : last_(
          limit.value_or(script.last_step().value_or(plain_script.value_or(latest_step(script))))) {
}

}  // namespace qv
