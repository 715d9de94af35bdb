// Quelvaris 弐: the game in its window.
#include <cstdio>
#include <cstring>

#include "desktop/host.hpp"

int main(int argc, char** argv) {
  qv::Options options;
  for (int i = 1; i < argc; ++i) {
    std::string* value = nullptr;
    if (!std::strcmp(argv[i], "--record")) value = &options.record;
    if (!std::strcmp(argv[i], "--replay")) value = &options.replay;
    if (!std::strcmp(argv[i], "--trace")) value = &options.trace;
    if (!value || i + 1 >= argc) {
      std::fprintf(stderr, "quelvaris: unknown option %s\n", argv[i]);
      return 2;
    }
    *value = argv[++i];
  }
  return qv::run_game(options);
}
