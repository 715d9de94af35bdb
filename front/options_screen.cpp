#include "front/options_screen.hpp"

namespace qv {

bool opens_options(const SDL_Event& e) {
  if (e.type == SDL_KEYDOWN) return e.key.keysym.sym == SDLK_F1 && !e.key.repeat;
  return e.type == SDL_CONTROLLERBUTTONDOWN && e.cbutton.button == SDL_CONTROLLER_BUTTON_GUIDE;
}

void OptionsScreen::open(OptionValues values, std::string unsaved) {
  if (menu_) return;
  was_paused_ = pause_.on();
  pause_.set(true);
  menu_.emplace(std::move(values), std::move(unsaved));
  show();
}

void OptionsScreen::close() {
  if (!menu_) return;
  OptionValues last = menu_->values();
  menu_.reset();
  if (was_paused_)
    screen_.show_paused(true);  // the pause the screen was opened in stays
  else
    pause_.set(false);
  if (closed_) closed_(last);
}

void OptionsScreen::show() {
  if (menu_) screen_.show_dimmed(menu_->lines());
}

bool OptionsScreen::handle(const SDL_Event& e) {
  if (!menu_) return false;
  switch (e.type) {
    case SDL_KEYDOWN:
      return key(e.key);
    case SDL_CONTROLLERBUTTONDOWN:
      return button(e.cbutton.button);
    case SDL_TEXTINPUT:
      return true;
    default:
      return false;
  }
}

bool OptionsScreen::key(const SDL_KeyboardEvent& e) {
  const SDL_Keycode sym = e.keysym.sym;
  OptionValues before = menu_->values();
  if (menu_->waiting_for_key()) {
    if (e.repeat) return true;
    if (sym == SDLK_BACKSPACE)
      menu_->command(OptionsCommand::clear);
    else
      menu_->key_pressed(SDL_GetKeyName(sym));
    after(before);
    return true;
  }
  switch (sym) {
    case SDLK_F1:
    case SDLK_ESCAPE:
      if (menu_->waiting_for_button())
        command(OptionsCommand::leave);  // the wait ends, the screen stays
      else if (!e.repeat)
        close();
      return true;
    case SDLK_UP:
      command(OptionsCommand::up);
      return true;
    case SDLK_DOWN:
      command(OptionsCommand::down);
      return true;
    case SDLK_LEFT:
      command(OptionsCommand::left);
      return true;
    case SDLK_RIGHT:
      command(OptionsCommand::right);
      return true;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
    case SDLK_SPACE:
      if (!e.repeat) command(OptionsCommand::choose);
      return true;
    case SDLK_BACKSPACE:
      command(OptionsCommand::clear);
      return true;
    default:
      return true;  // the game's keys do nothing here
  }
}

bool OptionsScreen::button(uint8_t b) {
  if (menu_->waiting_for_button()) {
    OptionValues before = menu_->values();
    menu_->button_pressed(
        SDL_GameControllerGetStringForButton(static_cast<SDL_GameControllerButton>(b)));
    after(before);
    return true;
  }
  switch (b) {
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
      command(OptionsCommand::up);
      break;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
      command(OptionsCommand::down);
      break;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
      command(OptionsCommand::left);
      break;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
      command(OptionsCommand::right);
      break;
    case SDL_CONTROLLER_BUTTON_A:
      command(OptionsCommand::choose);
      break;
    case SDL_CONTROLLER_BUTTON_B:
    case SDL_CONTROLLER_BUTTON_GUIDE:
      if (menu_->waiting_for_key())
        command(OptionsCommand::leave);
      else
        close();
      break;
    default:
      break;
  }
  return true;
}

void OptionsScreen::command(OptionsCommand c) {
  OptionValues before = menu_->values();
  if (menu_->command(c)) return close();
  after(before);
}

// A change is handed on at once: the window's scale, the sound and the keys act while the screen
// is still open.
void OptionsScreen::after(const OptionValues& before) {
  if (changed_ && !(menu_->values() == before)) changed_(menu_->values());
  show();
}

}  // namespace qv
