#include "audio/sequencer.hpp"

namespace qv {
namespace {

constexpr uint8_t kControl = 0xB0, kProgram = 0xC0, kPitchBend = 0xE0;
constexpr uint8_t kSustain = 64, kAllNotesOff = 123, kResetControllers = 121;
constexpr uint8_t kVolume = 7, kPan = 10, kExpression = 11, kReverbSend = 91, kChorusSend = 93;

uint8_t on(uint8_t kind, int channel) {
  return static_cast<uint8_t>(kind | channel);
}

}  // namespace

void Sequencer::play(const MidiSong* song, uint64_t from_us) {
  song_ = nullptr;
  reset_channels();
  if (!song) return;
  song_ = song;
  pos_ = unit_of(from_us);
  end_ = unit_of(song->length_us);
  auto first_due = std::find_if(song->events.begin(), song->events.end(),
                                [&](const MidiEvent& e) { return unit_of(e.time_us) >= pos_; });
  next_event_ = static_cast<size_t>(first_due - song->events.begin());
  chase_controllers();
}

void Sequencer::stop() {
  release_all_channels();
  song_ = nullptr;
}

uint64_t Sequencer::until_next() const {
  if (!song_) return 0;
  const auto& events = song_->events;
  uint64_t next = next_event_ < events.size() ? unit_of(events[next_event_].time_us) : end_;
  return next - std::min(next, pos_);
}

void Sequencer::play_due() {
  if (!song_) return;
  const auto& events = song_->events;
  while (next_event_ < events.size() && unit_of(events[next_event_].time_us) <= pos_) {
    send(events[next_event_]);
    ++next_event_;
  }
  if (next_event_ == events.size() && pos_ >= end_) song_ = nullptr;
}

void Sequencer::join() {
  reset_channels();
  chase_controllers();
  sound_held_notes();
}

void Sequencer::silence() {
  for (int ch = 0; ch < kChannels; ++ch) {
    out_.message(on(kControl, ch), kSustain, 0);
    out_.message(on(kControl, ch), kAllNotesOff, 0);
  }
}

// No cut, so no click: the notes go into their release.
void Sequencer::release_all_channels() {
  for (int ch = 0; ch < kChannels; ++ch) {
    out_.message(on(kControl, ch), kSustain, 0);
    out_.message(on(kControl, ch), kAllNotesOff, 0);
    out_.message(on(kControl, ch), kResetControllers, 0);
    out_.message(on(kPitchBend, ch), 0, 64);  // the middle, 8192
  }
}

// What a tune may take for granted at its start: piano everywhere, the drums on channel 10,
// the usual levels. Notes of the tune before still ring out in their release.
void Sequencer::reset_channels() {
  release_all_channels();
  for (int ch = 0; ch < kChannels; ++ch) {
    out_.message(on(kProgram, ch), 0, 0);
    out_.message(on(kControl, ch), kVolume, 100);
    out_.message(on(kControl, ch), kPan, 64);
    out_.message(on(kControl, ch), kExpression, 127);
    out_.message(on(kControl, ch), kReverbSend, 40);
    out_.message(on(kControl, ch), kChorusSend, 0);
  }
}

// Instruments and controllers of the events already passed, notes left out.
void Sequencer::chase_controllers() {
  if (!song_) return;
  for (size_t i = 0; i < next_event_; ++i) {
    const MidiEvent& e = song_->events[i];
    uint8_t kind = e.status & 0xF0;
    if (kind == kControl || kind == kProgram || kind == kPitchBend) send(e);
  }
}

void Sequencer::sound_held_notes() {
  if (!song_) return;
  uint8_t held[kChannels][128] = {};  // velocity, 0 when released
  for (size_t i = 0; i < next_event_; ++i) {
    const MidiEvent& e = song_->events[i];
    uint8_t kind = e.status & 0xF0;
    if (kind == 0x80 || kind == 0x90)
      held[e.status & 0x0F][e.data1 & 0x7F] = kind == 0x90 ? e.data2 : 0;
  }
  for (int ch = 0; ch < kChannels; ++ch)
    for (int key = 0; key < 128; ++key)
      if (held[ch][key]) out_.message(on(0x90, ch), static_cast<uint8_t>(key), held[ch][key]);
}

}  // namespace qv
