#include "front/recorder.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "system/platform.hpp"

namespace qv {
namespace {

constexpr int64_t kStepsPerSecond = 1000 / kStepMs;

}  // namespace

void Recorder::begin(uint32_t seed) {
  if (begun_) return;
  begun_ = true;
  text_.reserve(64 * 1024);  // a long game's worth, so that play seldom allocates
  writer_.begin(seed, text_);
}

void Recorder::before_step(int64_t step, StepKeys keys) {
  if (begun_) writer_.before_step(step, keys, text_);
}

void Recorder::after_step(const Game& game, StepKeys keys) {
  if (!begun_) return;
  writer_.after_step(game, keys, text_);
  const CreditNews& news = writer_.news();
  if (news.started == CreditStart::title || news.started == CreditStart::title_ten_ships)
    game_start_ = news.started;
}

void Recorder::closing(const Game& game) {
  if (begun_) writer_.closing(game, text_);
}

void Recorder::mark(int64_t step) {
  if (begun_) writer_.mark(step, text_);
}

RecordingFile::~RecordingFile() {
  if (fd_ < 0) return;
  sync();
  ::close(fd_);
}

void Recorder::take_over(const TakeOver& taken) {
  begun_ = true;
  text_ = taken.recording;
  writer_ = taken.writer;
  game_start_.reset();
}

bool RecordingFile::open(const std::string& path, bool replace, std::string& error) {
  path_ = path;
  failure_.clear();
  written_ = 0;
  last_sync_step_ = 0;
  fd_ = open_for_writing(path, replace);
  if (fd_ < 0) fail(std::strerror(errno));
  error = failure_;
  return fd_ >= 0;
}

void RecordingFile::catch_up(const std::string& text, int64_t step, bool sync_now) {
  if (fd_ < 0 || text.size() <= written_) return;
  write(text.data() + written_, text.size() - written_);
  written_ = text.size();
  if (sync_now || step - last_sync_step_ >= kStepsPerSecond) {
    sync();
    last_sync_step_ = step;
  }
}

void RecordingFile::finish(const std::string& text, int64_t step) {
  if (fd_ < 0) return;
  catch_up(text, step, true);
  if (::close(fd_) != 0 && failure_.empty()) fail(std::strerror(errno));
  fd_ = -1;
}

void RecordingFile::write(const char* text, size_t size) {
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
void RecordingFile::sync() {
  if (!failure_.empty()) return;
  if (sync_file(fd_) != 0 && errno != EINVAL) fail(std::strerror(errno));
}

void RecordingFile::fail(const char* why) {
  if (failure_.empty()) failure_ = "cannot write the recording " + path_ + ": " + why;
}

}  // namespace qv
