// Placeholder until the stage script is built.
#include "stage/stage.hpp"

namespace qv {

void Stage_Script(Window&) {}

}  // namespace qv
