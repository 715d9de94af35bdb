// Quelvaris 弐: the game in its window.
#include "desktop/board_commands.hpp"
#include "desktop/host.hpp"
#include "desktop/options.hpp"
#include "desktop/score_commands.hpp"

int main(int argc, char** argv) {
  qv::Options options;
  int code = qv::parse_options(argc, argv, options);
  if (code != qv::kGoOn) return code;
  if (!options.verify.empty()) return qv::verify_command(options.verify, qv::game_data_folder());
  if (options.scores) return qv::scores_command(qv::game_data_folder());
  if (options.register_name || options.submit)
    return qv::board_command(options, qv::game_data_folder());
  return qv::run_game(options);
}
