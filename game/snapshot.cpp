#include "game/snapshot.hpp"

#include <algorithm>

namespace qv {
namespace {

// The window's surfaces, in one order for taking and putting back.
template <typename W>
auto surfaces_of(W& win) {
  return std::array{&win.onPB, &win.offPB, &win.character, &win.mask, &win.slmain, &win.slmask};
}

}  // namespace

void GameSnapshot::take(const Game& game, const GameSnapshot* before) {
  take_values(game);
  own_bytes_ = sizeof *this;
  auto surfaces = surfaces_of(game.win());
  for (size_t i = 0; i < kSurfaces; ++i) {
    const std::vector<uint32_t>& now = surfaces[i]->pixels();
    Pixels same;
    if (before && before->surfaces_[i] && *before->surfaces_[i] == now) same = before->surfaces_[i];
    // The back buffer is often what the play surface shows: one copy serves both.
    if (!same && i > 0 && *surfaces_[0] == now) same = surfaces_[0];
    if (!same) {
      same = std::make_shared<const std::vector<uint32_t>>(now);
      own_bytes_ += now.size() * sizeof(uint32_t);
    }
    surfaces_[i] = std::move(same);
  }
}

void GameSnapshot::take_values(const Game& game) {
  taken_ = true;
  step_ = game.step_;
  ended_ = game.ended_;
  keys_seen_ = game.keys_seen_;
  held_before_ = game.held_before_;
  const Window& win = game.win();
  state_ = win.s;
  score1_ = win.score1;
  op_ = win.op;
  time_ = win.time;
  bgm_check_ = win.Bgm_Check;
  keyboard_ = game.context().keyboard;
  random_ = game.context().random;
  game.media().save(sequencer_);
  surfaces_ = {};
  own_bytes_ = sizeof *this;
}

// Into the game that took it or another game of the same replay (one that runs ahead to take
// snapshots): nothing of the taker is kept but values.
void GameSnapshot::restore(Game& game) const {
  game.step_ = step_;
  game.clock_.set_step(step_);
  game.ended_ = ended_;
  game.keys_seen_ = keys_seen_;
  game.held_before_ = held_before_;
  Window& win = game.win();
  win.s = state_;
  win.score1 = score1_;
  win.op.take_schedule(*op_);
  win.time.take_schedule(*time_);
  win.Bgm_Check.take_schedule(*bgm_check_);
  game.context().keyboard = keyboard_;
  game.context().random = random_;
  game.media().restore(sequencer_);
  auto surfaces = surfaces_of(win);
  for (size_t i = 0; i < kSurfaces; ++i)
    if (surfaces_[i])
      std::copy(surfaces_[i]->begin(), surfaces_[i]->end(), surfaces[i]->pixels().begin());
}

}  // namespace qv
