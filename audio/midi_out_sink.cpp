#include "audio/midi_out_sink.hpp"

#include <chrono>
#include <cmath>

namespace qv {
namespace {

constexpr uint8_t kVolume = 7;

}  // namespace

void MidiPlayer::LeveledOutput::message(uint8_t status, uint8_t data1, uint8_t data2) {
  if ((status & 0xF0) == 0xB0 && data1 == kVolume) {
    volume_[status & 0x0F] = data2;
    data2 = scaled(data2);
  }
  device_.message(status, data1, data2);
}

uint8_t MidiPlayer::LeveledOutput::scaled(uint8_t volume) const {
  return static_cast<uint8_t>(std::lround(static_cast<float>(volume) * level_));
}

void MidiPlayer::LeveledOutput::set_level(float level) {
  level_ = std::clamp(level, 0.0f, 1.0f);
  for (int ch = 0; ch < Sequencer::kChannels; ++ch)
    device_.message(static_cast<uint8_t>(0xB0 | ch), kVolume, scaled(volume_[ch]));
}

void MidiPlayer::play(const MidiSong* song, uint64_t from_us, uint64_t now_us) {
  sequencer_.play(song, from_us);
  origin_us_ =
      static_cast<int64_t>(paused_ ? paused_at_us_ : now_us) - static_cast<int64_t>(from_us);
}

void MidiPlayer::set_level(float level) {
  out_.set_level(level);
}

void MidiPlayer::pause(uint64_t now_us) {
  if (paused_) return;
  paused_ = true;
  paused_at_us_ = now_us;
  sequencer_.silence();
}

void MidiPlayer::resume(uint64_t now_us) {
  if (!paused_) return;
  paused_ = false;
  origin_us_ += static_cast<int64_t>(now_us - paused_at_us_);
  sequencer_.sound_held_notes();
}

uint64_t MidiPlayer::tune_time(uint64_t now_us) const {
  return static_cast<uint64_t>(std::max<int64_t>(0, static_cast<int64_t>(now_us) - origin_us_));
}

std::optional<uint64_t> MidiPlayer::pump(uint64_t now_us) {
  if (paused_ || !sequencer_.playing()) return std::nullopt;
  uint64_t target = tune_time(now_us);
  uint64_t at = sequencer_.position();
  sequencer_.run(target - std::min(target, at), [](uint64_t, uint64_t) {});
  if (!sequencer_.playing()) return std::nullopt;
  return static_cast<uint64_t>(
      origin_us_ + static_cast<int64_t>(sequencer_.position() + sequencer_.until_next()));
}

MidiOutSink::MidiOutSink(MidiOutput& device, const Clock& clock)
    : clock_(clock), player_(device), thread_([this] { run(); }) {}

MidiOutSink::~MidiOutSink() {
  change([this] { quit_ = true; });
  thread_.join();
}

template <typename Change>
void MidiOutSink::change(Change&& what) {
  {
    std::lock_guard lock(mutex_);
    what();
    changed_ = true;
  }
  wake_.notify_one();
}

void MidiOutSink::music_play(const MidiSong* song, uint64_t from_us) {
  change([&] { player_.play(song, from_us, clock_.now_us()); });
}

void MidiOutSink::music_stop() {
  change([this] { player_.stop(); });
}

void MidiOutSink::apply_level() {
  player_.set_level(muted_ ? 0.0f : level_);
}

void MidiOutSink::set_music_level(float level) {
  change([&] {
    level_ = level;
    apply_level();
  });
}

void MidiOutSink::set_muted(bool muted) {
  change([&] {
    muted_ = muted;
    apply_level();
  });
}

void MidiOutSink::pause() {
  change([this] { player_.pause(clock_.now_us()); });
}

void MidiOutSink::resume() {
  change([this] { player_.resume(clock_.now_us()); });
}

// Sleeps until the next message is due or the game changes something, whichever comes first.
void MidiOutSink::run() {
  std::unique_lock lock(mutex_);
  while (!quit_) {
    uint64_t now = clock_.now_us();
    std::optional<uint64_t> next = player_.pump(now);
    if (next) {
      wake_.wait_for(lock, std::chrono::microseconds(*next - std::min(*next, now)),
                     [this] { return changed_; });
    } else {
      wake_.wait(lock, [this] { return changed_; });
    }
    changed_ = false;
  }
  player_.stop();
}

}  // namespace qv
