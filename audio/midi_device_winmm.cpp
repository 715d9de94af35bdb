#include "audio/midi_device_winmm.hpp"

#include <windows.h>
// After windows.h, which it needs.
#include <mmsystem.h>

namespace qv {

// The timing thread sleeps until each event: the system's timer ticks every millisecond
// while the device is open, instead of every 15.6.
WinmmMidiDevice::WinmmMidiDevice() {
  HMIDIOUT out = nullptr;
  if (midiOutOpen(&out, MIDI_MAPPER, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) return;
  handle_ = out;
  timeBeginPeriod(1);
}

WinmmMidiDevice::~WinmmMidiDevice() {
  if (!handle_) return;
  midiOutReset(static_cast<HMIDIOUT>(handle_));
  midiOutClose(static_cast<HMIDIOUT>(handle_));
  timeEndPeriod(1);
}

void WinmmMidiDevice::message(uint8_t status, uint8_t data1, uint8_t data2) {
  if (!handle_) return;
  midiOutShortMsg(static_cast<HMIDIOUT>(handle_), static_cast<DWORD>(status) |
                                                      (static_cast<DWORD>(data1) << 8) |
                                                      (static_cast<DWORD>(data2) << 16));
}

}  // namespace qv
