// The POSIX side of system/platform.hpp: names are bytes, and UTF-8 already.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "system/platform.hpp"

namespace qv {

std::filesystem::path path_from_utf8(std::string_view name) {
  return std::filesystem::path(std::string(name));
}

// What was opened is what is checked, so that nothing swapped in under the name between a
// look and the open gets past; and the open itself never waits, not even for a pipe.
bool read_regular_file(const std::string& name, size_t most, std::vector<uint8_t>& out) {
  int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0 &&
            static_cast<uint64_t>(st.st_size) <= most;
  if (ok) {
    out.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < out.size()) {
      ssize_t n = ::read(fd, out.data() + got, out.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    ok = got == out.size();
  }
  ::close(fd);
  return ok;
}

void binary_standard_output() {}

std::vector<std::string> utf8_arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

}  // namespace qv
