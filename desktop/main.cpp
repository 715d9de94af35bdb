// Quelvaris 弐: the game in its window.
#include "desktop/host.hpp"
#include "desktop/options.hpp"

int main(int argc, char** argv) {
  qv::Options options;
  int code = qv::parse_options(argc, argv, options);
  if (code != qv::kGoOn) return code;
  return qv::run_game(options);
}
