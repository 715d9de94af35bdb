#include "front/controls.hpp"

namespace qv {
namespace {

bool is_fullscreen_key(const SDL_Keysym& k) {
  return k.sym == SDLK_F11 ||
         ((k.sym == SDLK_RETURN || k.sym == SDLK_KP_ENTER) && (k.mod & KMOD_ALT));
}

}  // namespace

bool Controls::handle(const SDL_Event& e) {
  if (Gamepads::is_pad_event(e)) {
    Gamepads::Action action = pads_.handle(e);
    if (action == Gamepads::Action::pause) pause_.toggle();
    if (action == Gamepads::Action::scores && scores_) scores_();
    if (action == Gamepads::Action::options && options_) options_();
    return true;
  }
  switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      return key(e.key);
    case SDL_WINDOWEVENT:
      window_event(e.window);
      return false;  // the host sees them too
    default:
      return false;
  }
}

// The window's keys act as they go down; a game key that is also bound to one of them (the
// settings allow it) still reaches the game.
bool Controls::key(const SDL_KeyboardEvent& e) {
  if (e.type != SDL_KEYDOWN || e.repeat) return false;
  if (is_fullscreen_key(e.keysym)) {
    screen_.toggle_fullscreen();
    choice_.fullscreen_chosen(screen_.fullscreen());
    choice_.asked_for_size();
    save();
    return true;
  }
  if (is_pause_key(e.keysym.sym)) {
    pause_.toggle();
    return true;
  }
  if (e.keysym.sym == SDLK_F1 && options_) {
    options_();
    return true;
  }
  if (e.keysym.sym == SDLK_TAB && scores_) {
    scores_();
    return true;
  }
  return false;
}

void Controls::window_event(const SDL_WindowEvent& e) {
  bool size_changed = e.event == SDL_WINDOWEVENT_SIZE_CHANGED;
  if (size_changed) screen_.resized();
  if (e.event == SDL_WINDOWEVENT_FOCUS_LOST) {
    input_.focus_lost();
    if (pause_on_focus_loss_) pause_.set(true);
  }
  Uint32 flags = SDL_GetWindowFlags(screen_.window());
  WindowState state{(flags & SDL_WINDOW_INPUT_FOCUS) != 0, (flags & SDL_WINDOW_MAXIMIZED) != 0,
                    screen_.fullscreen() || (flags & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0};
  if (choice_.window_event(e.timestamp, size_changed, screen_.scale(), state)) save();
}

void Controls::choose_window(int scale, bool fullscreen) {
  if (fullscreen != screen_.fullscreen()) screen_.toggle_fullscreen();
  if (scale != choice_.scale()) screen_.set_scale(scale);
  choice_ = WindowChoice(scale, fullscreen);
  choice_.asked_for_size();
}

// One warning is enough: a file that could not be written is not tried again in this run.
void Controls::save() {
  if (save_ && !save_(choice_.scale(), choice_.fullscreen())) save_ = nullptr;
}

}  // namespace qv
