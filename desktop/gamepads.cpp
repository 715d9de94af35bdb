#include "desktop/gamepads.hpp"

#include <algorithm>

namespace qv {
namespace {

// Half way out, the stick holds its direction.
constexpr int16_t kStickThreshold = 16384;

bool stick_past(SDL_GameController* pad, SDL_GameControllerAxis axis, int sign) {
  int value = SDL_GameControllerGetAxis(pad, axis);
  return sign < 0 ? value <= -kStickThreshold : value >= kStickThreshold;
}

bool button(SDL_GameController* pad, SDL_GameControllerButton b) {
  return SDL_GameControllerGetButton(pad, b) != 0;
}

}  // namespace

Gamepads::~Gamepads() {
  for (SDL_GameController* pad : open_) SDL_GameControllerClose(pad);
}

bool Gamepads::event(const SDL_Event& e, Keyboard& keys) {
  switch (e.type) {
    case SDL_CONTROLLERDEVICEADDED:
      if (SDL_GameController* pad = SDL_GameControllerOpen(e.cdevice.which)) {
        if (std::find(open_.begin(), open_.end(), pad) == open_.end()) open_.push_back(pad);
      }
      break;
    case SDL_CONTROLLERDEVICEREMOVED:
      if (SDL_GameController* pad = SDL_GameControllerFromInstanceID(e.cdevice.which)) {
        open_.erase(std::remove(open_.begin(), open_.end(), pad), open_.end());
        SDL_GameControllerClose(pad);
      }
      break;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
    case SDL_CONTROLLERAXISMOTION:
      break;
    default:
      return false;
  }
  hold_what_pads_hold(keys);
  return e.type == SDL_CONTROLLERBUTTONDOWN && e.cbutton.button == SDL_CONTROLLER_BUTTON_START;
}

// Every pad's buttons and stick read afresh: a key is down while any pad holds it, by D-pad or
// by stick, and goes up when none does.
void Gamepads::hold_what_pads_hold(Keyboard& keys) {
  bool want[256] = {};
  for (SDL_GameController* pad : open_) {
    want[VK_SPACE] |= button(pad, SDL_CONTROLLER_BUTTON_A);
    want[VK_LEFT] |= button(pad, SDL_CONTROLLER_BUTTON_DPAD_LEFT) ||
                     stick_past(pad, SDL_CONTROLLER_AXIS_LEFTX, -1);
    want[VK_RIGHT] |= button(pad, SDL_CONTROLLER_BUTTON_DPAD_RIGHT) ||
                      stick_past(pad, SDL_CONTROLLER_AXIS_LEFTX, 1);
    want[VK_UP] |= button(pad, SDL_CONTROLLER_BUTTON_DPAD_UP) ||
                   stick_past(pad, SDL_CONTROLLER_AXIS_LEFTY, -1);
    want[VK_DOWN] |= button(pad, SDL_CONTROLLER_BUTTON_DPAD_DOWN) ||
                     stick_past(pad, SDL_CONTROLLER_AXIS_LEFTY, 1);
  }
  for (int32_t vk : {VK_SPACE, VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN}) {
    if (want[vk] && !held_[vk]) keys.key_down(vk, KeySource::gamepad);
    if (!want[vk] && held_[vk]) keys.key_up(vk, KeySource::gamepad);
    held_[vk] = want[vk];
  }
}

}  // namespace qv
