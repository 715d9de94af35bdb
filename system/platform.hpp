// What differs between the systems the game runs on, behind a few calls: names of files,
// reading one of ours, standard output and the command line. The hosts and the simulator go
// through these, so that the game and its tools compile unchanged everywhere and every file
// they write holds the same bytes on every system. platform_posix.cpp and platform_windows.cpp
// are the two sides.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// A file name as the file system takes it, from the UTF-8 every name is kept in (on Windows a
// wide name, so that a name of any letters opens).
std::filesystem::path path_from_utf8(std::string_view name);

// Reads a regular file of at most `most` bytes, whole. False for anything else: missing, a
// folder, a pipe or a device (opening one never waits), larger, or cut short while read.
bool read_regular_file(const std::string& name, size_t most, std::vector<uint8_t>& out);

// The folder the running program lies in, in UTF-8, or "" when the system cannot tell.
std::string program_folder();

// Standard output passes bytes as written: no line ending is changed on the way.
void binary_standard_output();

// The program's arguments in UTF-8, whatever the system's own code page.
std::vector<std::string> utf8_arguments(int argc, char** argv);

}  // namespace qv
