#include "desktop/host.hpp"

#include <SDL.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <thread>

#include "aids/study_aids.hpp"
#include "audio/audio_sdl.hpp"
#include "desktop/best_runs.hpp"
#include "desktop/recording.hpp"
#include "desktop/settings.hpp"
#include "desktop/tick_probe.hpp"
#include "front/controls.hpp"
#include "front/input.hpp"
#include "front/options_screen.hpp"
#include "front/pause.hpp"
#include "front/replay_bar.hpp"
#include "front/replay_keys.hpp"
#include "front/screen.hpp"
#include "front/step_pacer.hpp"
#include "game/game.hpp"
#include "game/key_script.hpp"
#include "game/replay_viewer.hpp"
#include "game/take_over.hpp"
#include "game/trace.hpp"
#include "system/data_folder.hpp"
#include "system/media_files.hpp"
#include "system/platform.hpp"
#include "system/printable.hpp"
#include "system/steady_clock.hpp"

#ifndef QV_DATA_FOLDER
#define QV_DATA_FOLDER ""
#endif

namespace qv {
namespace {

// Where the installed game's music lies, relative to the program (packaging/install.cmake).
constexpr const char* kInstalledDataFolder = QV_DATA_FOLDER;
// A slice of a jump, and how often a jump shows where it stands.
constexpr uint64_t kJumpSliceUs = 8000;
constexpr uint64_t kJumpShownUs = 33000;

class DesktopHost {
 public:
  explicit DesktopHost(const Options& options)
      : options_(options),
        studying_(!options.replay.empty() || options.practice),
        // A practice's game is handed over as a replay's, with the keys the replay held.
        game_(silent_, studying_ ? KeySource::replay : KeySource::keyboard),
        pacer_(clock_),
        pause_(pacer_, screen_, input_),
        controls_(screen_, input_, pause_),
        options_screen_(screen_, pause_),
        best_runs_(screen_) {
    pause_.on_change([this](bool on) {
      if (audio_) audio_->pause(on);
      if (viewer_) viewer_->set_paused(on);
      probe::paused(on, pacer_.now_us());
    });
  }
  ~DesktopHost() {
    // The audio thread reads the songs and waves the media layer owns: it stops first.
    game_.media().set_sink(silent_);
    audio_.reset();
  }

  // What can refuse the run is looked at before any window opens: the recording to replay,
  // and the files to write. The exit status when it refuses, or 0. Nothing is recorded yet.
  int prepare() {
    std::string error;
    settings_ = load_settings(settings_path());
    aids_from_settings();
    seed_ = new_game_seed(clock_);
    if (!options_.replay.empty()) {
      KeyScript script;
      if (!read_key_script(options_.replay, script, error)) return refuse(error);
      if (!script.cut_line.empty())
        std::fprintf(stderr, "quelvaris: %s\n", printable(script.cut_line).c_str());
      closed_after_ = script.closed_after;
      watched_ = std::move(script);
    }
    // The music's folder is the game's before any copy of it is made (a practice's route is
    // replayed with it): their states, the music's included, must be the same.
    data_folder_ = game_data_folder();
    game_.media().set_folder(data_folder_);
    if (options_.practice) {
      if (int code = prepare_practice(*options_.practice)) return code;
    }
    if (!options_.trace.empty()) {
      trace_file_.open(path_from_utf8(options_.trace), std::ios::binary | std::ios::trunc);
      if (!trace_file_) return refuse("cannot write the trace " + options_.trace);
      trace_ = std::make_unique<TraceWriter>(trace_file_);
      trace_->cut_with([this](uint64_t bytes) { return cut_trace_file(bytes); });
      game_.keep_audio_calls(true);
      game_.set_observer(trace_.get());
    }
    if (!recording_.check(options_.record, error)) return refuse(error);
    return 0;
  }

  int run() {
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return cannot_open(SDL_GetError());
    if (!on_a_display()) return cannot_open("there is no display to show it on");
    PortSettings port = port_settings();
    if (!screen_.open(port.scale, port.fullscreen)) return cannot_open(SDL_GetError());
    SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);  // without it the game is played on keys alone
    for (const char* name : media_files::kAll) game_.media().preload(name);
    Window& win = game_.win();
    win.onPB.set_refresh([this] {
      if (viewer_ && !viewer_->seen()) return;  // a jump runs unseen: its last step is shown
      probe::present_begins();
      show_frame();
      probe::present_ends();
    });
    win.onPB.Refresh();  // the title picture, before anything else can keep it waiting
    probe::title_shown();
    audio_ = open_sdl_audio(port.audio);
    game_.media().set_sink(*audio_);
    // The table is read on a thread of its own only now that SDL has set itself up: its start
    // may fork (D-Bus, a sound server), and a child forked while that thread held a lock of the
    // allocator's would hang there (as it does under AddressSanitizer).
    best_runs_.load(data_folder_);
    try {
      pacer_.start();
      if (watched_)
        start_watching();
      else
        game_.start(seed_);
      loop();
      probe::at_exit(win);
    } catch (const RunTimeError& e) {
      report(e.what());
      return 1;
    }
    int code = finish_trace();
    return code == 0 && !recording_.named_whole() ? 1 : code;
  }

 private:
  // One step at a time, so that the window's events are handled between steps even while it
  // catches up.
  void loop() {
    SDL_Event event;
    while (running_) {
      if (viewer_) {
        watch(event);
        continue;
      }
      if (pause_.on()) {  // nothing is due: the events alone
        if (SDL_WaitEventTimeout(&event, 100)) handle(event);
        continue;
      }
      if (wait_for(pacer_.due_us(game_.current_step() + 1), event)) {
        handle(event);
        continue;
      }
      run_due_steps(
          pacer_, game_, [this](int64_t step) { return run_step(step); }, 1);
    }
  }

  // False once the game is to go no further.
  bool run_step(int64_t step) {
    uint64_t due = pacer_.due_us(step), start = clock_.now_us();
    bool frame = game_.win().time.running();  // a running frame timer is due at every step
    StepKeys keys = input_.take();
    played_keys_ = lit_keys(keys);       // shown with the frame the step draws
    recording_.before_step(step, keys);  // a step that fails is in the recording
    bool going = game_.step(keys);
    // The game is under way: recorded from its first step on.
    if (!recording_.started()) recording_.start(settings_.settings.replays_kept, seed_);
    recording_.after_step(game_, keys);
    // A game taken over from a replay never enters the table of best runs.
    best_runs_.after_step(game_, recording_.taken_over() ? nullptr : &recording_.recorder(),
                          clock_.now_us());
    if (!going) {  // the staff roll has run out
      recording_.ended(step);
      running_ = false;
    }
    if (frame) probe::frame_tick(due, start, clock_.now_us());
    probe::after_handler(game_.win(), clock_.now_us());
    return running_;
  }

  // The practice route, found with the music, taken over where the stage clock reaches
  // `frame`; watched unseen up to there (a jump, as --from), so that a trace holds every step
  // of the game.
  int prepare_practice(int32_t frame) {
    std::string error;
    std::string path = data_folder_.empty() ? kPracticeRoute : data_folder_ + "/" + kPracticeRoute;
    KeyScript route;
    if (!read_key_script(path, route, error)) return refuse("no route to practise on: " + error);
    practice_ = practice(route, frame, game_);
    if (!practice_) return refuse("the practice route " + path + " never reaches that frame");
    watched_ = std::move(route);
    return 0;
  }

  // --from (and practice) jump as the keys do: a slice at a time, the window's events between.
  void start_watching() {
    viewer_ = std::make_unique<ReplayViewer>(game_, *audio_, *watched_);
    viewer_->on_moved([this] { show_moved(); });
    viewer_->set_speed(options_.speed);
    int64_t from = practice_ ? practice_->step : options_.from.value_or(0);
    if (options_.take_over) from = std::min(from, *options_.take_over);
    bar_.touched(clock_.now_us());
    if (trace_) viewer_->keep_trace(*trace_);
    viewer_->start(from);
    show_frame();
  }

  // A replay being watched: a jump's slices, its steps when due, its keys, and the scout in the
  // time between.
  void watch(SDL_Event& event) {
    if (viewer_->jumping()) return jump_on(event);
    if (practice_ && viewer_->position() >= practice_->step) return hand_over(*practice_);
    if (options_.take_over && !game_.ended() &&
        viewer_->position() >= std::min(*options_.take_over, viewer_->length()))
      return take_over_now();
    if (viewer_->at_end()) return end_of_replay();
    uint64_t now = clock_.now_us();
    uint64_t due = viewer_->paused() ? now + 100000 : viewer_->next_due_us();
    if (due > now + 2000) viewer_->scout(clock_, std::min<uint64_t>(due - now - 1500, 8000));
    if (wait_for(due, event)) return handle(event);
    viewer_->run_due(clock_.now_us(), 1);
  }

  // One slice of a jump, about half a frame of the clock, then every event that came meanwhile:
  // a close or a signal ends the program within a slice, and a key sends the jump elsewhere.
  void jump_on(SDL_Event& event) {
    viewer_->run_jump(clock_, kJumpSliceUs);
    while (running_ && viewer_ && SDL_PollEvent(&event)) handle(event);
  }

  // The game moved by a jump or a step while paused: shown, but during a jump no more often
  // than a display would, so that the jump's time goes to its steps.
  void show_moved() {
    if (viewer_->jumping() && clock_.now_us() - shown_us_ < kJumpShownUs) return;
    show_frame();
  }

  // What the window shows: the frame with the aids asked for, and the replay's bar over it
  // while it shows.
  void show_frame() {
    const Window& win = game_.win();
    shown_us_ = clock_.now_us();
    screen_.compose(win.onPB, win.score1);
    draw_study_aids(aids_, win.s, shown_keys(), screen_.composed_play_area());
    if (viewer_ && bar_.shown(shown_us_, *viewer_))
      screen_.show_with_bar(replay_bar_text(*viewer_), viewer_->position(), viewer_->length());
    else
      screen_.show_composed();
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

  // The keys are shown only while a replay is watched or a practice played.
  void aids_from_settings() {
    aids_.show_keys = studying_ && settings_.settings.show_keys;
    aids_.show_hit_areas = settings_.settings.show_hit_areas;
  }

  // K or H: shown at once, paused or not. The options screen opened next shows the aids as
  // they stand.
  void toggled_aid() {
    settings_.settings.show_keys = aids_.show_keys;
    settings_.settings.show_hit_areas = aids_.show_hit_areas;
    show_frame();
    if (!viewer_ && pause_.on()) screen_.show_paused(true);
  }

  // A replay key or pad button: true when it was one.
  bool replay_command(ReplayCommand command) {
    if (pause_stops_jump(command, *viewer_)) {
      bar_.touched(clock_.now_us());
      pause_.set(true);
      show_frame();
      return true;
    }
    if (command == ReplayCommand::none || command == ReplayCommand::pause) return false;
    bar_.touched(clock_.now_us());
    switch (carry_out(command, *viewer_)) {
      case ReplayCommand::take_over:
        take_over_now();
        break;
      default:
        show_frame();  // the bar, or its new speed
        break;
    }
    return true;
  }

  void take_over_now() { hand_over(take_over(*watched_, viewer_->position(), game_)); }

  // The player plays on from the game as it stands, which is the game `taken` handed over.
  void hand_over(const TakeOver& taken) {
    game_.media().set_sink(*audio_);  // the viewer's own silence goes with it
    game_.media().resync_sink();
    viewer_.reset();
    cut_trace_back(game_.current_step());
    recording_.take_over(taken, settings_.settings.replays_kept, practice_.has_value());
    pacer_.start_at(game_.current_step());
    show_frame();
  }

  // R or a pad's Back: the same practice again, from where it was handed over.
  void practise_again() {
    practice_->handed_over.restore(game_);
    hand_over(*practice_);
  }

  // The recording has run out: the window closes where the player closed it.
  void end_of_replay() {
    if (closed_after_) close_window();
    running_ = false;
  }

  // A replay closed behind the furthest step it reached (after a jump back) closes where it
  // stands, its trace cut back to there first, as the simulator traces the recording closed
  // at that step.
  void close_window() {
    recording_.closing(game_);
    if (!viewer_)
      game_.close();
    else if (!viewer_->close())
      cannot_cut_trace(game_.current_step());
    running_ = false;
  }

  // The trace is the recording's: when the game handed over had gone further (a replay taken
  // over after a jump back, a practice started again), what it traced past `step` goes.
  void cut_trace_back(int64_t step) {
    if (trace_ && !trace_->cut_back_to(step)) cannot_cut_trace(step);
  }

  bool cut_trace_file(uint64_t bytes) {
    if (!cut_file(options_.trace, bytes)) return false;
    trace_file_.seekp(static_cast<std::streamoff>(bytes));
    return true;
  }

  // A pipe or a device keeps what it was sent: said once, and the trace goes on.
  void cannot_cut_trace(int64_t step) {
    std::fprintf(stderr,
                 "quelvaris: cannot cut the trace %s back to step %lld (%s): the steps traced "
                 "past it stay, and the game's follow them\n",
                 printable(options_.trace).c_str(), static_cast<long long>(step),
                 trace_->end_of(step) ? std::strerror(errno) : "not kept");
  }

  int finish_trace() {
    if (!trace_) return 0;
    trace_file_.flush();
    if (!trace_->failed()) return 0;
    std::fprintf(stderr, "quelvaris: cannot write the trace %s\n",
                 printable(options_.trace).c_str());
    return 1;
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
    if (options_screen_.is_open()) return handle_under_options(e);
    if (aid_key(e)) return toggled_aid();
    // A practice's way to its step is no replay to steer.
    if (viewer_ && !practice_ && replay_command(replay_command_of(e))) return;
    if (practice_ && !viewer_ && is_practise_again(e)) return practise_again();
    bool paused = pause_.on();
    handle_window_event(e);
    if (options_screen_.is_open()) return;
    if (viewer_ && pause_.on() != paused) show_frame();  // the bar shows while paused
  }

  // The options screen takes the keys and buttons pressed; what is let go of still reaches the
  // game's keys, and the window's events the window.
  void handle_under_options(const SDL_Event& e) {
    if (options_screen_.handle(e)) return;
    if (e.type == SDL_QUIT) options_screen_.close();  // what changed is kept all the same
    handle_window_event(e);
    if (e.type != SDL_WINDOWEVENT) return;
    if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST && settings_.settings.pause_on_focus_loss)
      options_screen_.stay_paused();
    options_screen_.show();
  }

  // Opened over whatever stands: a jump under way stops where it is, as the pause stops it.
  void open_options() {
    if (viewer_) pause_stops_jump(ReplayCommand::pause, *viewer_);
    OptionValues values = option_values(settings_.settings);
    values.largest_scale = Screen::largest_scale();
    values.fullscreen = screen_.fullscreen();
    values.soundfonts = soundfonts_to_choose();
    options_screen_.open(std::move(values), unsaved_why_);
  }

  // A change on the options screen acts at once; the soundfont is the next start's.
  void options_changed(const OptionValues& v) {
    Settings& s = settings_.settings;
    if (v.scale != s.scale || v.fullscreen != screen_.fullscreen())
      controls_.choose_window(v.scale, v.fullscreen);
    if (audio_ && (v.music_volume != s.music_volume || v.effects_volume != s.effects_volume ||
                   v.mute != s.mute))
      audio_->set_volumes(v.mute ? 0 : v.music_volume, v.mute ? 0 : v.effects_volume);
    input_.bind_extra_keys(v.extra_keys);
    controls_.pads().bind_extra_buttons(v.extra_buttons);
    take_option_values(s, v);
    aids_from_settings();
  }

  // As the screen closes, what changed is kept in the settings file, when it may be written.
  void options_closed(const OptionValues& v) {
    options_changed(v);
    if (viewer_) show_frame();
    std::vector<SettingLine> lines = changed_lines(on_file_, settings_.settings);
    if (lines.empty() || !settings_.writable) return;
    if (save_settings(settings_path(), lines)) {
      on_file_ = settings_.settings;
    } else {
      settings_.writable = false;  // one warning is enough
      unsaved_why_ = "SETTINGS.INI CANNOT BE WRITTEN";
    }
  }

  void handle_window_event(const SDL_Event& e) {
    if (controls_.handle(e)) return;
    switch (e.type) {
      case SDL_QUIT:
        close_window();
        break;
      case SDL_KEYDOWN:
      case SDL_KEYUP:
        input_.key_event(e.key);
        break;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_EXPOSED) screen_.present();
        break;
      default:
        break;
    }
  }

  // Alt+Enter stays the switch to the whole screen.
  static int refuse(const std::string& why) {
    std::fprintf(stderr, "quelvaris: %s\n", printable(why).c_str());
    return 2;
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

  // The settings with the command line's options over them; wires what stays to the window.
  PortSettings port_settings() {
    on_file_ = settings_.settings;
    if (!settings_.writable) unsaved_why_ = "SETTINGS.INI HAS A LINE THE GAME CANNOT READ";
    if (settings_.writable) {
      controls_.save_with(
          [this, path = settings_path()](int scale, bool fullscreen) {
            settings_.settings.scale = on_file_.scale = scale;
            settings_.settings.fullscreen = on_file_.fullscreen = fullscreen;
            return settings_.writable && save_window_settings(path, scale, fullscreen);
          },
          settings_.settings.scale, settings_.settings.fullscreen);
    }
    input_.bind_extra_keys(settings_.settings.extra_keys);
    controls_.pads().bind_extra_buttons(settings_.settings.extra_buttons);
    controls_.on_options([this] { open_options(); });
    options_screen_.on_change([this](const OptionValues& v) { options_changed(v); });
    options_screen_.on_close([this](const OptionValues& v) { options_closed(v); });
    controls_.pause_on_focus_loss(settings_.settings.pause_on_focus_loss);
    controls_.on_scores([this] { best_runs_.toggle(game_); });
    return combine(settings_.settings, options_);
  }

  const Options& options_;
  const bool studying_;      // a replay watched or a practice: the aids' keys K and H work
  LoadedSettings settings_;  // as this run has them, the options screen's changes included
  Settings on_file_;         // as the settings file has them
  std::string unsaved_why_;  // why the options screen's changes last this run only, or empty
  StudyAids aids_;
  SteadyClock clock_;
  SilentSink silent_;
  Game game_;
  StepPacer pacer_;
  std::unique_ptr<PlayerAudio> audio_;
  Screen screen_;
  PlayerInput input_;
  Pause pause_;
  Controls controls_;
  OptionsScreen options_screen_;
  BestRuns best_runs_;
  std::string data_folder_;  // the folder of `bgm&se`
  uint32_t seed_ = 0;
  std::optional<KeyScript> watched_;  // the recording watched, or the practice route
  std::unique_ptr<ReplayViewer> viewer_;
  ReplayBarShowing bar_;
  uint64_t shown_us_ = 0;                // when the window last showed a frame
  uint8_t played_keys_ = 0;              // lit in the step the player played last
  std::optional<TakeOver> practice_;     // as handed over, for starting the practice again
  std::optional<int64_t> closed_after_;  // the step after which its player closed the window
  std::ofstream trace_file_;
  std::unique_ptr<TraceWriter> trace_;
  GameRecording recording_;
  bool running_ = true;
};

}  // namespace

std::string game_data_folder() {
  return find_data_folder(kInstalledDataFolder);
}

int run_game(const Options& options) {
  int code;
  {
    auto host = std::make_unique<DesktopHost>(options);
    code = host->prepare();
    if (code == 0) code = host->run();
  }
  SDL_Quit();
  return code;
}

}  // namespace qv
