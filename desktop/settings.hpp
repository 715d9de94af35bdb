// What stays from one run to the next: the settings file
// `$XDG_CONFIG_HOME/quelvaris/settings.ini` (by default ~/.config/quelvaris/settings.ini).
// A bad line gets one warning and its default; the rest of the file is used. The game writes
// back what the player changes in the window and on the options screen, and only into a file
// that holds no line it cannot read.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "audio/audio_sdl.hpp"
#include "desktop/options.hpp"
#include "front/options_menu.hpp"
#include "game/game.hpp"

namespace qv {

struct Settings {
  int scale = 0;  // 0: the largest that fits the desktop
  bool fullscreen = false;
  int music_volume = 100;
  int effects_volume = 100;
  bool mute = false;
  std::string soundfont;  // empty: the usual search
  bool pause_on_focus_loss = true;
  int replays_kept = 20;
  std::array<std::vector<std::string>, kGameKeys> extra_keys;     // SDL key names, per game key
  std::array<std::vector<std::string>, kGameKeys> extra_buttons;  // SDL pad button names
  bool show_keys = true;  // the keys held, shown while watching and practising
  bool show_hit_areas = false;
  std::string board_url;  // the online board's address, as --board gives it
};

// Where the settings live, from the environment.
std::string settings_path();

struct LoadedSettings {
  Settings settings;
  bool writable = true;  // false when the file had a fault: it is never overwritten then
};

// Reads the file; a missing file gives the defaults. Faults are warned of on stderr.
LoadedSettings load_settings(const std::string& path);
// Reads the text of a settings file kept at `path`; `quiet`: its faults are not told.
LoadedSettings read_settings_text(std::string_view text, const std::string& path, bool quiet);

// One line of the file to set: `name = value` in `[section]`.
struct SettingLine {
  std::string section, name, value;
};

// Writes scale and fullscreen into the file, atomically, keeping every other line as the
// player wrote it. A file kept as a symbolic link is written where the link points, with the
// mode it had; one the player made read-only is left alone. False (with a warning) when it was
// not written.
bool save_window_settings(const std::string& path, int scale, bool fullscreen);
// The same for any values: each set where the file has it, else added to its section. A file
// that now holds a line the game cannot read is not written either.
bool save_settings(const std::string& path, const std::vector<SettingLine>& values);
// The lines of what differs from `before` in `after`, of what the options screen changes.
std::vector<SettingLine> changed_lines(const Settings& before, const Settings& after);

// The options screen's values from the settings, and back.
OptionValues option_values(const Settings& s);
void take_option_values(Settings& s, const OptionValues& v);

// What this run uses: the settings, with the command line's options over them.
struct PortSettings {
  int scale = 0;
  bool fullscreen = false;
  AudioChoices audio;
};
PortSettings combine(const Settings& settings, const Options& options);

}  // namespace qv
