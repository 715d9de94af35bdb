// The POSIX side of system/platform.hpp: names are bytes, and UTF-8 already.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "system/platform.hpp"

namespace qv {

std::filesystem::path path_from_utf8(std::string_view name) {
  return std::filesystem::path(std::string(name));
}

std::string utf8_from_path(const std::filesystem::path& path) {
  return path.string();
}

std::FILE* open_file(const std::string& name, const char* mode) {
  return std::fopen(name.c_str(), mode);
}

int open_for_writing(const std::string& name, bool replace) {
  return ::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (replace ? O_TRUNC : O_EXCL), 0644);
}

int sync_file(int fd) {
  return ::fdatasync(fd);
}

bool can_write_file(const std::string& name, std::string& why) {
  int fd = ::open(name.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd >= 0) {
    ::close(fd);
    return true;
  }
  if (errno == ENOENT) {
    std::filesystem::path folder = std::filesystem::path(name).parent_path();
    if (::access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) == 0) return true;
  }
  why = std::strerror(errno);
  return false;
}

bool replace_file(const std::string& name, const std::string& bytes) {
  std::string temp = name + ".XXXXXX";
  int fd = mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  ok = fsync(fd) == 0 && ok;
  ok = close(fd) == 0 && ok;
  if (ok) ok = std::rename(temp.c_str(), name.c_str()) == 0;
  if (!ok) {
    int error = errno;
    unlink(temp.c_str());
    errno = error;
  }
  return ok;
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
