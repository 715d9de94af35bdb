#include "system/keys.hpp"

namespace qv {

void Keyboard::key_down(int32_t vk) {
  if (!valid(vk) || down_[vk]) return;
  down_[vk] = true;
  pressed_[vk] = true;
}

void Keyboard::key_up(int32_t vk) {
  if (valid(vk)) down_[vk] = false;
}

void Keyboard::release_all() {
  for (int i = 0; i < 256; ++i) {
    down_[i] = false;
    pressed_[i] = false;
  }
}

int16_t Keyboard::GetAsyncKeyState(int32_t vk) {
  if (!valid(vk)) return 0;
  uint16_t state = (down_[vk] ? 0x8000u : 0u) | (pressed_[vk] ? 1u : 0u);
  pressed_[vk] = false;
  return static_cast<int16_t>(state);
}

Keyboard& keyboard() {
  static Keyboard k;
  return k;
}

}  // namespace qv

namespace qv {

void Read_Keys(Int& space, Int& left, Int& up, Int& right, Int& down) {
  space = GetAsyncKeyState(VK_SPACE);
  left = GetAsyncKeyState(VK_LEFT);
  up = GetAsyncKeyState(VK_UP);
  right = GetAsyncKeyState(VK_RIGHT);
  down = GetAsyncKeyState(VK_DOWN);
}

}  // namespace qv
