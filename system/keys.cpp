#include "system/keys.hpp"

#include "system/context.hpp"

namespace qv {

void Keyboard::key_down(int32_t vk, KeySource source) {
  if (!valid(vk) || (held_[vk] & bit(source))) return;
  if (held_[vk] == 0) pressed_[vk] = true;
  held_[vk] |= bit(source);
}

void Keyboard::key_up(int32_t vk, KeySource source) {
  if (valid(vk)) held_[vk] &= static_cast<uint8_t>(~bit(source));
}

void Keyboard::release_all(KeySource source) {
  for (int i = 0; i < 256; ++i) {
    held_[i] &= static_cast<uint8_t>(~bit(source));
    if (held_[i] == 0) pressed_[i] = false;
  }
}

void Keyboard::release_all() {
  for (int i = 0; i < 256; ++i) {
    held_[i] = 0;
    pressed_[i] = false;
  }
}

int16_t Keyboard::GetAsyncKeyState(int32_t vk) {
  if (!valid(vk)) return 0;
  uint16_t state = (held_[vk] ? 0x8000u : 0u) | (pressed_[vk] ? 1u : 0u);
  pressed_[vk] = false;
  return static_cast<int16_t>(state);
}

Keyboard& keyboard() {
  return current_context().keyboard;
}

void Read_Keys(Int& space, Int& left, Int& up, Int& right, Int& down) {
  space = GetAsyncKeyState(VK_SPACE);
  left = GetAsyncKeyState(VK_LEFT);
  up = GetAsyncKeyState(VK_UP);
  right = GetAsyncKeyState(VK_RIGHT);
  down = GetAsyncKeyState(VK_DOWN);
}

}  // namespace qv
