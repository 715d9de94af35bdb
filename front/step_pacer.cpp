#include "front/step_pacer.hpp"

#include <ctime>

namespace qv {

void StepPacer::let_go_of_lost_time(int64_t step) {
  constexpr uint64_t kMostBehindUs = 250000;
  uint64_t now = real_.now_us();
  if (now > due_us(step) + kMostBehindUs) epoch_us_ += now - due_us(step);
}

void StepPacer::start_at(int64_t step) {
  uint64_t now = real_.now_us();
  epoch_us_ = now - static_cast<uint64_t>(step) * kStepMs * 1000;
  paused_at_us_ = now;
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

int run_due_steps(StepPacer& pacer, const Game& game, const std::function<bool(int64_t)>& run_step,
                  int most) {
  int ran = 0;
  while (ran < most && !pacer.paused()) {
    int64_t next = game.current_step() + 1;
    if (pacer.now_us() < pacer.due_us(next)) break;
    pacer.let_go_of_lost_time(next);
    ++ran;
    if (!run_step(next)) break;
  }
  return ran;
}

uint32_t new_game_seed(const Clock& real) {
  return static_cast<uint32_t>(std::time(nullptr)) ^ static_cast<uint32_t>(real.now_us());
}

}  // namespace qv
