// The POSIX side of system/platform.hpp: names are bytes, and UTF-8 already.
#include <unistd.h>

#include <cerrno>

#include "system/platform.hpp"
#include "system/regular_file.hpp"

namespace qv {

std::filesystem::path path_from_utf8(std::string_view name) {
  return std::filesystem::path(std::string(name));
}

bool read_regular_file(const std::string& name, size_t most, std::vector<uint8_t>& out) {
  int64_t size = 0;
  int fd = open_regular_file(name, static_cast<int64_t>(most), &size);
  if (fd < 0) return false;
  out.resize(static_cast<size_t>(size));
  size_t got = 0;
  while (got < out.size()) {
    ssize_t n = ::read(fd, out.data() + got, out.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  return got == out.size();  // a file cut short while it was read is no file of ours
}

std::string program_folder() {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path);
  if (n <= 0 || static_cast<size_t>(n) == sizeof path) return "";
  std::string program(path, static_cast<size_t>(n));
  return program.substr(0, program.rfind('/'));
}

void binary_standard_output() {}

std::vector<std::string> utf8_arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

}  // namespace qv
