// Opening a file the program reads by a name it was given: only a regular file of at most
// `largest` bytes. A named pipe or a device under the name would hold the reading thread (a
// pipe's open waits for a writer), a folder is no file, and a file past the bound is not ours.
// The open itself never waits, and what was opened is what is checked, so nothing swapped in
// under the name between a look and the open gets past.
#pragma once

#include <cstdint>
#include <string>

#include "system/platform.hpp"

namespace qv {

// The open descriptor (the caller closes it) and, in `size`, the file's size; -1 for a file
// that is missing, cannot be read, is no regular file or is too large, as `why` says.
int open_regular_file(const std::string& path, int64_t largest, int64_t* size = nullptr,
                      FileRead* why = nullptr);

}  // namespace qv
