// Windows' MIDI mapper as our sequencer's output (midiOutOpen / midiOutShortMsg): Windows
// plays the tunes with its own synthesizer. A machine without a MIDI device gets an output that
// drops every message, and the game plays on without music.
#pragma once

#include <memory>

#include "audio/sequencer.hpp"

namespace qv {

class WinmmMidiDevice final : public MidiOutput {
 public:
  WinmmMidiDevice();
  ~WinmmMidiDevice() override;
  WinmmMidiDevice(const WinmmMidiDevice&) = delete;
  WinmmMidiDevice& operator=(const WinmmMidiDevice&) = delete;

  bool opened() const { return handle_ != nullptr; }
  void message(uint8_t status, uint8_t data1, uint8_t data2) override;

 private:
  void* handle_ = nullptr;  // HMIDIOUT
};

}  // namespace qv
