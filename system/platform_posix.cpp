// The POSIX side of system/platform.hpp: names are bytes, and UTF-8 already.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>

#include "system/platform.hpp"
#include "system/regular_file.hpp"

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

bool cut_file(const std::string& name, uint64_t size) {
  if (size > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) {
    errno = EFBIG;
    return false;
  }
  return ::truncate(name.c_str(), static_cast<off_t>(size)) == 0;
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

namespace {

// Every byte, or false with errno saying why: a short write is followed by another, which
// names the cause (ENOSPC, EFBIG); a write that takes nothing at all is an I/O error.
bool write_all(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) {
      errno = EIO;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool replace_file(const std::string& name, const std::string& bytes) {
  std::filesystem::path path(name);
  remove_stale_temporaries(path.parent_path().string(), path.filename().string());
  struct stat st;
  mode_t mode = ::stat(name.c_str(), &st) == 0 ? st.st_mode & 07777 : S_IRUSR | S_IWUSR;
  std::string temp = name + std::string(kTemporaryMark) + "XXXXXX";
  int fd = mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = fchmod(fd, mode) == 0 && write_all(fd, bytes.data(), bytes.size()) && fsync(fd) == 0;
  int error = errno;  // of the first failure; the calls after it may set their own
  if (close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && std::rename(temp.c_str(), name.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    unlink(temp.c_str());
    errno = error;
  }
  return ok;
}

std::string file_behind_links(std::string name) {
  for (int hops = 0; hops < 40; ++hops) {
    char target[4096];
    ssize_t n = readlink(name.c_str(), target, sizeof target);
    if (n <= 0 || static_cast<size_t>(n) == sizeof target) break;  // no link
    if (target[0] == '/')
      name.clear();
    else
      name.erase(name.rfind('/') + 1);  // npos + 1: the link lies in the working folder
    name.append(target, static_cast<size_t>(n));
  }
  return name;
}

// The owner's write bit counts even for one (root) whom access() lets write anything.
bool read_only_file(const std::string& name) {
  struct stat st;
  if (::stat(name.c_str(), &st) != 0) return false;
  return !(st.st_mode & S_IWUSR) || ::access(name.c_str(), W_OK) != 0;
}

FileRead read_regular_file(const std::string& name, size_t most, std::vector<uint8_t>& out) {
  int64_t size = 0;
  FileRead outcome;
  out.clear();
  int fd = open_regular_file(name, static_cast<int64_t>(std::min<size_t>(most, INT64_MAX)), &size,
                             &outcome);
  if (fd < 0) return outcome;
  out.resize(static_cast<size_t>(size));
  size_t got = 0;
  while (got < out.size()) {
    ssize_t n = ::read(fd, out.data() + got, out.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      outcome = {FileRead::short_read, n < 0 ? errno : 0};
      break;
    }
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  if (!outcome.ok()) out.clear();  // a file cut short while it was read is no file of ours
  return outcome;
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
