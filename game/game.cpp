#include "game/game.hpp"

#include "game/handlers.hpp"

namespace qv {

Game::Game(AudioSink& sink, KeySource keys_from) : media_(clock_, sink), keys_from_(keys_from) {
  // The game's context is current from now on: what the host and its tests do with the
  // game's surfaces, keys and media between steps goes to this game.
  make_current(&context_);
  context_.media = &media_;
  win_ = std::make_unique<Window>(clock_);
}

Game::Game(AudioSink& sink, KeySource keys_from, const Game& watched) : Game(sink, keys_from) {
  media_.set_folder(watched.media().folder());
}

Game::~Game() {
  SystemContext* before = make_current(&context_);
  win_.reset();
  make_current(before == &context_ ? nullptr : before);
}

template <typename Handler>
void Game::run(const char* name, Handler&& handler) {
  calls_.clear();
  try {
    handler();
  } catch (const ProgramEnd&) {
    ended_ = true;
  }
  if (observer_) observer_->handler_ran(*this, name, ended_);
}

void Game::start(uint32_t seed) {
  make_current(&context_);
  clock_.set_step(0);
  run("Form_Load", [&] { Form_Load(*win_, seed); });
}

// A key that went down sets its went-down bit even when it was let go again within the step
// or was down already (let go and pressed again), so a tap shorter than a step still counts.
void Game::apply(StepKeys keys) {
  Keyboard& kb = context_.keyboard;
  for (int k = 0; k < kGameKeys; ++k) {
    uint8_t bit = static_cast<uint8_t>(1u << k);
    int32_t vk = kGameKeyVk[k];
    if (keys.went_down & bit) {
      kb.key_up(vk, keys_from_);
      kb.key_down(vk, keys_from_);
    } else if ((keys.held & bit) && !kb.is_down(vk)) {
      kb.key_down(vk, keys_from_);
    }
    if (!(keys.held & bit)) kb.key_up(vk, keys_from_);
  }
}

// A key newly held went down, whether or not the host said so: the game takes it so, and the
// digest takes the keys as the game takes them, so every host gives the same one.
void Game::remember(StepKeys keys) {
  uint8_t newly_held = static_cast<uint8_t>(keys.held & ~held_before_);
  keys_seen_.byte(keys.held);
  keys_seen_.byte(static_cast<uint8_t>(keys.went_down | newly_held));
  held_before_ = keys.held;
}

bool Game::step(StepKeys keys) {
  if (ended_) return false;
  make_current(&context_);
  ++step_;
  clock_.set_step(step_);
  remember(keys);
  apply(keys);
  struct Due {
    const char* name;
    Timer Window::*timer;
    void (*handler)(Window&);
  };
  static constexpr Due kOrder[] = {{"op", &Window::op, &op_Timer},
                                   {"time", &Window::time, &time_Timer},
                                   {"Bgm_Check", &Window::Bgm_Check, &Bgm_Check_Timer}};
  uint64_t now = clock_.now_us();
  for (const Due& d : kOrder) {
    Timer& t = (*win_).*(d.timer);
    if (!t.is_due(now)) continue;
    t.delivered(now);
    run(d.name, [&] { d.handler(*win_); });
    if (ended_) return false;
  }
  return true;
}

void Game::close() {
  make_current(&context_);
  run("Form_Unload", [&] { Form_Unload(*win_); });
}

}  // namespace qv
