#include "front/input.hpp"

#include <algorithm>

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

bool is_pause_key(SDL_Keycode key) {
  return key == SDLK_p || key == SDLK_PAUSE || key == SDLK_ESCAPE;
}

void PlayerInput::bind_extra_keys(const std::array<std::vector<std::string>, kGameKeys>& names) {
  extra_.clear();
  for (int k = 0; k < kGameKeys; ++k)
    for (const std::string& name : names[static_cast<size_t>(k)]) {
      SDL_Keycode key = SDL_GetKeyFromName(name.c_str());
      if (key != SDLK_UNKNOWN && !is_pause_key(key)) extra_.emplace_back(key, kGameKeyVk[k]);
    }
}

int32_t PlayerInput::game_key(SDL_Keycode key) const {
  int32_t vk = game_key_of(key);
  for (const auto& [extra, its_vk] : extra_)
    if (vk < 0 && extra == key) vk = its_vk;
  return vk;
}

bool PlayerInput::holds(int32_t vk) const {
  return std::any_of(held_.begin(), held_.end(), [vk](const auto& h) { return h.second == vk; });
}

bool PlayerInput::key_event(const SDL_KeyboardEvent& e) {
  const SDL_Keycode key = e.keysym.sym;
  int32_t vk = game_key(key);
  if (vk < 0) return false;
  auto held =
      std::find_if(held_.begin(), held_.end(), [key](const auto& h) { return h.first == key; });
  if (e.type == SDL_KEYUP) {
    if (held == held_.end()) return true;
    held_.erase(held);
    if (!holds(vk)) pending_.key_up(vk, KeySource::keyboard);
  } else if (held == held_.end() && !ignoring_) {
    if (!holds(vk)) pending_.key_down(vk, KeySource::keyboard);
    held_.emplace_back(key, vk);
  }
  return true;
}

void PlayerInput::focus_lost() {
  held_.clear();
  pending_.release_all(KeySource::keyboard);
}

void PlayerInput::pad_key(int32_t vk, bool down) {
  if (!down)
    pending_.key_up(vk, KeySource::gamepad);
  else if (!ignoring_)
    pending_.key_down(vk, KeySource::gamepad);
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
