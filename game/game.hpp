// The game as every host runs it, by one rule. Start-up runs at step 0. At step k the game's
// clock reads 10·k ms, the keys the host took for the step are applied, and then every timer
// handler due runs, in the order op, time, Bgm_Check. The simulator counts its steps, the
// window and the web page take theirs from the real clock: that is all they differ in.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "game/game_hash.hpp"
#include "record/window.hpp"
#include "system/context.hpp"
#include "system/media.hpp"

namespace qv {

constexpr int64_t kStepMs = 10;

// The five game keys as bits, in the order the game polls them.
enum GameKey : uint8_t { kKeySpace = 1, kKeyLeft = 2, kKeyUp = 4, kKeyRight = 8, kKeyDown = 16 };
constexpr int kGameKeys = 5;
constexpr int32_t kGameKeyVk[kGameKeys] = {VK_SPACE, VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN};
constexpr const char* kGameKeyName[kGameKeys] = {"space", "left", "up", "right", "down"};

// What a host took of the game keys for one step.
struct StepKeys {
  uint8_t held = 0;       // down as the step begins
  uint8_t went_down = 0;  // went down since the step before: newly held, or tapped and let go
};

// The game's clock: the time of the step it is at.
class StepClock final : public Clock {
 public:
  uint64_t now_us() const override { return static_cast<uint64_t>(step_) * kStepMs * 1000; }
  void set_step(int64_t step) { step_ = step; }

 private:
  int64_t step_ = 0;
};

class Game;

// Told after every handler call, with the handler's name; `ended` on the call that ends the
// program.
class HandlerObserver {
 public:
  virtual ~HandlerObserver() = default;
  virtual void handler_ran(const Game& game, const char* handler, bool ended) = 0;
};

class Game {
 public:
  // The keys the host applies come from `keys_from`; the sound goes to the sink.
  Game(AudioSink& sink, KeySource keys_from);
  // A copy of `watched` run beside it (a replay's scout, the replay a take-over records): it
  // finds the music where `watched` does, wherever the program was started, so that at every
  // step its state, the tune's included, is the watched game's.
  Game(AudioSink& sink, KeySource keys_from, const Game& watched);
  ~Game();
  Game(const Game&) = delete;
  Game& operator=(const Game&) = delete;

  // Step 0: Form_Load, seeding the random generator.
  void start(uint32_t seed);
  // The next step, with these keys. False once the program has ended itself.
  bool step(StepKeys keys);
  // The window closes: Form_Unload.
  void close();

  int64_t current_step() const { return step_; }
  bool ended() const { return ended_; }
  Window& win() { return *win_; }
  const Window& win() const { return *win_; }
  Media& media() { return media_; }
  const Media& media() const { return media_; }
  SystemContext& context() { return context_; }
  const SystemContext& context() const { return context_; }
  // A hash of every key the game was given, step by step: two runs given different keys
  // differ in it even where the keys changed nothing else.
  uint64_t keys_digest() const { return keys_seen_.value(); }
  // The media calls of the handler that ran last ("mci ..." or "snd NAME FLAGS"), when kept.
  const std::vector<std::string>& audio_calls() const { return calls_; }
  void keep_audio_calls(bool keep) { media_.set_log(keep ? &calls_ : nullptr); }
  void set_observer(HandlerObserver* observer) { observer_ = observer; }
  HandlerObserver* observer() const { return observer_; }

 private:
  friend class GameSnapshot;  // takes and puts back the whole game (game/snapshot.hpp)

  void apply(StepKeys keys);
  void remember(StepKeys keys);
  template <typename Handler>
  void run(const char* name, Handler&& handler);

  SystemContext context_;
  StepClock clock_;
  Media media_;
  std::unique_ptr<Window> win_;
  KeySource keys_from_;
  int64_t step_ = 0;
  bool ended_ = false;
  HandlerObserver* observer_ = nullptr;
  std::vector<std::string> calls_;
  Fnv1a64 keys_seen_;
  uint8_t held_before_ = 0;
};

}  // namespace qv
