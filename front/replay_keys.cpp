#include "front/replay_keys.hpp"

#include "front/pause.hpp"
#include "game/take_over.hpp"

namespace qv {

ReplayCommand replay_command_of_key(SDL_Keycode key) {
  if (is_pause_key(key)) return ReplayCommand::pause;
  switch (key) {
    case SDLK_PERIOD:
      return ReplayCommand::step_forward;
    case SDLK_COMMA:
      return ReplayCommand::step_back;
    case SDLK_MINUS:
    case SDLK_KP_MINUS:
      return ReplayCommand::slower;
    case SDLK_PLUS:
    case SDLK_EQUALS:
    case SDLK_KP_PLUS:
      return ReplayCommand::faster;
    case SDLK_0:
    case SDLK_KP_0:
      return ReplayCommand::normal_speed;
    case SDLK_LEFT:
      return ReplayCommand::back_short;
    case SDLK_RIGHT:
      return ReplayCommand::forward_short;
    case SDLK_DOWN:
      return ReplayCommand::back_long;
    case SDLK_UP:
      return ReplayCommand::forward_long;
    case SDLK_HOME:
      return ReplayCommand::home;
    case SDLK_END:
      return ReplayCommand::end;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return ReplayCommand::take_over;
    default:
      return ReplayCommand::none;
  }
}

ReplayCommand replay_command_of_pad_button(uint8_t button) {
  switch (button) {
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER:
      return ReplayCommand::back_short;
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
      return ReplayCommand::forward_short;
    case SDL_CONTROLLER_BUTTON_START:
      return ReplayCommand::pause;
    case SDL_CONTROLLER_BUTTON_A:
      return ReplayCommand::take_over;
    default:
      return ReplayCommand::none;
  }
}

ReplayCommand replay_command_of(const SDL_Event& e) {
  if (e.type == SDL_KEYDOWN && !e.key.repeat && !(e.key.keysym.mod & KMOD_ALT))
    return replay_command_of_key(e.key.keysym.sym);
  if (e.type == SDL_CONTROLLERBUTTONDOWN) return replay_command_of_pad_button(e.cbutton.button);
  return ReplayCommand::none;
}

bool toggle_study_aid(const SDL_Event& e, StudyAids& aids, const PlayerInput* practice) {
  if (e.type != SDL_KEYDOWN || e.key.repeat || (e.key.keysym.mod & (KMOD_ALT | KMOD_CTRL)))
    return false;
  if (practice && practice->is_game_key(e.key.keysym.sym)) return false;
  if (e.key.keysym.sym == SDLK_k) {
    aids.show_keys = !aids.show_keys;
    return true;
  }
  if (e.key.keysym.sym == SDLK_h) {
    aids.show_hit_areas = !aids.show_hit_areas;
    return true;
  }
  return false;
}

bool is_practise_again(const SDL_Event& e) {
  return (e.type == SDL_KEYDOWN && !e.key.repeat && e.key.keysym.sym == SDLK_r) ||
         (e.type == SDL_CONTROLLERBUTTONDOWN && e.cbutton.button == SDL_CONTROLLER_BUTTON_BACK);
}

ReplayCommand carry_out(ReplayCommand command, ReplayViewer& viewer) {
  switch (command) {
    case ReplayCommand::step_forward:
      if (viewer.paused()) viewer.step_forward();
      break;
    case ReplayCommand::step_back:
      if (viewer.paused()) viewer.step_back();
      break;
    case ReplayCommand::slower:
      viewer.slower();
      break;
    case ReplayCommand::faster:
      viewer.faster();
      break;
    case ReplayCommand::normal_speed:
      viewer.normal_speed();
      break;
    case ReplayCommand::back_short:
      viewer.jump_by(-ReplayViewer::kShortJump);
      break;
    case ReplayCommand::forward_short:
      viewer.jump_by(ReplayViewer::kShortJump);
      break;
    case ReplayCommand::back_long:
      viewer.jump_by(-ReplayViewer::kLongJump);
      break;
    case ReplayCommand::forward_long:
      viewer.jump_by(ReplayViewer::kLongJump);
      break;
    case ReplayCommand::home:
      viewer.home();
      break;
    case ReplayCommand::end:
      viewer.end();
      break;
    case ReplayCommand::take_over:
      viewer.stop_jump();
      return viewer.position() <= kLatestTakeOver ? command : ReplayCommand::none;
    case ReplayCommand::pause:
    case ReplayCommand::none:
      return command;
  }
  return ReplayCommand::none;
}

bool pause_stops_jump(ReplayCommand command, ReplayViewer& viewer) {
  if (command != ReplayCommand::pause || !viewer.jumping()) return false;
  viewer.stop_jump();
  return true;
}

}  // namespace qv
