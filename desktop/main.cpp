// Quelvaris 弐: the game in its window.
#include "desktop/board_commands.hpp"
#include "desktop/folders.hpp"
#include "desktop/host.hpp"
#include "desktop/replay_folder.hpp"
#include "desktop/settings.hpp"
#include "desktop/options.hpp"
#include "desktop/score_commands.hpp"
#include "system/platform.hpp"

namespace {

// Where the board's commands find the board, the token and the table.
qv::BoardPlaces board_places(const qv::Options& options) {
  qv::BoardPlaces places;
  places.url = options.board.empty() ? qv::load_settings(qv::settings_path()).settings.board_url
                                     : options.board;
  places.account = qv::utf8_from_path(qv::board_account_place());
  if (options.best) places.scores = qv::scores_folder();
  places.data_folder = qv::game_data_folder();
  return places;
}

}  // namespace

int main(int argc, char** argv) {
  qv::Options options;
  int code = qv::parse_options(argc, argv, options);
  if (code != qv::kGoOn) return code;
  if (!options.verify.empty()) return qv::verify_command(options.verify, qv::game_data_folder());
  if (options.scores) return qv::scores_command(qv::game_data_folder());
  if (options.register_name) {
    auto http = qv::make_http_client();
    return qv::register_command(*http, board_places(options), *options.register_name);
  }
  if (options.submit) {
    auto http = qv::make_http_client();
    return qv::submit_command(*http, board_places(options), options.submit_files, options.best);
  }
  return qv::run_game(options);
}
