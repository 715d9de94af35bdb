#include "game/credits.hpp"

#include "game/game.hpp"

namespace qv {
namespace {

// The title and mode control stops its own timer exactly when it starts, continues or
// restarts a game, and nothing else stops it; it ticks on the title and on the resting
// GameOver picture. A restart puts the stage clock back to 0, and the frame tick of the same
// step moves it to 1, while a continue keeps the clock far from there.
CreditStart how_started(const GameState& s, bool was_over) {
  if (was_over) return s.stage_count <= 1 ? CreditStart::restarted : CreditStart::continued;
  return s.lives == 10 ? CreditStart::title_ten_ships : CreditStart::title;
}

}  // namespace

const char* credit_end_name(CreditEnd how) {
  return how == CreditEnd::over ? "over" : "ending";
}

std::optional<CreditEnd> credit_end_from_name(std::string_view name) {
  if (name == "over") return CreditEnd::over;
  if (name == "ending") return CreditEnd::ending;
  return std::nullopt;
}

// A credit's game is over in the step whose frame tick takes `lives` below 0; the shots of
// that frame still score, so the score is read after the step. The staff roll ends the
// program, and with it the credit under way, unless the ship was lost in that very frame.
CreditNews CreditWatch::after_step(const Game& game) {
  const GameState& s = game.win().s;
  bool title_control_runs = game.win().op.running();
  CreditNews news;
  if (title_control_ran_ && !title_control_runs) {
    news.started = how_started(s, lives_before_ < 0);
    running_ = true;
  }
  if (running_ && s.lives < 0) {
    news.ended = CreditEnd::over;
  } else if (running_ && game.ended()) {
    news.ended = CreditEnd::ending;
  }
  if (news.ended) {
    running_ = false;
    news.score = s.score;
    news.stage_count = s.stage_count;
  }
  title_control_ran_ = title_control_runs;
  lives_before_ = s.lives;
  return news;
}

}  // namespace qv
