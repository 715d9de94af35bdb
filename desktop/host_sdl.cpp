#include "desktop/host_sdl.hpp"

#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <thread>

#include "game/label.hpp"
#include "desktop/tick_probe.hpp"
#include "game/window.hpp"
#include "formats/embedded.hpp"
#include "audio/audio_sdl.hpp"
#include "system/keys.hpp"
#include "system/media.hpp"
#include "system/media_files.hpp"
#include "system/steady_clock.hpp"

namespace qv {
namespace {

constexpr const char* kCaption = "Quelvaris \xE5\xBC\x90";  // the kanji numeral two, U+5F10
constexpr int kClientWidth = 432;
constexpr int kClientHeight = 568;
constexpr int kBorder = 2;  // the play surface's sunken border
constexpr uint32_t kFaceGrey = 0xF0F0F0;

int32_t virtual_key(SDL_Keycode key) {
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

// What the window shows: the face colour, the sunken border, the play surface inside it and
// the score label above the play surface.
class Screen {
 public:
  bool open() {
    window_ = SDL_CreateWindow(kCaption, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                               kClientWidth, kClientHeight, SDL_WINDOW_RESIZABLE);
    if (!window_) return false;
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");  // presenting must never wait for the display
    renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (!renderer_) return false;
    SDL_RenderSetLogicalSize(renderer_, kClientWidth, kClientHeight);
    SDL_RenderSetIntegerScale(renderer_, SDL_TRUE);
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                 kClientWidth, kClientHeight);
    if (!texture_) return false;
    set_icon();
    draw_frame();
    return true;
  }

  ~Screen() {
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) SDL_DestroyWindow(window_);
  }

  void show(const Surface& play, const std::string& label) {
    for (int32_t y = 0; y < play.height() && y + kBorder < kClientHeight; ++y) {
      const uint32_t* src = play.row(y);
      uint32_t* dst = pixels_ + (y + kBorder) * kClientWidth + kBorder;
      int32_t n = std::min(play.width(), kClientWidth - kBorder);
      std::copy(src, src + n, dst);
    }
    uint32_t* origin = pixels_ + kBorder * kClientWidth + kBorder;
    draw_label(label, origin, kClientWidth - kBorder, kClientHeight - kBorder, kClientWidth);
    SDL_UpdateTexture(texture_, nullptr, pixels_, kClientWidth * 4);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
  }

 private:
  void set_icon() {
    std::optional<Picture> icon = embedded_picture("icon");
    if (!icon) return;
    SDL_Surface* s =
        SDL_CreateRGBSurfaceWithFormatFrom(icon->pixels.data(), icon->width, icon->height, 32,
                                           icon->width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!s) return;
    SDL_SetWindowIcon(window_, s);
    SDL_FreeSurface(s);
  }

  // The border stays: only the play surface's inside is drawn again with every frame.
  void draw_frame() {
    std::fill(std::begin(pixels_), std::end(pixels_), kFaceGrey);
    constexpr uint32_t kShadow = 0xA0A0A0, kDarkShadow = 0x696969, kLight = 0xFFFFFF,
                       kHighlight = 0xE3E3E3;
    int right = kBorder + 430 + 1, bottom = kBorder + 565 + 1;  // outer 434 x 569, clipped
    for (int x = 0; x < kClientWidth; ++x) {
      put(x, 0, kShadow);
      put(x, 1, kDarkShadow);
      put(x, bottom - 1, kHighlight);
      put(x, bottom, kLight);
    }
    for (int y = 0; y < kClientHeight; ++y) {
      put(0, y, kShadow);
      put(1, y, kDarkShadow);
      put(right - 1, y, kHighlight);
      put(right, y, kLight);
    }
  }
  void put(int x, int y, uint32_t c) {
    if (x >= 0 && x < kClientWidth && y >= 0 && y < kClientHeight)
      pixels_[y * kClientWidth + x] = c;
  }

  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  uint32_t pixels_[kClientWidth * kClientHeight];
};

// Sleeps until the clock reaches `due_us`, handling window events meanwhile. The long part of
// the wait sleeps in the event queue; the last millisecond sleeps precisely.
bool wait_for(const Clock& clock, uint64_t due_us, SDL_Event& event) {
  uint64_t now = clock.now_us();
  if (due_us > now + 1500) {
    int ms = static_cast<int>(std::min<uint64_t>((due_us - now - 1000) / 1000, 1000));
    if (SDL_WaitEventTimeout(&event, ms)) return true;
    now = clock.now_us();
  }
  if (SDL_PollEvent(&event)) return true;
  if (due_us > now) std::this_thread::sleep_for(std::chrono::microseconds(due_us - now));
  return false;
}

struct TimerEntry {
  Timer Window::*timer;
  void (*handler)(Window&);
};
constexpr TimerEntry kTimers[] = {
    {&Window::op, &op_Timer}, {&Window::time, &time_Timer}, {&Window::Bgm_Check, &Bgm_Check_Timer}};

// The timer that is due first, ties going to the earlier of op, time and Bgm_Check.
const TimerEntry* next_timer(Window& win, uint64_t& due) {
  const TimerEntry* next = nullptr;
  for (const TimerEntry& e : kTimers) {
    Timer& t = win.*(e.timer);
    if (t.running() && (!next || t.due_us() < due)) {
      next = &e;
      due = t.due_us();
    }
  }
  return next;
}

class Game {
 public:
  Game() : media_(clock_, silent_) { install_media(&media_); }
  ~Game() {
    // The audio thread reads the songs and waves the media layer owns: it stops first.
    media_.set_sink(silent_);
    audio_.reset();
    install_media(nullptr);
  }

  int run() {
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return cannot_open(SDL_GetError());
    if (!on_a_display()) return cannot_open("there is no display to show it on");
    if (!screen_.open()) return cannot_open(SDL_GetError());
    for (const char* name : media_files::kAll) media_.preload(name);
    win_.onPB.set_refresh([this] {
      probe::present_begins();
      screen_.show(win_.onPB, win_.score1);
      probe::present_ends();
    });
    win_.onPB.Refresh();  // the title picture, before anything else can keep it waiting
    probe::title_shown();
    audio_ = open_sdl_audio();
    media_.set_sink(*audio_);
    try {
      Form_Load(win_,
                static_cast<uint32_t>(std::time(nullptr)) ^ static_cast<uint32_t>(clock_.now_us()));
      loop();
      probe::at_exit(win_);
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
      uint64_t due = 0;
      const TimerEntry* next = next_timer(win_, due);
      if (!next) due = clock_.now_us() + 100000;
      if (wait_for(clock_, due, event)) {
        handle(event);
        continue;
      }
      uint64_t now = clock_.now_us();
      if (!next || due > now) continue;
      Timer& t = win_.*(next->timer);
      t.delivered(now);
      try {
        next->handler(win_);
      } catch (const ProgramEnd&) {
        running_ = false;  // the staff roll has run out: no unload, no further tick
      }
      if (next->handler == &time_Timer) probe::frame_tick(due, now, clock_.now_us());
      probe::after_handler(win_, clock_.now_us());
    }
  }

  void handle(const SDL_Event& e) {
    switch (e.type) {
      case SDL_QUIT:
        Form_Unload(win_);
        running_ = false;
        break;
      case SDL_KEYDOWN:
        if (!e.key.repeat) keyboard().key_down(virtual_key(e.key.keysym.sym));
        break;
      case SDL_KEYUP:
        keyboard().key_up(virtual_key(e.key.keysym.sym));
        break;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) keyboard().release_all();
        if (e.window.event == SDL_WINDOWEVENT_EXPOSED) win_.onPB.Refresh();
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

  void report(const char* what) {
    std::fprintf(stderr, "quelvaris: %s\n", what);
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, kCaption, what, nullptr);
  }

  SteadyClock clock_;
  SilentSink silent_;
  Media media_;
  std::unique_ptr<AudioSink> audio_;
  Screen screen_;
  Window win_{clock_};
  bool running_ = true;
};

}  // namespace

int run_game() {
  int code;
  {
    auto game = std::make_unique<Game>();
    code = game->run();
  }
  SDL_Quit();
  return code;
}

}  // namespace qv
