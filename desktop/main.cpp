// Quelvaris 弐: the game in its window.
#include "desktop/host_sdl.hpp"

int main() {
  return qv::run_game();
}
