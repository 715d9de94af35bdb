// The desktop port's parts that need no window: the scale arithmetic, the settings file, the
// pads through SDL's virtual joystick, and the pause, which must leave the game as it would
// have been without it.
#include <SDL.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "desktop/options.hpp"
#include "desktop/settings.hpp"
#include "front/gamepad.hpp"
#include "front/input.hpp"
#include "front/presentation.hpp"
#include "front/step_pacer.hpp"
#include "front/window_choice.hpp"
#include "game/trace.hpp"

namespace qv {
namespace {

constexpr Area kPicture{432, 568};

TEST(DesktopScale, AutomaticScaleIsTheLargestFittingEightyFivePercentOfTheDesktop) {
  EXPECT_EQ(automatic_scale(kPicture, {1920, 1080}), 1);
  EXPECT_EQ(automatic_scale(kPicture, {2560, 1600}), 2);
  EXPECT_EQ(automatic_scale(kPicture, {3840, 2160}), 3);
  // 85 % of 1337 is 1136.45: exactly two pictures high fit, one pixel less does not.
  EXPECT_EQ(automatic_scale(kPicture, {4000, 1337}), 2);
  EXPECT_EQ(automatic_scale(kPicture, {4000, 1336}), 1);
  EXPECT_EQ(automatic_scale(kPicture, {300, 200}), 1);  // never below one
  EXPECT_EQ(automatic_scale(kPicture, {0, 0}), 1);
}

TEST(DesktopScale, ThePictureIsPlacedWholeScaledAndCentred) {
  Placement exact = place(kPicture, {864, 1136});
  EXPECT_EQ(exact.scale, 2);
  EXPECT_EQ(exact.x, 0);
  EXPECT_EQ(exact.y, 0);
  // A window one pixel short of scale 3 both ways shows scale 2, centred.
  Placement p = place(kPicture, {1295, 1703});
  EXPECT_EQ(p.scale, 2);
  EXPECT_EQ(p.w, 864);
  EXPECT_EQ(p.h, 1136);
  EXPECT_EQ(p.x, (1295 - 864) / 2);
  EXPECT_EQ(p.y, (1703 - 1136) / 2);
  // The narrower side decides: a wide screen.
  Placement wide = place(kPicture, {1920, 1080});
  EXPECT_EQ(wide.scale, 1);
  EXPECT_EQ(wide.x, (1920 - 432) / 2);
  EXPECT_EQ(wide.y, (1080 - 568) / 2);
}

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("qv-settings-" + std::to_string(getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
    path_ = (folder_ / "settings.ini").string();
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  void write(const std::string& text) { std::ofstream(path_) << text; }
  std::string read() {
    std::stringstream s;
    s << std::ifstream(path_).rdbuf();
    return s.str();
  }
  LoadedSettings load(std::string& warnings) {
    ::testing::internal::CaptureStderr();
    LoadedSettings loaded = load_settings(path_);
    warnings = ::testing::internal::GetCapturedStderr();
    return loaded;
  }

  std::filesystem::path folder_;
  std::string path_;
};

TEST_F(SettingsFile, AGoodFileIsReadWhole) {
  write(
      "; mine\n[window]\nscale = 3\nfullscreen = true\n[sound]\nmusic_volume = 40\n"
      "effects_volume = 0\nsoundfont = /x/y.sf2\n[game]\npause_on_focus_loss = false\n"
      "replays_kept = 0\n[view]\nshow_keys = false\nshow_hit_areas = true\n[keys]\n"
      "space = Z, Return\nleft = A\n");
  std::string warnings;
  LoadedSettings l = load(warnings);
  EXPECT_EQ(warnings, "");
  EXPECT_TRUE(l.writable);
  EXPECT_EQ(l.settings.scale, 3);
  EXPECT_TRUE(l.settings.fullscreen);
  EXPECT_EQ(l.settings.music_volume, 40);
  EXPECT_EQ(l.settings.effects_volume, 0);
  EXPECT_EQ(l.settings.soundfont, "/x/y.sf2");
  EXPECT_FALSE(l.settings.pause_on_focus_loss);
  EXPECT_EQ(l.settings.replays_kept, 0);
  EXPECT_FALSE(l.settings.show_keys);
  EXPECT_TRUE(l.settings.show_hit_areas);
  EXPECT_EQ(l.settings.extra_keys[0], (std::vector<std::string>{"Z", "Return"}));
  EXPECT_EQ(l.settings.extra_keys[1], (std::vector<std::string>{"A"}));
}

TEST_F(SettingsFile, BadValuesAreNamedByLineAndTakeTheirDefaultsWhileTheRestIsUsed) {
  write(
      "[window]\nscale = 9\nfullscreen = true\n[sound]\nmusic_volume = loud\n"
      "effects_volume = 30\n[keys]\nup = NoSuchKey\nbogus = 1\n");
  std::string warnings;
  LoadedSettings l = load(warnings);
  EXPECT_FALSE(l.writable);
  EXPECT_EQ(l.settings.scale, 0);
  EXPECT_TRUE(l.settings.fullscreen);
  EXPECT_EQ(l.settings.music_volume, 100);
  EXPECT_EQ(l.settings.effects_volume, 30);
  EXPECT_TRUE(l.settings.extra_keys[2].empty());
  EXPECT_NE(warnings.find(path_ + ":2:"), std::string::npos) << warnings;
  EXPECT_NE(warnings.find(path_ + ":5:"), std::string::npos) << warnings;
  EXPECT_NE(warnings.find(path_ + ":8:"), std::string::npos) << warnings;
  EXPECT_NE(warnings.find(path_ + ":9:"), std::string::npos) << warnings;
  EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), 4) << warnings;
}

TEST_F(SettingsFile, ALineThatIsNoSettingIsNamedAndTheFileIsNeverOverwritten) {
  write("[window]\nscale = 2\nthis is not a setting\n[sound]\neffects_volume = 10\n");
  std::string warnings;
  LoadedSettings l = load(warnings);
  EXPECT_FALSE(l.writable);
  EXPECT_EQ(l.settings.scale, 2);
  EXPECT_EQ(l.settings.effects_volume, 10);
  EXPECT_NE(warnings.find(path_ + ":3:"), std::string::npos) << warnings;
}

TEST_F(SettingsFile, AMissingFileGivesTheDefaultsAndAnUnreadableOneAWarning) {
  std::string warnings;
  LoadedSettings missing = load(warnings);
  EXPECT_EQ(warnings, "");
  EXPECT_TRUE(missing.writable);
  EXPECT_EQ(missing.settings.music_volume, 100);
  std::filesystem::create_directory(path_);  // a folder where the file should be
  LoadedSettings unreadable = load(warnings);
  EXPECT_FALSE(unreadable.writable);
  EXPECT_NE(warnings.find(path_), std::string::npos);
  // A pipe nobody writes to, and an endless device: neither holds the start nor fills memory.
  std::filesystem::remove(path_);
  ASSERT_EQ(mkfifo(path_.c_str(), 0600), 0);
  EXPECT_FALSE(load(warnings).writable);
  EXPECT_NE(warnings.find("not a regular file"), std::string::npos) << warnings;
  std::filesystem::remove(path_);
  std::filesystem::create_symlink("/dev/zero", path_);
  EXPECT_FALSE(load(warnings).writable);
  EXPECT_NE(warnings.find("not a regular file"), std::string::npos) << warnings;
}

TEST_F(SettingsFile, SavingRewritesOnlyTheWindowLinesAndKeepsThePlayers) {
  write("# my comment\n[window]\n; scale chosen by hand\nscale=1\n\n[sound]\nmusic_volume = 5\n");
  ASSERT_TRUE(save_window_settings(path_, 2, true));
  EXPECT_EQ(read(),
            "# my comment\n[window]\n; scale chosen by hand\nscale = 2\nfullscreen = true\n\n"
            "[sound]\nmusic_volume = 5\n");
  ASSERT_TRUE(save_window_settings(path_, 3, false));
  EXPECT_EQ(read(),
            "# my comment\n[window]\n; scale chosen by hand\nscale = 3\nfullscreen = false\n\n"
            "[sound]\nmusic_volume = 5\n");
  std::string warnings;
  EXPECT_TRUE(load(warnings).writable);
  EXPECT_EQ(warnings, "");
  // Nothing of the temporary file is left beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_), {}), 1);
}

TEST_F(SettingsFile, SavingMakesTheFolderAndTheWindowSection) {
  std::filesystem::remove_all(folder_);
  ASSERT_TRUE(save_window_settings(path_, 1, true));
  EXPECT_EQ(read(), "[window]\nscale = 1\nfullscreen = true\n");
}

TEST_F(SettingsFile, LinesUpTo4096CharactersAreReadWholeAndLongerOnesNamedByTheirLine) {
  const std::string font = "/" + std::string(266, 'f'), longest = "/" + std::string(4083, 'g');
  write("; " + std::string(282, 'c') + "\n[sound]\nsoundfont = " + font + "\n" +
        "soundfont = " + longest + "\n[game]\n; " + std::string(4095, 'x') +
        "\nreplays_kept = 5\n" + "replays_kept = many\n");
  std::string warnings;
  LoadedSettings l = load(warnings);
  EXPECT_EQ(l.settings.soundfont, longest) << "a line of exactly 4096 characters";
  EXPECT_EQ(l.settings.replays_kept, 5);
  EXPECT_NE(warnings.find(path_ + ":6: a line of 4097 characters"), std::string::npos) << warnings;
  EXPECT_NE(warnings.find(path_ + ":8: bad setting"), std::string::npos) << warnings;
  EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), 2) << warnings;
  EXPECT_FALSE(l.writable);
  write("[sound]\nsoundfont = " + font + "\n");
  l = load(warnings);
  EXPECT_EQ(l.settings.soundfont, font);
  EXPECT_EQ(warnings, "");
}

TEST_F(SettingsFile, APauseKeyBoundAsAGameKeyIsNamedAndLeftOut) {
  write("[keys]\nspace = Z\nleft = A, Escape, P\nup = Pause\n");
  std::string warnings;
  LoadedSettings l = load(warnings);
  EXPECT_EQ(l.settings.extra_keys[0], (std::vector<std::string>{"Z"}));
  EXPECT_EQ(l.settings.extra_keys[1], (std::vector<std::string>{"A"}));
  EXPECT_TRUE(l.settings.extra_keys[2].empty());
  EXPECT_NE(warnings.find(path_ + ":3: Escape, P: a pause key"), std::string::npos) << warnings;
  EXPECT_NE(warnings.find(path_ + ":4: Pause: a pause key"), std::string::npos) << warnings;
  EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), 2) << warnings;
}

// A settings file kept as a link into a folder of dotfiles, with a mode of the player's: the
// link stays, its target gets the window's lines beside the player's, keeps its mode and is
// replaced whole; a file the player made read-only is never written.
TEST_F(SettingsFile, SavingWritesWhereALinkPointsKeepsTheModeAndLeavesReadOnlyFilesAlone) {
  namespace fs = std::filesystem;
  struct Case {
    const char* what;
    const char* link;  // where settings.ini points, or "" for a plain file
    fs::perms mode;
    bool saved;
  } cases[] = {
      {"a plain file", "", fs::perms(0640), true},
      {"a relative link", "dotfiles/quelvaris.ini", fs::perms(0644), true},
      {"a link to a link", "dotfiles/again.ini", fs::perms(0664), true},
      {"a read-only file", "", fs::perms(0444), false},
      {"a link to a read-only file", "dotfiles/quelvaris.ini", fs::perms(0400), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "dotfiles");
    fs::path file = path_;
    if (*c.link) {
      file = folder_ / "dotfiles/quelvaris.ini";
      fs::create_symlink(c.link, path_);
      if (std::string(c.link) == "dotfiles/again.ini")
        fs::create_symlink("quelvaris.ini", folder_ / "dotfiles/again.ini");
    }
    std::ofstream(file) << "[sound]\nmusic_volume = 5\n";
    fs::permissions(file, c.mode);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(save_window_settings(path_, 2, true), c.saved);
    std::string warnings = ::testing::internal::GetCapturedStderr();
    std::stringstream text;
    text << std::ifstream(file).rdbuf();
    EXPECT_EQ(text.str(), c.saved ? "[sound]\nmusic_volume = 5\n\n[window]\nscale = 2\n"
                                    "fullscreen = true\n"
                                  : "[sound]\nmusic_volume = 5\n");
    EXPECT_EQ(fs::status(file).permissions(), c.mode);
    EXPECT_EQ(fs::is_symlink(path_), *c.link != 0);
    EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), c.saved ? 0 : 1) << warnings;
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_ / "dotfiles"), {}),
              *c.link ? 1 + (std::string(c.link) == "dotfiles/again.ini") : 0)
        << "nothing of the temporary file is left beside the target";
  }
}

TEST(DesktopOptions, CommandLineOverridesTheSettingsForTheRun) {
  Options o;
  const char* argv[] = {"quelvaris", "--scale", "4", "--window", "--music-volume", "7", "--mute"};
  ASSERT_EQ(parse_options(7, argv, o), kGoOn);
  Settings s;
  s.scale = 2;
  s.fullscreen = true;
  s.soundfont = "/a.sf2";
  PortSettings run = combine(s, o);
  EXPECT_EQ(run.scale, 4);
  EXPECT_FALSE(run.fullscreen);
  EXPECT_EQ(run.audio.soundfont, "/a.sf2");
  EXPECT_EQ(run.audio.music_volume, 0);
  EXPECT_EQ(run.audio.effects_volume, 0);
  for (const char* bad : {"0", "9", "x"}) {
    Options again;
    const char* args[] = {"quelvaris", "--scale", bad};
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(parse_options(3, args, again), 2) << bad;
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("--scale"), std::string::npos);
  }
}

// The replay's options: good ones read, each bad one a line naming it and exit 2.
TEST(DesktopOptions, ReplayOptionsAreCheckedLikeEveryOther) {
  Options o;
  const char* good[] = {"quelvaris", "--replay", "a.keys",      "--from", "1500",
                        "--speed",   "0.25",     "--take-over", "2000"};
  ASSERT_EQ(parse_options(9, good, o), kGoOn);
  EXPECT_EQ(o.from, 1500);
  EXPECT_EQ(o.speed, 0.25);
  EXPECT_EQ(o.take_over, 2000);
  Options practise;
  const char* boss[] = {"quelvaris", "--practice", "boss"};
  ASSERT_EQ(parse_options(3, boss, practise), kGoOn);
  EXPECT_EQ(practise.practice, 2001);
  const std::vector<std::vector<const char*>> bad = {
      {"--replay", "a.keys", "--speed", "3"},
      {"--replay", "a.keys", "--speed", "x"},
      {"--replay", "a.keys", "--from", "-1"},
      {"--replay", "a.keys", "--take-over", "1e3"},
      {"--replay", "a.keys", "--take-over", "720001"},
      {"--from", "10"},
      {"--speed", "2"},
      {"--practice", "10"},
      {"--practice", "Boss"},
      {"--practice", "boss", "--replay", "a.keys"}};
  for (const auto& args : bad) {
    std::vector<const char*> argv = {"quelvaris"};
    argv.insert(argv.end(), args.begin(), args.end());
    Options again;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(parse_options(static_cast<int>(argv.size()), argv.data(), again), 2) << args[0];
    std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  }
}

// The pads, through a virtual joystick on SDL's dummy drivers.
class VirtualPad : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ASSERT_EQ(SDL_Init(SDL_INIT_GAMECONTROLLER | SDL_INIT_EVENTS), 0) << SDL_GetError();
    device_ = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                        SDL_CONTROLLER_BUTTON_MAX, 0);
    ASSERT_GE(device_, 0) << SDL_GetError();
    pump();
    ASSERT_EQ(pads_->count(), 1u);
    joystick_ = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(device_));
    ASSERT_NE(joystick_, nullptr);
  }
  void TearDown() override {
    pads_.reset();  // its controllers close before SDL goes
    SDL_Quit();
  }
  // Hands SDL's controller events to the pads; true when one asked for the pause.
  bool pump() {
    SDL_GameControllerUpdate();
    SDL_Event e;
    bool pause = false;
    while (SDL_PollEvent(&e)) pause |= pads_->handle(e) == Gamepads::Action::pause;
    return pause;
  }
  void button(SDL_GameControllerButton b, bool down) {
    SDL_JoystickSetVirtualButton(joystick_, b, down ? SDL_PRESSED : SDL_RELEASED);
  }
  void axis(SDL_GameControllerAxis a, int16_t value) {
    SDL_JoystickSetVirtualAxis(joystick_, a, value);
  }

  PlayerInput input_;
  std::optional<Gamepads> pads_{std::in_place, input_};
  int device_ = -1;
  SDL_Joystick* joystick_ = nullptr;
};

TEST_F(VirtualPad, DpadStickAndFaceButtonAreTheGameKeysAndStartThePause) {
  button(SDL_CONTROLLER_BUTTON_A, true);
  button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
  EXPECT_FALSE(pump());
  StepKeys k = input_.take();
  EXPECT_EQ(k.held, kKeySpace | kKeyLeft);
  EXPECT_EQ(k.went_down, kKeySpace | kKeyLeft);

  button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, false);
  axis(SDL_CONTROLLER_AXIS_LEFTY, 4000);  // inside the dead zone
  axis(SDL_CONTROLLER_AXIS_LEFTX, 30000);
  pump();
  k = input_.take();
  EXPECT_EQ(k.held, kKeySpace | kKeyRight);
  EXPECT_EQ(k.went_down, kKeyRight);

  axis(SDL_CONTROLLER_AXIS_LEFTY, -20000);
  axis(SDL_CONTROLLER_AXIS_LEFTX, 0);
  button(SDL_CONTROLLER_BUTTON_A, false);
  pump();
  EXPECT_EQ(input_.take().held, kKeyUp);

  button(SDL_CONTROLLER_BUTTON_START, true);
  EXPECT_TRUE(pump());
}

// The settings' [pad] buttons: X fires beside South, the D-pad stays the arrows, and Guide asks
// for the options screen.
TEST_F(VirtualPad, FurtherButtonsActAsTheirGameKeysAndGuideOpensTheOptions) {
  std::array<std::vector<std::string>, kGameKeys> more;
  more[0] = {"x"};
  more[2] = {"dpleft", "rightshoulder"};  // a button's own game key comes first
  pads_->bind_extra_buttons(more);
  button(SDL_CONTROLLER_BUTTON_X, true);
  button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
  pump();
  EXPECT_EQ(input_.take().held, kKeySpace | kKeyLeft);
  button(SDL_CONTROLLER_BUTTON_X, false);
  button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, false);
  button(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, true);
  pump();
  EXPECT_EQ(input_.take().held, kKeyUp);
  button(SDL_CONTROLLER_BUTTON_GUIDE, true);
  SDL_GameControllerUpdate();
  Gamepads::Action asked = Gamepads::Action::none;
  for (SDL_Event e; SDL_PollEvent(&e);)
    if (Gamepads::Action a = pads_->handle(e); a != Gamepads::Action::none) asked = a;
  EXPECT_EQ(asked, Gamepads::Action::options);
}

TEST_F(VirtualPad, PadAndKeyboardCombineAndAnUnpluggedPadLetsGo) {
  SDL_KeyboardEvent key{};
  key.type = SDL_KEYDOWN;
  key.keysym.sym = SDLK_SPACE;
  input_.key_event(key);
  button(SDL_CONTROLLER_BUTTON_A, true);
  button(SDL_CONTROLLER_BUTTON_DPAD_DOWN, true);
  pump();
  EXPECT_EQ(input_.take().held, kKeySpace | kKeyDown);
  button(SDL_CONTROLLER_BUTTON_A, false);  // the keyboard still holds Space
  pump();
  EXPECT_EQ(input_.take().held, kKeySpace | kKeyDown);

  ASSERT_EQ(SDL_JoystickDetachVirtual(device_), 0);
  pump();
  EXPECT_EQ(pads_->count(), 0u);
  EXPECT_EQ(input_.take().held, kKeySpace);
  // Plugged in again during play, it is taken up again.
  device_ = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                      SDL_CONTROLLER_BUTTON_MAX, 0);
  pump();
  EXPECT_EQ(pads_->count(), 1u);
}

TEST(DesktopKeys, ExtraKeysFromTheSettingsActAsTheGameKeys) {
  PlayerInput input;
  std::array<std::vector<std::string>, kGameKeys> extra;
  extra[0] = {"Z"};
  extra[1] = {"A"};
  input.bind_extra_keys(extra);
  SDL_KeyboardEvent e{};
  e.type = SDL_KEYDOWN;
  e.keysym.sym = SDLK_z;
  EXPECT_TRUE(input.key_event(e));
  e.keysym.sym = SDLK_a;
  EXPECT_TRUE(input.key_event(e));
  e.keysym.sym = SDLK_q;
  EXPECT_FALSE(input.key_event(e));
  EXPECT_EQ(input.take().held, kKeySpace | kKeyLeft);
}

// Space and Z both fire: letting go of one while the other is held lets go of nothing, and a
// pad's button holds the game key as a key does.
TEST(DesktopKeys, AGameKeyIsDownWhileAnyKeyOrButtonBoundToItIs) {
  PlayerInput input;
  std::array<std::vector<std::string>, kGameKeys> extra;
  extra[0] = {"Z"};
  input.bind_extra_keys(extra);
  auto key = [&](SDL_Keycode sym, bool down) {
    SDL_KeyboardEvent e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.keysym.sym = sym;
    input.key_event(e);
    return input.take();
  };
  struct Step {
    const char* what;
    SDL_Keycode sym;  // 0: the pad's face button
    bool down;
    uint8_t held, went_down;
  } steps[] = {
      {"Space goes down", SDLK_SPACE, true, kKeySpace, kKeySpace},
      {"Z joins it", SDLK_z, true, kKeySpace, 0},
      {"Z is let go of", SDLK_z, false, kKeySpace, 0},
      {"Z again", SDLK_z, true, kKeySpace, 0},
      {"Space is let go of", SDLK_SPACE, false, kKeySpace, 0},
      {"the pad's button", 0, true, kKeySpace, 0},
      {"Z is let go of", SDLK_z, false, kKeySpace, 0},
      {"the pad lets go", 0, false, 0, 0},
      {"Z alone", SDLK_z, true, kKeySpace, kKeySpace},
      {"Z up", SDLK_z, false, 0, 0},
  };
  for (const Step& s : steps) {
    StepKeys k;
    if (s.sym) {
      k = key(s.sym, s.down);
    } else {
      input.pad_key(VK_SPACE, s.down);
      k = input.take();
    }
    EXPECT_EQ(k.held, s.held) << s.what;
    EXPECT_EQ(k.went_down, s.went_down) << s.what;
  }
}

// Only a resize the player makes is kept: not the window manager's answer to the size the game
// asked for (a window larger than the desktop shrunk, a tiling window manager's tile), not a
// size while the window is maximized, on the whole screen or without the focus, and never the
// scale an option gave for one run.
TEST(DesktopWindowChoice, OnlyAResizeThePlayerMakesIsSaved) {
  constexpr uint32_t settle = WindowChoice::kSettleMs;
  const WindowState focused{true, false, false}, unfocused{false, false, false},
      maximized{true, true, false}, whole_screen{true, false, true};
  struct Event {
    const char* what;
    uint32_t at_ms;
    bool size_changed;
    int scale;
    WindowState state;
    bool saved;
  } events[] = {
      {"the window opens (--scale 8)", 100, false, 8, focused, false},
      {"the window manager shrinks it", 150, true, 2, focused, false},
      {"a tiling window manager's tile", 100 + settle - 1, true, 1, focused, false},
      {"the player resizes it", 100 + settle, true, 3, focused, true},
      {"to the same scale", 200 + settle, true, 3, focused, false},
      {"resized without the focus", 300 + settle, true, 1, unfocused, false},
      {"maximized", 400 + settle, true, 4, maximized, false},
      {"on the whole screen", 500 + settle, true, 4, whole_screen, false},
      {"the player resizes it again", 600 + settle, true, 1, focused, true},
  };
  WindowChoice choice(0, false);
  for (const Event& e : events) {
    EXPECT_EQ(choice.window_event(e.at_ms, e.size_changed, e.scale, e.state), e.saved) << e.what;
    if (e.saved) {
      EXPECT_EQ(choice.scale(), e.scale) << e.what;
    }
  }
  // Leaving the whole screen asks for the window's size again: the answer is no choice.
  choice.fullscreen_chosen(false);
  choice.asked_for_size();
  EXPECT_FALSE(choice.window_event(5000, true, 2, focused));
  EXPECT_TRUE(choice.window_event(5000 + settle, true, 2, focused));
  // Run-only options never reach the file: what is saved starts from the settings.
  WindowChoice saved(5, true);
  EXPECT_EQ(saved.scale(), 5);
  EXPECT_TRUE(saved.fullscreen());
  EXPECT_FALSE(saved.window_event(0, true, 8, focused)) << "--scale 8 opens the window";
  EXPECT_EQ(saved.scale(), 5);
}

// A clock the test moves by hand, standing for the real one.
class HandClock final : public Clock {
 public:
  uint64_t now_us() const override { return now_; }
  void advance_ms(uint64_t ms) { now_ += ms * 1000; }

 private:
  uint64_t now_ = 1000000;
};

// The hosts' rule for due steps on a hand-moved clock: the player presses keys at moments of play
// time (the time the game has run, pauses left out); with `pause_at_ms` the player pauses then for
// `pause_ms` of real time and taps Right meanwhile, which must count for nothing.
std::string play_with_pause(int64_t pause_at_ms, int64_t pause_ms) {
  HandClock real;
  StepPacer pacer(real);
  PlayerInput input;
  SilentSink silent;
  Game game(silent, KeySource::keyboard);
  std::ostringstream trace;
  TraceWriter writer(trace);
  game.set_observer(&writer);
  pacer.start();
  game.start(7);
  auto key = [&input](SDL_Keycode sym, bool down) {
    SDL_KeyboardEvent e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.keysym.sym = sym;
    input.key_event(e);
  };
  int64_t played_ms = 0;
  for (int64_t real_ms = 0; played_ms < 6000; ++real_ms, real.advance_ms(1)) {
    if (pause_ms > 0 && played_ms == pause_at_ms && !pacer.paused()) {
      pacer.pause();
      input.ignore_presses(true);
      for (int64_t t = 0; t < pause_ms; ++t, real.advance_ms(1)) {
        if (t == pause_ms / 2) key(SDLK_RIGHT, true);
        if (t == pause_ms / 2 + 50) key(SDLK_RIGHT, false);
      }
      pacer.resume();
      input.ignore_presses(false);
      // The paused time is left out: the next step is due as it was when the pause began,
      // with no burst of steps to catch up.
      EXPECT_GT(pacer.due_us(game.current_step() + 1) + kStepMs * 1000, pacer.now_us());
      pause_ms = 0;
    }
    if (played_ms == 1500) key(SDLK_SPACE, true);  // the title counts keys after a second
    if (played_ms == 1600) key(SDLK_SPACE, false);
    if (played_ms == 2500) key(SDLK_LEFT, true);
    if (played_ms == 3300) key(SDLK_LEFT, false);
    run_due_steps(pacer, game, [&](int64_t) { return game.step(input.take()); });
    played_ms = game.current_step() * kStepMs;
  }
  return trace.str();
}

TEST(DesktopPause, APauseInPlayLeavesTheGameAsIfItHadNotBeen) {
  std::string straight = play_with_pause(0, 0);
  ASSERT_GT(straight.size(), 0u);
  EXPECT_TRUE(straight == play_with_pause(2800, 4000)) << "the pause changed the game";
  EXPECT_TRUE(straight == play_with_pause(1550, 700)) << "a pause while Space was held";
}

}  // namespace
}  // namespace qv
