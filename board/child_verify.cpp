#include "board/child_verify.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <sstream>

#include "board/submission.hpp"
#include "game/recording_format.hpp"
#include "game/verify.hpp"

namespace qv::board {
namespace {

bool write_all(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

std::string read_all(int fd, size_t most) {
  std::string out;
  char buffer[4096];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || out.size() > most) return out;
    out.append(buffer, static_cast<size_t>(n));
  }
}

// Only what is async-signal-safe runs between fork and exec.
[[noreturn]] void become_child(int input, int output, const char* const argv[],
                               const ChildLimits& limits) {
  rlimit cpu{static_cast<rlim_t>(limits.cpu_seconds), static_cast<rlim_t>(limits.cpu_seconds)};
  setrlimit(RLIMIT_CPU, &cpu);
#if !defined(__SANITIZE_ADDRESS__)
  // AddressSanitizer reserves terabytes of address space for its shadow: a sanitizer build
  // keeps only the CPU limit.
  rlimit memory{limits.memory_bytes, limits.memory_bytes};
  setrlimit(RLIMIT_AS, &memory);
#endif
  rlimit no_core{0, 0};
  setrlimit(RLIMIT_CORE, &no_core);
  if (dup2(input, 0) < 0 || dup2(output, 1) < 0) _exit(127);
  close_range(3, ~0u, 0);
  execv(argv[0], const_cast<char* const*>(argv));
  _exit(127);
}

}  // namespace

std::optional<RunVerdict> verify_in_child(const std::string& program,
                                          const std::string& data_folder,
                                          const std::string& recording, const ChildLimits& limits) {
  // The recording goes in as a file, so that neither side waits on a pipe the other fills.
  int input = memfd_create("recording", MFD_CLOEXEC);
  if (input < 0) return std::nullopt;
  int out[2];
  if (!write_all(input, recording) || lseek(input, 0, SEEK_SET) != 0 ||
      pipe2(out, O_CLOEXEC) != 0) {
    close(input);
    return std::nullopt;
  }
  const char* argv[] = {program.c_str(), "--verify-child", "--data", data_folder.c_str(), nullptr};
  pid_t child = fork();
  if (child == 0) become_child(input, out[1], argv, limits);
  close(input);
  close(out[1]);
  std::string text = child > 0 ? read_all(out[0], 1 << 16) : "";
  close(out[0]);
  if (child < 0) return std::nullopt;
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return verdict_from_text(text);
}

int verify_child_main(const std::string& data_folder) {
  std::ostringstream bytes;
  bytes << std::cin.rdbuf();
  std::string recording = bytes.str();
  // The verifier refuses what is past its limits before replaying anything.
  RunVerdict v = run_verdict(verify_text(recording, data_folder));
  std::cout << verdict_text(v);
  std::cout.flush();
  return std::cout ? 0 : 1;
}

}  // namespace qv::board
