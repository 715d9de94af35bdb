#include "desktop/host.hpp"

#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <thread>

#include "audio/audio_sdl.hpp"
#include "desktop/input.hpp"
#include "desktop/screen.hpp"
#include "desktop/step_pacer.hpp"
#include "desktop/tick_probe.hpp"
#include "game/game.hpp"
#include "system/steady_clock.hpp"

namespace qv {
namespace {

class DesktopHost {
 public:
  DesktopHost() : game_(silent_, KeySource::keyboard), pacer_(clock_) {}
  ~DesktopHost() {
    // The audio thread reads the songs and waves the media layer owns: it stops first.
    game_.media().set_sink(silent_);
    audio_.reset();
  }

  int run() {
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return cannot_open(SDL_GetError());
    if (!on_a_display()) return cannot_open("there is no display to show it on");
    if (!screen_.open()) return cannot_open(SDL_GetError());
    for (const char* name : {"bgm&se\\emptysky.mid", "bgm&se\\escape.mid", "bgm&se\\win.mid",
                             "bgm&se\\st.wav", "bgm&se\\jj.wav", "bgm&se\\e.wav"})
      game_.media().preload(name);
    Window& win = game_.win();
    win.onPB.set_refresh([this, &win] {
      probe::present_begins();
      screen_.show(win.onPB, win.score1);
      probe::present_ends();
    });
    win.onPB.Refresh();  // the title picture, before anything else can keep it waiting
    probe::title_shown();
    audio_ = open_sdl_audio();
    game_.media().set_sink(*audio_);
    try {
      pacer_.start();
      game_.start(static_cast<uint32_t>(std::time(nullptr)) ^
                  static_cast<uint32_t>(clock_.now_us()));
      loop();
      probe::at_exit(win);
    } catch (const RunTimeError& e) {
      report(e.what());
      return 1;
    }
    return 0;
  }

 private:
  void loop() {
    SDL_Event event;
    while (running_) {
      int64_t next = game_.current_step() + 1;
      if (wait_for(pacer_.due_us(next), event)) {
        handle(event);
        continue;
      }
      if (pacer_.now_us() < pacer_.due_us(next)) continue;
      pacer_.let_go_of_lost_time(next);
      run_step(next);
    }
  }

  void run_step(int64_t step) {
    uint64_t due = pacer_.due_us(step), start = clock_.now_us();
    bool frame = game_.win().time.running();           // a running frame timer is due at every step
    if (!game_.step(input_.take())) running_ = false;  // the staff roll has run out
    if (frame) probe::frame_tick(due, start, clock_.now_us());
    probe::after_handler(game_.win(), clock_.now_us());
  }

  // Sleeps until the clock reaches `due_us`, handling window events meanwhile. The long part
  // of the wait sleeps in the event queue; the last millisecond sleeps precisely.
  bool wait_for(uint64_t due_us, SDL_Event& event) {
    uint64_t now = clock_.now_us();
    if (due_us > now + 1500) {
      int ms = static_cast<int>(std::min<uint64_t>((due_us - now - 1000) / 1000, 1000));
      if (SDL_WaitEventTimeout(&event, ms)) return true;
      now = clock_.now_us();
    }
    if (SDL_PollEvent(&event)) return true;
    if (due_us > now) std::this_thread::sleep_for(std::chrono::microseconds(due_us - now));
    return false;
  }

  void handle(const SDL_Event& e) {
    switch (e.type) {
      case SDL_QUIT:
        game_.close();
        running_ = false;
        break;
      case SDL_KEYDOWN:
      case SDL_KEYUP:
        input_.key_event(e.key);
        break;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) input_.focus_lost();
        if (e.window.event == SDL_WINDOWEVENT_EXPOSED) screen_.present();
        break;
      default:
        break;
    }
  }

  static int cannot_open(const char* why) {
    std::fprintf(stderr, "quelvaris: cannot open the game window: %s\n", why);
    return 1;
  }

  // Without a display SDL falls back to drawing into memory, where nobody would see the game
  // (yet hear its music). Only when asked for by name is such a driver taken.
  static bool on_a_display() {
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    if (!driver || (asked && *asked)) return true;
    return std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0;
  }

  static void report(const char* what) {
    std::fprintf(stderr, "quelvaris: %s\n", what);
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, kCaption, what, nullptr);
  }

  SteadyClock clock_;
  SilentSink silent_;
  Game game_;
  StepPacer pacer_;
  std::unique_ptr<AudioSink> audio_;
  Screen screen_;
  PlayerInput input_;
  bool running_ = true;
};

}  // namespace

int run_game() {
  int code;
  {
    auto host = std::make_unique<DesktopHost>();
    code = host->run();
  }
  SDL_Quit();
  return code;
}

}  // namespace qv
