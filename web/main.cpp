// Quelvaris 弐 in a web browser. The page passes "--trace" when opened as index.html?trace,
// "--replay FILE" with a recording it has put in the page's memory, and "--practice WHERE".
#include <cstdio>
#include <cstring>
#include <string>

#include "game/take_over.hpp"
#include "web/host.hpp"

int main(int argc, char** argv) {
  qv::WebOptions options;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--trace") == 0) {
      options.trace = true;
    } else if (std::strcmp(argv[i], "--replay") == 0 && i + 1 < argc) {
      options.replay = argv[++i];
    } else if (std::strcmp(argv[i], "--practice") == 0 && i + 1 < argc) {
      options.practice = qv::practice_frame(argv[++i]);
      if (!options.practice) {
        std::fprintf(stderr, "quelvaris: practise at a frame from 11 to 2099, or boss\n");
        return 2;
      }
    }
  }
  return qv::start_web_game(options) ? 0 : 1;
}
