// The key-state query the game polls, fed by the host's key events. For each key it reports
// whether the key is down now (the sign bit) and whether it went down since the last query
// of that key (bit 0); the query clears the second.
//
// Keys come from several sources at once (the keyboard, a gamepad, a replay), each holding
// its own keys: a key is down while any source holds it and goes down when the first source
// presses it, so one source can never release a key another still holds.
#pragma once

#include <cstdint>

#include "system/checked_int.hpp"

namespace qv {

enum VirtualKey : int32_t {
  VK_SPACE = 0x20,
  VK_LEFT = 0x25,
  VK_UP = 0x26,
  VK_RIGHT = 0x27,
  VK_DOWN = 0x28
};

enum class KeySource : uint8_t { keyboard, gamepad, replay };

class Keyboard {
 public:
  // Host side: a source pressed a key (repeats of a key it holds are ignored) or let it go.
  void key_down(int32_t vk, KeySource source = KeySource::keyboard);
  void key_up(int32_t vk, KeySource source = KeySource::keyboard);
  // The source lets go of every key (the window lost the focus, a pad was unplugged); a key
  // no source holds any more also forgets that it went down.
  void release_all(KeySource source);
  void release_all();

  bool is_down(int32_t vk) const { return valid(vk) && held_[vk] != 0; }

  // Game side: the 16-bit state of one key.
  int16_t GetAsyncKeyState(int32_t vk);

 private:
  static bool valid(int32_t vk) { return vk >= 0 && vk < 256; }
  static uint8_t bit(KeySource s) { return static_cast<uint8_t>(1u << static_cast<unsigned>(s)); }
  uint8_t held_[256] = {};  // one bit per source
  bool pressed_[256] = {};
};

// The keyboard of the context current on this thread, as the game sees it.
Keyboard& keyboard();

inline int16_t GetAsyncKeyState(int32_t vk) {
  return keyboard().GetAsyncKeyState(vk);
}

// Polls Space, Left, Up, Right and Down, in this order, into the five arguments.
void Read_Keys(Int& space, Int& left, Int& up, Int& right, Int& down);

}  // namespace qv
