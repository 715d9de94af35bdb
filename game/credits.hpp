// Credits: a credit runs from a start on the title (Space: two spare ships; Left: ten, from a
// score of -10000), a continue or a restart until its game over or the end of the staff roll,
// and it scores what the score shows then. The game keeps no record of credits; a host hands
// its game to a CreditWatch after start-up and after every step, and the watch tells from the
// state what that step began or ended.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace qv {

class Game;

enum class CreditStart : uint8_t { title, title_ten_ships, continued, restarted };
enum class CreditEnd : uint8_t { over, ending };

// "over" or "ending", as recordings write it.
const char* credit_end_name(CreditEnd how);
std::optional<CreditEnd> credit_end_from_name(std::string_view name);

struct CreditNews {
  std::optional<CreditStart> started;
  std::optional<CreditEnd> ended;  // with the score and the stage clock as the credit ended
  int32_t score = 0;
  int32_t stage_count = 0;
};

class CreditWatch {
 public:
  // What the step the game has just run began and ended. Called first after start-up.
  CreditNews after_step(const Game& game);
  bool running() const { return running_; }

 private:
  bool running_ = false;
  bool title_control_ran_ = false;  // the title and mode control was ticking before the step
  int32_t lives_before_ = 0;
};

}  // namespace qv
