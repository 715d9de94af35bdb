// The key-state query the game polls, fed by the host's key events. For each key it reports
// whether the key is down now (the sign bit) and whether it went down since the last query
// of that key (bit 0); the query clears the second.
#pragma once

#include <cstdint>

namespace qv {

enum VirtualKey : int32_t {
  VK_SPACE = 0x20,
  VK_LEFT = 0x25,
  VK_UP = 0x26,
  VK_RIGHT = 0x27,
  VK_DOWN = 0x28
};

class Keyboard {
 public:
  // Host side: a key went down (repeats of a held key are ignored) or up.
  void key_down(int32_t vk);
  void key_up(int32_t vk);
  // The window lost the focus: keys typed elsewhere must not steer the game.
  void release_all();

  // Game side: the 16-bit state of one key.
  int16_t GetAsyncKeyState(int32_t vk);

 private:
  static bool valid(int32_t vk) { return vk >= 0 && vk < 256; }
  bool down_[256] = {};
  bool pressed_[256] = {};
};

// The one keyboard of the machine, as the game sees it.
Keyboard& keyboard();

inline int16_t GetAsyncKeyState(int32_t vk) {
  return keyboard().GetAsyncKeyState(vk);
}

}  // namespace qv

#include "system/checked_int.hpp"

namespace qv {

// Polls Space, Left, Up, Right and Down, in this order, into the five arguments.
void Read_Keys(Int& space, Int& left, Int& up, Int& right, Int& down);

}  // namespace qv
