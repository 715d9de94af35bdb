#include "front/recorder.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace qv {
namespace {

constexpr int64_t kStepsPerSecond = 1000 / kStepMs;

}  // namespace

Recorder::~Recorder() {
  if (file_) {
    sync();
    std::fclose(file_);
  }
}

bool Recorder::open(const std::string& path, bool replace, uint32_t seed, std::string& error) {
  int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (replace ? O_TRUNC : O_EXCL);
  int fd = ::open(path.c_str(), flags, 0644);
  if (fd >= 0) file_ = ::fdopen(fd, "w");
  if (!file_) {
    error = "cannot write the recording " + path + ": " + std::strerror(errno);
    if (fd >= 0) ::close(fd);
    return false;
  }
  path_ = path;
  std::fprintf(file_, "# Quelvaris recording: quelvaris-sim --keys FILE replays it\nseed %u\n",
               static_cast<unsigned>(seed));
  sync();
  return true;
}

void Recorder::write_keys(int64_t step, uint8_t keys, uint8_t taps) {
  std::fprintf(file_, "%lld", static_cast<long long>(step));
  if (!keys) std::fputs(" none", file_);
  for (int k = 0; k < kGameKeys; ++k)
    if (keys & (1u << k)) std::fprintf(file_, " %s", kGameKeyName[k]);
  for (int k = 0; k < kGameKeys; ++k)
    if (taps & (1u << k)) std::fprintf(file_, " tap:%s", kGameKeyName[k]);
  std::fputc('\n', file_);
}

// A key that went down without becoming held in this step (or while held already) was tapped.
void Recorder::step(int64_t step, StepKeys keys) {
  if (!file_) return;
  uint8_t newly_held = static_cast<uint8_t>(keys.held & ~held_);
  uint8_t taps = static_cast<uint8_t>(keys.went_down & ~newly_held);
  // Once a second the line of this step goes to the disk even when nothing changed, so that
  // a recording cut short still says how far the game went.
  bool sync_due = step - last_sync_step_ >= kStepsPerSecond;
  if (keys.held != held_ || taps || sync_due) write_keys(step, keys.held, taps);
  held_ = keys.held;
  if (sync_due) {
    sync();
    last_sync_step_ = step;
  }
}

void Recorder::finish(int64_t step, const char* how) {
  if (!file_) return;
  std::fprintf(file_, "%lld %s\n", static_cast<long long>(step), how);
  sync();
  std::fclose(file_);
  file_ = nullptr;
}

void Recorder::sync() {
  std::fflush(file_);
  ::fdatasync(::fileno(file_));
}

}  // namespace qv
