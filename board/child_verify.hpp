// Each recording is verified in a child process of its own, under limits of CPU time and
// memory, so that a hostile recording costs at most that child. The child is this program
// again (`--verify-child`): a fresh process, with nothing of the server's threads in it.
#pragma once

#include <optional>
#include <string>

#include "board/run_verdict.hpp"

namespace qv::board {

struct ChildLimits {
  int cpu_seconds = 30;  // a two-hour run takes about 5 s of one core here: room for a slower one
  size_t memory_bytes = 512u << 20;  // the address space; a whole game needs about 60 MiB
};

// Verifies `recording` in a child; nothing when the child died (killed by its limits, or
// crashed) or could not be started: the run is tried again.
std::optional<RunVerdict> verify_in_child(const std::string& program,
                                          const std::string& data_folder,
                                          const std::string& recording, const ChildLimits& limits);

// The child's side: reads the recording on stdin, writes the verdict's text on stdout.
int verify_child_main(const std::string& data_folder);

}  // namespace qv::board
