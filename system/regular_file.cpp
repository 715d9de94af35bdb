#include "system/regular_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

int open_regular_file(const std::string& path, int64_t largest, int64_t* size) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > largest) {
    ::close(fd);
    return -1;
  }
  if (size) *size = st.st_size;
  return fd;
}

}  // namespace qv
