// Quelvaris 弐: the game in its window.
#include "app/host_sdl.hpp"

int main() {
  return qv::run_game();
}
