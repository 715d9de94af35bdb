// What stays from one run to the next: the settings file
// `$XDG_CONFIG_HOME/quelvaris/settings.ini` (by default ~/.config/quelvaris/settings.ini).
// A bad line gets one warning and its default; the rest of the file is used. The game writes
// back only the window's scale and fullscreen, and only into a file it read without fault.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "audio/audio_sdl.hpp"
#include "desktop/options.hpp"
#include "game/game.hpp"

namespace qv {

struct Settings {
  int scale = 0;  // 0: the largest that fits the desktop
  bool fullscreen = false;
  int music_volume = 100;
  int effects_volume = 100;
  std::string soundfont;  // empty: the usual search
  bool pause_on_focus_loss = true;
  int replays_kept = 20;
  // The aids for studying a game: the keys, while a replay is watched or a practice played
  // (never in a plain game); the hit areas in any game.
  bool show_keys = true;
  bool show_hit_areas = false;
  std::array<std::vector<std::string>, kGameKeys> extra_keys;  // SDL key names, per game key
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

// Writes scale and fullscreen into the file, atomically, keeping every other line as the
// player wrote it. A file kept as a symbolic link is written where the link points, with the
// mode it had; one the player made read-only is left alone. False (with a warning) when it was
// not written.
bool save_window_settings(const std::string& path, int scale, bool fullscreen);

// What this run uses: the settings, with the command line's options over them.
struct PortSettings {
  int scale = 0;
  bool fullscreen = false;
  AudioChoices audio;
};
PortSettings combine(const Settings& settings, const Options& options);

}  // namespace qv
