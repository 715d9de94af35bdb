// Quelvaris 弐: the game in its window.
#include "desktop/host.hpp"

int main() {
  return qv::run_game();
}
