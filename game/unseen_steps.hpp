// Steps of a game that nobody sees, run without drawing them. No step's logic reads a pixel,
// so the blits, which are most of what a step costs, can be left undone; and every frame is
// composed on a cleared back buffer and copied whole to the play surface, so the last frame
// that would have been drawn is the whole picture, or the last two when the program ended in
// the middle of the last one. Before each step the values of the game are kept; `settle` puts
// them back for those frames, runs their steps again with drawing, and returns to where the
// game stands, so that a jump of thousands of steps costs what its logic costs and two frames.
#pragma once

#include "game/game.hpp"
#include "game/snapshot.hpp"

namespace qv {

class UnseenSteps {
 public:
  explicit UnseenSteps(Game& game) : game_(game) {}
  Game& game() { return game_; }

  // The next step, with these keys, undrawn.
  void step(StepKeys keys);
  // The surfaces show the game as it stands: the last frames left undrawn are drawn now,
  // unseen by the game's observer and unheard (the host's sink hears nothing while steps run
  // unseen).
  void settle();
  // Puts the game back to a snapshot, whose pictures are right.
  void restore(const GameSnapshot& snapshot) {
    snapshot.restore(game_);
    undrawn_ = 0;
  }

 private:
  struct Frame {
    GameSnapshot before;
    StepKeys keys{};
  };
  void draw_again(const Frame& frame);

  Game& game_;
  // The step being run, and the last two that left drawing undone, the older first.
  Frame step_, frames_[2];
  int undrawn_ = 0;  // how many of `frames_` were left undrawn since the picture was right
  GameSnapshot now_;
};

}  // namespace qv
