#include "front/recorder.hpp"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "system/platform.hpp"

namespace qv {
namespace {

constexpr int64_t kStepsPerSecond = 1000 / kStepMs;

// The longest line: a step number and every key, held and tapped.
constexpr size_t kLineSize = 128;

// Adds `text` to the line being formatted in `line` (of kLineSize) at `used`.
void append(char* line, size_t& used, const char* text) {
  int n = std::snprintf(line + used, kLineSize - used, "%s", text);
  if (n > 0) used = std::min(kLineSize - 1, used + static_cast<size_t>(n));
}

}  // namespace

Recorder::~Recorder() {
  if (fd_ < 0) return;
  sync();
  ::close(fd_);
}

bool Recorder::open_file(const std::string& path, bool replace, std::string& error) {
  path_ = path;
  failure_.clear();
  held_ = 0;
  last_line_step_ = -1;
  last_sync_step_ = 0;
  fd_ = open_for_writing(path, replace);
  if (fd_ >= 0) return true;
  fail(std::strerror(errno));
  error = failure_;
  return false;
}

bool Recorder::open_with(const std::string& path, bool replace, const std::string& text,
                         std::string& error) {
  if (!open_file(path, replace, error)) return false;
  write_line(text.data(), text.size());
  sync();
  error = failure_;
  return failure_.empty();
}

void Recorder::write_text(const char* text, size_t size, int64_t step) {
  if (fd_ < 0) return;
  write_line(text, size);
  if (step - last_sync_step_ >= kStepsPerSecond) {
    sync();
    last_sync_step_ = step;
  }
}

bool Recorder::open(const std::string& path, bool replace, uint32_t seed, std::string& error) {
  if (!open_file(path, replace, error)) return false;
  char header[kLineSize];
  int n = std::snprintf(header, sizeof header,
                        "# Quelvaris recording: quelvaris-sim --keys FILE replays it\nseed %u\n",
                        static_cast<unsigned>(seed));
  write_line(header, static_cast<size_t>(n));
  sync();
  error = failure_;
  return failure_.empty();
}

void Recorder::write_keys(int64_t step, uint8_t keys, uint8_t taps) {
  char line[kLineSize];
  size_t used =
      static_cast<size_t>(std::snprintf(line, sizeof line, "%lld", static_cast<long long>(step)));
  if (!keys) append(line, used, " none");
  for (int k = 0; k < kGameKeys; ++k) {
    if (!(keys & (1u << k))) continue;
    append(line, used, " ");
    append(line, used, kGameKeyName[k]);
  }
  for (int k = 0; k < kGameKeys; ++k) {
    if (!(taps & (1u << k))) continue;
    append(line, used, " tap:");
    append(line, used, kGameKeyName[k]);
  }
  append(line, used, "\n");
  write_line(line, used);
  last_line_step_ = step;
}

// A key that went down without becoming held in this step (or while held already) was tapped.
void Recorder::step(int64_t step, StepKeys keys) {
  if (fd_ < 0) return;
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

void Recorder::mark(int64_t step) {
  if (fd_ >= 0 && step > last_line_step_) write_keys(step, held_, 0);
}

void Recorder::finish(int64_t step, const char* how) {
  if (fd_ < 0) return;
  if (how) {
    char line[kLineSize];
    int n = std::snprintf(line, sizeof line, "%lld %s\n", static_cast<long long>(step), how);
    write_line(line, static_cast<size_t>(n));
  }
  sync();
  if (::close(fd_) != 0 && failure_.empty()) fail(std::strerror(errno));
  fd_ = -1;
}

void Recorder::write_line(const char* text, size_t size) {
  if (!failure_.empty()) return;
  while (size > 0) {
    ssize_t n = ::write(fd_, text, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return fail(n < 0 ? std::strerror(errno) : "nothing was written");
    text += n;
    size -= static_cast<size_t>(n);
  }
}

// Pipes and terminals have nothing to sync: they say so with EINVAL.
void Recorder::sync() {
  if (!failure_.empty()) return;
  if (sync_file(fd_) != 0 && errno != EINVAL) fail(std::strerror(errno));
}

void Recorder::fail(const char* why) {
  if (failure_.empty()) failure_ = "cannot write the recording " + path_ + ": " + why;
}

}  // namespace qv
