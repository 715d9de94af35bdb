#include "web/host.hpp"

#include <SDL.h>
#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "aids/study_aids.hpp"
#include "front/gamepad.hpp"
#include "front/input.hpp"
#include "front/options_screen.hpp"
#include "front/options_text.hpp"
#include "front/pause.hpp"
#include "front/recorder.hpp"
#include "front/replay_bar.hpp"
#include "front/replay_keys.hpp"
#include "front/screen.hpp"
#include "front/step_pacer.hpp"
#include "game/game.hpp"
#include "game/replay_viewer.hpp"
#include "game/take_over.hpp"
#include "game/trace.hpp"
#include "system/media_files.hpp"
#include "system/printable.hpp"
#include "web/audio_sink.hpp"
#include "web/best_runs.hpp"
#include "web/browser_clock.hpp"

// The page's side is web/page.js.
// clang-format off
EM_JS(void, qv_js_paused, (bool paused), { quelvarisPaused(paused); });
EM_JS(void, qv_js_ended, (), { quelvarisEnded(); });
EM_JS(void, qv_js_first_picture, (), { quelvarisFirstPicture(); });
EM_JS(void, qv_js_failed, (const char* what), { quelvarisFailed(UTF8ToString(what)); });
EM_JS(void, qv_js_handed_over, (), { quelvarisHandedOver(); });
EM_JS(int, qv_js_options_size, (), { return lengthBytesUTF8(quelvarisStoredOptions()) + 1; });
EM_JS(void, qv_js_options_copy, (char* out, int size), {
  stringToUTF8(quelvarisStoredOptions(), out, size);
});
EM_JS(void, qv_js_volumes, (int music, int effects), {
  quelvarisAudio.volumes(music / 100, effects / 100);
});
EM_JS(void, qv_js_store_options, (const char* text), {
  quelvarisStoreOptions(UTF8ToString(text));
});
// clang-format on

namespace qv {
namespace {

class WebHost {
 public:
  // A practice's game is handed over as a replay's, with the keys the replay held.
  explicit WebHost(const WebOptions& options)
      : studying_(!options.replay.empty() || options.practice),
        game_(sink_, studying_ ? KeySource::replay : KeySource::keyboard),
        pacer_(clock_),
        options_(options) {
    // The page holds the sound while the game stands paused.
    pause_.on_change([this](bool on) {
      qv_js_paused(on);
      if (viewer_) viewer_->set_paused(on);
    });
    options_screen_.on_change([this](const OptionValues& v) { use_options(v); });
    options_screen_.on_close([this](const OptionValues& v) {
      use_options(v);
      qv_js_store_options(options_text(v).c_str());
      composed_ = true;  // the frame again, as it stood
    });
    use_options(read_options_text(stored_options(), OptionValues{}));
    if (options.trace) {
      trace_ = std::make_unique<TraceWriter>(trace_text_);
      trace_->cut_with(string_cutter(trace_text_));
      game_.keep_audio_calls(true);
      game_.set_observer(trace_.get());
    }
  }

  // The recording to watch, or the practice route, read before anything shows: empty, or
  // what is wrong with it.
  std::string prepare() {
    std::string error;
    KeyScript script;
    if (options_.practice) {
      if (!read_key_script(kPracticeRoute, script, error))
        return "no route to practise on: " + error;
      practice_ = practice(script, *options_.practice, game_);
      if (!practice_) return std::string("the practice route never reaches that frame");
    } else if (!options_.replay.empty()) {
      if (!read_key_script(options_.replay, script, error)) return error;
    } else {
      return "";
    }
    watched_ = std::move(script);
    return "";
  }

  bool open() {
    // The page sets the canvas's size (web/page.js): the screen fills it at a whole scale of
    // the device's pixels.
    if (!screen_.open(1, false, true)) return false;
    for (const char* name : media_files::kAll) game_.media().preload(name);
    Window& win = game_.win();
    // Every refresh is composed; the canvas shows the last of them once a display frame.
    win.onPB.set_refresh([this] {
      if (viewer_ && !viewer_->seen()) return;  // a jump runs unseen: its last step is shown
      compose();
    });
    win.onPB.Refresh();  // the title picture, before anything else can keep it waiting
    show();
    qv_js_first_picture();
    seed_ = new_game_seed(clock_);
    pacer_.start();
    if (watched_) {
      start_watching();
    } else {
      recorder_.begin(seed_);
      game_.start(seed_);
    }
    return true;
  }

  // One display frame: the events since the last, then every step that is due.
  void frame() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) handle(event);
    if (running_ && viewer_)
      watch();
    else if (running_)
      run_due_steps(pacer_, game_, [this](int64_t step) { return run_step(step); });
    best_runs_.verify_next();
    show();
    WebAudioSink::tell_clock(static_cast<uint64_t>(game_.current_step()) * kStepMs * 1000);
  }

  // A hidden tab gets no frames: the game waits for it instead of racing to catch up. Whether
  // the player's pause holds it is the pause's own business.
  void set_hidden(bool hidden) {
    if (hidden) {
      pacer_.pause();
      input_.focus_lost();
    } else if (!pause_.on()) {
      pacer_.resume();
    }
    if (viewer_) viewer_->set_paused(hidden || pause_.on());
  }

  const std::string& trace() {
    trace_copy_ = trace_text_.str();
    return trace_copy_;
  }
  // What the recorder has written so far, ending with a line for the last step run: a copy
  // saved now replays up to that step on its own.
  const std::string& recording() {
    recorder_.mark(game_.current_step());
    return recorder_.text();
  }
  int64_t steps() const { return game_.current_step(); }
  bool paused() const { return pause_.on(); }

 private:
  // False once the game is to go no further.
  bool run_step(int64_t step) {
    StepKeys keys = input_.take();
    played_keys_ = lit_keys(keys);  // shown with the frame the step draws
    recorder_.before_step(step, keys);
    bool going = game_.step(keys);
    recorder_.after_step(game_, keys);
    // A game taken over from a replay never enters the table of best runs.
    if (!taken_over_) best_runs_.after_step(game_, recorder_, clock_.now_us());
    if (!going) {  // the staff roll has run out
      running_ = false;
      qv_js_ended();
    }
    return running_;
  }

  // A practice goes to its step as a jump does, a slice a display frame.
  void start_watching() {
    viewer_ = std::make_unique<ReplayViewer>(game_, sink_, *watched_);
    viewer_->on_moved([this] { compose(); });
    bar_.touched(clock_.now_us());
    if (trace_) viewer_->keep_trace(*trace_);
    viewer_->start(practice_ ? practice_->step : 0);
    compose();
  }

  // A replay being watched: a slice of a jump (half a display frame), or its steps when due
  // and the scout in the time left of the frame.
  void watch() {
    if (viewer_->jumping()) {
      viewer_->run_jump(clock_, 8000);
      return;
    }
    if (practice_) return hand_over(*practice_);
    viewer_->run_due(clock_.now_us());
    if (viewer_->at_end()) return end_of_replay();
    if (!viewer_->paused()) viewer_->scout(clock_, 4000);
  }

  // The recording has run out: where its player closed the window, the game closes there too
  // (its music stops), as it does in the window and the simulator.
  void end_of_replay() {
    if (watched_->closed_after) game_.close();
    running_ = false;
    qv_js_ended();
  }

  // A replay key or pad button: true when it was one.
  bool replay_command(ReplayCommand command) {
    if (pause_stops_jump(command, *viewer_)) {
      bar_.touched(clock_.now_us());
      pause_.set(true);
      return true;
    }
    if (command == ReplayCommand::none || command == ReplayCommand::pause) return false;
    bar_.touched(clock_.now_us());
    switch (carry_out(command, *viewer_)) {
      case ReplayCommand::take_over:
        hand_over(take_over(*watched_, viewer_->position(), game_));
        break;
      default:
        break;
    }
    return true;
  }

  // The player plays on from the game as it stands, which is the game `taken` handed over.
  void hand_over(const TakeOver& taken) {
    game_.media().set_sink(sink_);  // the viewer's own silence goes with it
    game_.media().resync_sink();
    viewer_.reset();
    cut_trace_back(game_.current_step());
    recorder_.take_over(taken);
    taken_over_ = true;
    running_ = true;
    pacer_.start_at(game_.current_step());
    compose();
    qv_js_handed_over();  // the page's touch controls steer the ship from now on
  }

  // R or a pad's Back: the same practice again, from where it was handed over.
  void practise_again() {
    practice_->handed_over.restore(game_);
    hand_over(*practice_);
  }

  // The trace is the recording's: when the game handed over had gone further (a replay taken
  // over after a jump back, a practice started again), what it traced past `step` goes.
  void cut_trace_back(int64_t step) {
    if (trace_) trace_->cut_back_to(step);
  }

  // What the page's storage holds of the options screen's values.
  static std::string stored_options() {
    std::string text(static_cast<size_t>(qv_js_options_size()), '\0');
    qv_js_options_copy(text.data(), static_cast<int>(text.size()));
    text.resize(text.find('\0'));
    return text;
  }

  // The page has no window to scale nor soundfont to choose: its zoom and the browser's
  // fullscreen are its own, its sound is the page's.
  void use_options(const OptionValues& v) {
    options_values_ = v;
    options_values_.largest_scale = 0;
    options_values_.fullscreen_here = false;
    options_values_.soundfont_here = false;
    options_values_.soundfont.clear();
    input_.bind_extra_keys(v.extra_keys);
    pads_.bind_extra_buttons(v.extra_buttons);
    aids_.show_keys = studying_ && v.show_keys;  // the keys only while watching or practising
    aids_.show_hit_areas = v.show_hit_areas;
    qv_js_volumes(v.mute ? 0 : v.music_volume, v.mute ? 0 : v.effects_volume);
  }

  // Opened over whatever stands: a jump under way stops where it is, as the pause stops it.
  void open_options() {
    if (viewer_) pause_stops_jump(ReplayCommand::pause, *viewer_);
    options_screen_.open(options_values_, "");
  }

  // The options screen takes the keys and buttons pressed; what is let go of still reaches the
  // game's keys.
  void handle_under_options(const SDL_Event& e) {
    if (options_screen_.handle(e)) return;
    if (Gamepads::is_pad_event(e))
      pads_.handle(e);
    else if (e.type == SDL_KEYUP)
      input_.key_event(e.key);
    else if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
      screen_.present();
  }

  void handle(const SDL_Event& e) {
    if (options_screen_.is_open()) return handle_under_options(e);
    if (opens_options(e)) return open_options();
    if (aid_key(e)) return toggled_aid();
    // A replay that has ended stays where it ended, as the window closes there.
    // A practice's way to its step is no replay to steer.
    if (viewer_ && running_ && !practice_ && replay_command(replay_command_of(e))) return;
    if (practice_ && !viewer_ && is_practise_again(e)) return practise_again();
    if (Gamepads::is_pad_event(e)) {
      Gamepads::Action action = pads_.handle(e);
      if (action == Gamepads::Action::pause) pause_.toggle();
      if (action == Gamepads::Action::scores) best_runs_.toggle(game_);
      return;
    }
    switch (e.type) {
      case SDL_KEYDOWN:
        if (!e.key.repeat && is_pause_key(e.key.keysym.sym))
          pause_.toggle();
        else if (!e.key.repeat && e.key.keysym.sym == SDLK_TAB)
          best_runs_.toggle(game_);
        else
          input_.key_event(e.key);
        break;
      case SDL_KEYUP:
        input_.key_event(e.key);
        break;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) input_.focus_lost();
        if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) screen_.present();
        break;
      default:
        break;
    }
  }

  // The frame, with the aids asked for over a copy of it.
  void compose() {
    const Window& win = game_.win();
    screen_.compose(win.onPB, win.score1);
    draw_study_aids(aids_, win.s, shown_keys(), screen_.composed_play_area());
    composed_ = true;
  }

  // The keys of the step shown: the recording's while it is watched, else the player's.
  uint8_t shown_keys() const {
    if (!viewer_) return played_keys_;
    return lit_keys(RecordedKeys(watched_->lines).at(viewer_->position()));
  }

  // K or H switched an aid, while watching or practising; in a game played, a key the player
  // bound to a game key plays instead.
  bool aid_key(const SDL_Event& e) {
    return studying_ && toggle_study_aid(e, aids_, viewer_ ? nullptr : &input_);
  }

  // K or H: shown at once, paused or not (a paused game shows its notice over the new frame).
  void toggled_aid() {
    options_values_.show_keys = aids_.show_keys;  // as the options screen shows them next
    options_values_.show_hit_areas = aids_.show_hit_areas;
    compose();
    if (!viewer_ && pause_.on()) screen_.show_paused(true);
  }

  // The last frame composed; while a replay is watched, with its bar over it while it shows
  // (so every display frame, as the bar comes and goes on the real clock).
  void show() {
    if (options_screen_.is_open()) return;  // the screen shows itself as it changes
    if (viewer_) {
      if (bar_.shown(clock_.now_us(), *viewer_))
        screen_.show_with_bar(replay_bar_text(*viewer_), viewer_->position(), viewer_->length());
      else
        screen_.show_composed();
      composed_ = false;
      return;
    }
    if (!composed_) return;
    composed_ = false;
    screen_.show_composed();
  }

  const bool studying_;  // a replay watched or a practice: the aids' keys K and H work
  StudyAids aids_;
  uint8_t played_keys_ = 0;  // lit in the step the player played last
  BrowserClock clock_;
  WebAudioSink sink_;
  Game game_;
  StepPacer pacer_;
  Screen screen_;
  PlayerInput input_;
  Gamepads pads_{input_};
  Pause pause_{pacer_, screen_, input_};
  OptionsScreen options_screen_{screen_, pause_};
  OptionValues options_values_;
  uint32_t seed_ = 0;
  std::ostringstream trace_text_;
  std::unique_ptr<TraceWriter> trace_;
  std::string trace_copy_;
  Recorder recorder_;  // in the page's memory until the player saves it
  WebBestRuns best_runs_{screen_};
  bool running_ = true;
  bool composed_ = false;
  WebOptions options_;
  std::optional<KeyScript> watched_;  // the recording watched, or the practice route
  std::unique_ptr<ReplayViewer> viewer_;
  ReplayBarShowing bar_;
  std::optional<TakeOver> practice_;  // as handed over, for starting the practice again
  bool taken_over_ = false;
};

std::unique_ptr<WebHost> g_host;

// A run-time error in the game stops it where it is, as the desktop game stops, and says so on
// the page; the recording up to there can still be saved and replayed.
bool game_failed(const RunTimeError& e) {
  std::fprintf(stderr, "quelvaris: %s\n", e.what());
  qv_js_failed(e.what());
  return false;
}

EM_BOOL on_frame(double, void*) {
  try {
    g_host->frame();
    return EM_TRUE;
  } catch (const RunTimeError& e) {
    return game_failed(e);
  }
}

EM_BOOL on_visibility(int, const EmscriptenVisibilityChangeEvent* e, void*) {
  g_host->set_hidden(e->hidden);
  return EM_FALSE;
}

}  // namespace

bool start_web_game(const WebOptions& options) {
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_GAMECONTROLLER) != 0) {
    qv_js_failed(SDL_GetError());
    return false;
  }
  g_host = std::make_unique<WebHost>(options);
  std::string refused = g_host->prepare();
  if (!refused.empty()) {
    qv_js_failed(printable(refused).c_str());
    return false;
  }
  try {
    if (!g_host->open()) {
      qv_js_failed(SDL_GetError());
      return false;
    }
  } catch (const RunTimeError& e) {
    return game_failed(e);
  }
  emscripten_set_visibilitychange_callback(nullptr, EM_FALSE, on_visibility);
  emscripten_request_animation_frame_loop(on_frame, nullptr);
  return true;
}

}  // namespace qv

extern "C" {

EMSCRIPTEN_KEEPALIVE const char* qv_trace() {
  return qv::g_host ? qv::g_host->trace().c_str() : "";
}

EMSCRIPTEN_KEEPALIVE const char* qv_recording() {
  return qv::g_host ? qv::g_host->recording().c_str() : "";
}

EMSCRIPTEN_KEEPALIVE double qv_steps() {
  return qv::g_host ? static_cast<double>(qv::g_host->steps()) : 0;
}

EMSCRIPTEN_KEEPALIVE int qv_paused() {
  return qv::g_host && qv::g_host->paused();
}

// The page's touch controls press and let go of keys (web/touch.js): the very event a key of
// the keyboard makes, queued among theirs, so neither the game nor its recording can tell a
// touch from a key.
EMSCRIPTEN_KEEPALIVE void qv_touch_key(int key, int down) {
  SDL_Event e{};
  e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.key.keysym.sym = key;
  e.key.keysym.scancode = SDL_GetScancodeFromKey(key);
  SDL_PushEvent(&e);
}
}
