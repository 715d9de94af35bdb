// The system the game runs on, as one record a host owns: the key state, the table of surface
// handles, the random generator and the media layer. The game's calls reach the context that is
// current on their thread, so two hosts (or two tests) can run side by side, each making its
// own context current while its game runs.
#pragma once

#include "system/keys.hpp"
#include "system/random.hpp"
#include "system/surface.hpp"

namespace qv {

class Media;

struct SystemContext {
  Keyboard keyboard;
  SurfaceTable surfaces;
  RandomSource random;
  Media* media = nullptr;
  // Off while steps run that nobody will see: the blits and fills leave the pixels alone and
  // count what they left undone, so that whoever turned drawing off knows the picture is stale.
  bool drawing = true;
  uint64_t draws_left_undone = 0;
};

// The context current on this thread; a thread that made none current gets one of its own.
SystemContext& current_context();

// Makes the context current on this thread (null: the thread's own); returns the one before.
SystemContext* make_current(SystemContext* context);

}  // namespace qv
