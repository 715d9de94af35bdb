// Quelvaris 弐 in a web browser: the game's steps run from the browser's frame callback.
#include <SDL.h>
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdio>
#include <ctime>

#include "game/window.hpp"
#include "system/keys.hpp"
#include "system/media.hpp"
#include "web/audio_sink.hpp"
#include "web/screen.hpp"
#include "web/step_pacer.hpp"

namespace qv {
namespace {

class StepClock final : public Clock {
 public:
  uint64_t now_us() const override { return now_us_; }
  void set_step(int64_t k) { now_us_ = static_cast<uint64_t>(k) * 10000; }

 private:
  uint64_t now_us_ = 0;
};

int32_t virtual_key(SDL_Keycode key) {
  switch (key) {
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    default: return -1;
  }
}

struct Game {
  StepClock clock;
  WebAudioSink sink;
  Media media{clock, sink};
  Screen screen;
  StepPacer pacer;
  Window win{clock};
  int64_t step = 0;
  bool ended = false;

  void run_step() {
    ++step;
    clock.set_step(step);
    uint64_t now = clock.now_us();
    struct Entry {
      Timer Window::*timer;
      void (*handler)(Window&);
    };
    static constexpr Entry kOrder[] = {{&Window::op, &op_Timer},
                                       {&Window::time, &time_Timer},
                                       {&Window::Bgm_Check, &Bgm_Check_Timer}};
    for (const Entry& e : kOrder) {
      Timer& t = win.*(e.timer);
      if (!t.is_due(now)) continue;
      t.delivered(now);
      try {
        e.handler(win);
      } catch (const ProgramEnd&) {
        ended = true;
        return;
      }
    }
  }
};

Game* game = nullptr;

EM_BOOL frame(double now_ms, void*) {
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    if (e.type == SDL_KEYDOWN && !e.key.repeat) keyboard().key_down(virtual_key(e.key.keysym.sym));
    if (e.type == SDL_KEYUP) keyboard().key_up(virtual_key(e.key.keysym.sym));
  }
  int64_t n = game->pacer.frame(now_ms);
  for (int64_t i = 0; i < n && !game->ended; ++i) game->run_step();
  WebAudioSink::tell_clock(game->clock.now_us());
  game->screen.present();
  return EM_TRUE;
}

}  // namespace
}  // namespace qv

int main() {
  using namespace qv;
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_GAMECONTROLLER) != 0) {
    std::fprintf(stderr, "quelvaris: %s\n", SDL_GetError());
    return 1;
  }
  game = new Game;
  install_media(&game->media);
  if (!game->screen.open()) {
    std::fprintf(stderr, "quelvaris: cannot draw: %s\n", SDL_GetError());
    return 1;
  }
  for (const char* name : {"bgm&se\\emptysky.mid", "bgm&se\\escape.mid", "bgm&se\\win.mid",
                           "bgm&se\\st.wav", "bgm&se\\jj.wav", "bgm&se\\e.wav"})
    game->media.preload(name);
  game->win.onPB.set_refresh([] { game->screen.show(game->win.onPB, game->win.score1); });
  game->win.onPB.Refresh();
  game->screen.present();
  Form_Load(game->win, static_cast<uint32_t>(std::time(nullptr)));
  emscripten_request_animation_frame_loop(frame, nullptr);
  return 0;
}
