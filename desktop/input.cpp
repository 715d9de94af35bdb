#include "desktop/input.hpp"

namespace qv {

int32_t game_key_of(SDL_Keycode key) {
  switch (key) {
    case SDLK_SPACE:
      return VK_SPACE;
    case SDLK_LEFT:
      return VK_LEFT;
    case SDLK_UP:
      return VK_UP;
    case SDLK_RIGHT:
      return VK_RIGHT;
    case SDLK_DOWN:
      return VK_DOWN;
    default:
      return -1;
  }
}

bool PlayerInput::key_event(const SDL_KeyboardEvent& e) {
  int32_t vk = game_key_of(e.keysym.sym);
  if (vk < 0) return false;
  if (e.type == SDL_KEYUP)
    pending_.key_up(vk, KeySource::keyboard);
  else if (!e.repeat)
    pending_.key_down(vk, KeySource::keyboard);
  return true;
}

StepKeys PlayerInput::take() {
  StepKeys keys;
  for (int k = 0; k < kGameKeys; ++k) {
    uint16_t state = static_cast<uint16_t>(pending_.GetAsyncKeyState(kGameKeyVk[k]));
    uint8_t bit = static_cast<uint8_t>(1u << k);
    if (state & 0x8000u) keys.held |= bit;
    if (state & 1u) keys.went_down |= bit;
  }
  return keys;
}

}  // namespace qv
