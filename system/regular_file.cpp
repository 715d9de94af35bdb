#include "system/regular_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace qv {

int open_regular_file(const std::string& path, int64_t largest, int64_t* size, FileRead* why) {
  FileRead outcome;
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  struct stat st;
  if (fd < 0 || ::fstat(fd, &st) != 0)
    outcome = {FileRead::unopened, errno};
  else if (!S_ISREG(st.st_mode))
    outcome = {FileRead::not_regular, 0};
  else if (st.st_size > largest)
    outcome = {FileRead::too_large, 0};
  if (why) *why = outcome;
  if (outcome.ok()) {
    if (size) *size = st.st_size;
    return fd;
  }
  if (fd >= 0) ::close(fd);
  return -1;
}

}  // namespace qv
