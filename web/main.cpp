// Quelvaris 弐 in a web browser. The page passes "--trace" when opened as index.html?trace.
#include <cstring>

#include "web/host.hpp"

int main(int argc, char** argv) {
  qv::WebOptions options;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--trace") == 0) options.trace = true;
  }
  return qv::start_web_game(options) ? 0 : 1;
}
