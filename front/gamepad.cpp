#include "front/gamepad.hpp"

#include <algorithm>

namespace qv {
namespace {

// A stick at rest rarely reads exactly zero; about a quarter of the way out counts as pushed.
constexpr int kDeadZone = 8000;

uint8_t own_key_of_button(int button) {
  switch (button) {
    case SDL_CONTROLLER_BUTTON_A:
      return kKeySpace;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
      return kKeyLeft;
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
      return kKeyUp;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
      return kKeyRight;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
      return kKeyDown;
    default:
      return 0;
  }
}

uint8_t keys_of_axis(int value, uint8_t negative, uint8_t positive) {
  if (value < -kDeadZone) return negative;
  if (value > kDeadZone) return positive;
  return 0;
}

}  // namespace

void Gamepads::bind_extra_buttons(const std::array<std::vector<std::string>, kGameKeys>& names) {
  extra_.clear();
  for (int k = 0; k < kGameKeys; ++k)
    for (const std::string& name : names[static_cast<size_t>(k)]) {
      SDL_GameControllerButton b = SDL_GameControllerGetButtonFromString(name.c_str());
      if (b != SDL_CONTROLLER_BUTTON_INVALID) extra_.emplace_back(b, static_cast<uint8_t>(1u << k));
    }
}

// A button's own game key comes first: the settings only add to them.
uint8_t Gamepads::key_of_button(int button) const {
  if (uint8_t own = own_key_of_button(button)) return own;
  for (const auto& [extra, key] : extra_)
    if (extra == button) return key;
  return 0;
}

Gamepads::~Gamepads() {
  for (Pad& pad : pads_) SDL_GameControllerClose(pad.controller);
}

bool Gamepads::is_pad_event(const SDL_Event& e) {
  switch (e.type) {
    case SDL_CONTROLLERDEVICEADDED:
    case SDL_CONTROLLERDEVICEREMOVED:
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
    case SDL_CONTROLLERAXISMOTION:
      return true;
    default:
      return false;
  }
}

Gamepads::Action Gamepads::handle(const SDL_Event& e) {
  switch (e.type) {
    case SDL_CONTROLLERDEVICEADDED:
      add(e.cdevice.which);
      break;
    case SDL_CONTROLLERDEVICEREMOVED:
      remove(e.cdevice.which);
      break;
    case SDL_CONTROLLERBUTTONDOWN:
      if (e.cbutton.button == SDL_CONTROLLER_BUTTON_START) return Action::pause;
      if (e.cbutton.button == SDL_CONTROLLER_BUTTON_BACK) return Action::scores;
      if (e.cbutton.button == SDL_CONTROLLER_BUTTON_GUIDE) return Action::options;
      button(e.cbutton);
      break;
    case SDL_CONTROLLERBUTTONUP:
      button(e.cbutton);
      break;
    case SDL_CONTROLLERAXISMOTION:
      axis(e.caxis);
      break;
    default:
      break;
  }
  return Action::none;
}

// SDL announces the pads that are in at start-up as added too.
void Gamepads::add(int device_index) {
  SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(device_index);
  if (find(id)) return;
  SDL_GameController* controller = SDL_GameControllerOpen(device_index);
  if (!controller) return;
  pads_.push_back({controller, SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller))});
}

void Gamepads::remove(SDL_JoystickID id) {
  auto gone = std::find_if(pads_.begin(), pads_.end(), [id](const Pad& p) { return p.id == id; });
  if (gone == pads_.end()) return;
  SDL_GameControllerClose(gone->controller);
  pads_.erase(gone);
  tell_input();
}

Gamepads::Pad* Gamepads::find(SDL_JoystickID id) {
  for (Pad& pad : pads_)
    if (pad.id == id) return &pad;
  return nullptr;
}

void Gamepads::button(const SDL_ControllerButtonEvent& e) {
  Pad* pad = find(e.which);
  uint8_t key = key_of_button(e.button);
  if (!pad || !key) return;
  if (e.state == SDL_PRESSED)
    pad->buttons |= key;
  else
    pad->buttons &= static_cast<uint8_t>(~key);
  tell_input();
}

void Gamepads::axis(const SDL_ControllerAxisEvent& e) {
  Pad* pad = find(e.which);
  if (!pad) return;
  if (e.axis == SDL_CONTROLLER_AXIS_LEFTX)
    pad->stick = static_cast<uint8_t>((pad->stick & ~(kKeyLeft | kKeyRight)) |
                                      keys_of_axis(e.value, kKeyLeft, kKeyRight));
  else if (e.axis == SDL_CONTROLLER_AXIS_LEFTY)
    pad->stick = static_cast<uint8_t>((pad->stick & ~(kKeyUp | kKeyDown)) |
                                      keys_of_axis(e.value, kKeyUp, kKeyDown));
  else
    return;
  tell_input();
}

// A game key is held for the pads while any part of any pad holds it; the input hears only
// of the changes.
void Gamepads::tell_input() {
  uint8_t held = 0;
  for (const Pad& pad : pads_) held |= pad.buttons | pad.stick;
  for (int k = 0; k < kGameKeys; ++k) {
    uint8_t bit = static_cast<uint8_t>(1u << k);
    if ((held ^ told_) & bit) input_.pad_key(kGameKeyVk[k], held & bit);
  }
  told_ = held;
}

}  // namespace qv
