#include "desktop/settings.hpp"

#include <SDL.h>
#include <ini.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "desktop/board_account.hpp"
#include "front/input.hpp"
#include "system/blanks.hpp"
#include "system/numbers.hpp"
#include "system/platform.hpp"
#include "system/printable.hpp"

namespace qv {
namespace {

bool parse_int(const char* text, int low, int high, int& out) {
  std::optional<int64_t> v = read_whole_number(trimmed(text), low, high);
  if (v) out = static_cast<int>(*v);
  return v.has_value();
}

bool parse_bool(const char* text, bool& out) {
  std::string t = trimmed(text);
  for (char& c : t) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (t == "true" || t == "yes" || t == "on" || t == "1") return out = true, true;
  if (t == "false" || t == "no" || t == "off" || t == "0") return out = false, true;
  return false;
}

// Comma separated SDL key names; every one must be a key SDL knows. The pause keys pause
// whatever they are bound to: such a name is left out, and given back in `pause_keys`.
bool parse_keys(const char* text, std::vector<std::string>& out, std::string& pause_keys) {
  std::vector<std::string> names;
  std::stringstream list{std::string(text)};
  for (std::string name; std::getline(list, name, ',');) {
    name = trimmed(name);
    if (name.empty()) continue;
    SDL_Keycode key = SDL_GetKeyFromName(name.c_str());
    if (key == SDLK_UNKNOWN) return false;
    if (!is_pause_key(key)) {
      names.push_back(name);
      continue;
    }
    if (!pause_keys.empty()) pause_keys += ", ";
    pause_keys += name;
  }
  out = std::move(names);
  return true;
}

// The longest line read; a longer one is a fault of its own. inih's own buffer is far shorter
// (200 bytes) unless told otherwise, and it would cut a line and read the rest as the next.
constexpr size_t kLongestLine = 4096;
// A file of settings is a few hundred bytes; one past this is no settings file of ours.
constexpr size_t kLargestSettings = 1 << 20;

// The reader hands inih one whole line of the file at a time, counting them, so that a value
// found bad can be named by its line (the packaged inih does not pass line numbers to the
// handler) and a line too long is named and left out rather than cut.
struct Reading {
  std::string_view rest;  // of the file, read whole
  std::string path;
  int line = 0;
  Settings settings;
  bool faulty = false;
  bool quiet = false;  // looked at again before writing: its faults were told at the start
  std::string text;    // the line being read
};

// A fault of the file, on stderr, unless the file is only looked at again.
template <typename... Args>
void warn(const Reading& r, const char* format, Args... args) {
  if (!r.quiet) std::fprintf(stderr, format, args...);
}

// The next line of the file with its newline, and its length without it; false at the end.
// Of a line too long to use only the start is kept.
bool next_line(std::string_view& rest, std::string& text, size_t& length) {
  if (rest.empty()) return false;
  size_t end = rest.find('\n');
  length = end == std::string_view::npos ? rest.size() : end;
  text.assign(rest.substr(0, std::min(length, kLongestLine + 1)));
  if (end != std::string_view::npos) text.push_back('\n');
  rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
  return true;
}

char* read_line(char* str, int num, void* stream) {
  auto* r = static_cast<Reading*>(stream);
  size_t length = 0;
  if (!next_line(r->rest, r->text, length)) return nullptr;
  ++r->line;
  if (length > kLongestLine || r->text.size() + 1 > static_cast<size_t>(num)) {
    warn(*r, "quelvaris: %s:%d: a line of %zu characters, longer than %zu, is left out\n",
         printable(r->path).c_str(), r->line, length, kLongestLine);
    r->faulty = true;
    std::memcpy(str, "\n", 2);  // inih still counts the line
    return str;
  }
  std::memcpy(str, r->text.c_str(), r->text.size() + 1);
  return str;
}

// inih reads into a buffer of its own, by default 200 bytes on the stack: one on the heap
// that holds our longest line, its newline (or "\r\n") and the terminating zero instead.
void let_inih_read_long_lines() {
  ini_use_stack = false;
  ini_allow_realloc = false;
  ini_max_line = ini_initial_alloc = static_cast<int>(kLongestLine + 3);
}

bool apply(Settings& s, std::string_view section, std::string_view name, const char* value) {
  if (section == "window") {
    if (name == "scale") return parse_int(value, 0, 8, s.scale);
    if (name == "fullscreen") return parse_bool(value, s.fullscreen);
  } else if (section == "sound") {
    if (name == "music_volume") return parse_int(value, 0, 100, s.music_volume);
    if (name == "effects_volume") return parse_int(value, 0, 100, s.effects_volume);
    if (name == "soundfont") return s.soundfont = trimmed(value), true;
    if (name == "mute") return parse_bool(value, s.mute);
  } else if (section == "view") {
    if (name == "show_keys") return parse_bool(value, s.show_keys);
    if (name == "show_hit_areas") return parse_bool(value, s.show_hit_areas);
  } else if (section == "game") {
    if (name == "pause_on_focus_loss") return parse_bool(value, s.pause_on_focus_loss);
    if (name == "replays_kept") return parse_int(value, 0, 100000, s.replays_kept);
  } else if (section == "board") {
    std::string why;
    if (name == "url") return s.board_url = trimmed(value), board_url(s.board_url, why).has_value();
  }
  return false;
}

// A game key's further keys; a pause key among them is named and left out.
bool apply_keys(Reading& r, std::string_view name, const char* value) {
  for (int k = 0; k < kGameKeys; ++k) {
    if (name != kGameKeyName[k]) continue;
    std::string pause_keys;
    if (!parse_keys(value, r.settings.extra_keys[static_cast<size_t>(k)], pause_keys)) return false;
    if (!pause_keys.empty()) {
      warn(r, "quelvaris: %s:%d: %s: a pause key is no game key, left out\n",
           printable(r.path).c_str(), r.line, printable(pause_keys).c_str());
      r.faulty = true;
    }
    return true;
  }
  return false;
}

// Comma separated names of a game controller's buttons, as SDL names them ("x", "leftshoulder").
// Start, Back and Guide are the window's (pause, table, options): never a game key's.
bool parse_buttons(const char* text, std::vector<std::string>& out) {
  std::vector<std::string> names;
  std::stringstream list{std::string(text)};
  for (std::string name; std::getline(list, name, ',');) {
    name = trimmed(name);
    if (name.empty()) continue;
    SDL_GameControllerButton b = SDL_GameControllerGetButtonFromString(name.c_str());
    if (b == SDL_CONTROLLER_BUTTON_INVALID || b == SDL_CONTROLLER_BUTTON_START ||
        b == SDL_CONTROLLER_BUTTON_BACK || b == SDL_CONTROLLER_BUTTON_GUIDE)
      return false;
    names.push_back(name);
  }
  out = std::move(names);
  return true;
}

bool apply_buttons(Settings& s, std::string_view name, const char* value) {
  for (int k = 0; k < kGameKeys; ++k)
    if (name == kGameKeyName[k])
      return parse_buttons(value, s.extra_buttons[static_cast<size_t>(k)]);
  return false;
}

int on_value(void* user, const char* section, const char* name, const char* value) {
  auto* r = static_cast<Reading*>(user);
  std::string_view in(section);
  bool good = in == "keys"  ? apply_keys(*r, name, value)
              : in == "pad" ? apply_buttons(r->settings, name, value)
                            : apply(r->settings, section, name, value);
  if (!good) {
    warn(*r, "quelvaris: %s:%d: bad setting [%s] %s = %s, the default is used\n",
         printable(r->path).c_str(), r->line, printable(section).c_str(), printable(name).c_str(),
         printable(value).c_str());
    r->faulty = true;
  }
  return 1;
}

std::string key_of(const std::string& line) {
  size_t eq = line.find_first_of("=:");
  return eq == std::string::npos ? std::string() : trimmed(std::string_view(line).substr(0, eq));
}

std::string section_of(const std::string& line) {
  std::string t = trimmed(line);
  if (t.size() < 2 || t.front() != '[') return {};
  size_t close = t.find(']');
  return close == std::string::npos ? std::string() : trimmed(t.substr(1, close - 1));
}

// The file's lines with `values` set: each in place where its section has it (every such line,
// as the player may have written one twice), else at the end of its section, else in a new
// section at the end of the file.
std::vector<std::string> with_values(std::vector<std::string> lines,
                                     const std::vector<SettingLine>& values) {
  for (const SettingLine& v : values) {
    const std::string line = v.name + " = " + v.value;
    bool inside = false, found = false;
    long section_end = -1;  // the index after the section's last value line
    for (size_t i = 0; i < lines.size(); ++i) {
      std::string t = trimmed(lines[i]);
      if (!t.empty() && t.front() == '[') {
        inside = section_of(t) == v.section;
        if (inside) section_end = static_cast<long>(i) + 1;
        continue;
      }
      if (!inside || t.empty() || t.front() == ';' || t.front() == '#') continue;
      section_end = static_cast<long>(i) + 1;
      if (key_of(t) == v.name) lines[i] = line, found = true;
    }
    if (found) continue;
    if (section_end < 0) {
      if (!lines.empty() && !trimmed(lines.back()).empty()) lines.push_back("");
      lines.push_back("[" + v.section + "]");
      section_end = static_cast<long>(lines.size());
    }
    lines.insert(lines.begin() + section_end, line);
  }
  return lines;
}

std::string names_text(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& n : names) text += (text.empty() ? "" : ", ") + n;
  return text;
}

const char* bool_text(bool b) {
  return b ? "true" : "false";
}

bool write_atomically(const std::string& path, const std::string& text) {
  std::error_code ec;
  std::filesystem::create_directories(path_from_utf8(path).parent_path(), ec);
  if (ec) {
    errno = ec.value();
    return false;
  }
  return replace_file(path, text);
}

}  // namespace

LoadedSettings load_settings(const std::string& path) {
  LoadedSettings loaded;
  std::string text;
  FileRead got = read_regular_file(path, kLargestSettings, text);
  if (!got.ok()) {
    if (got.outcome == FileRead::unopened && got.error == ENOENT)
      return loaded;  // nothing saved yet: the defaults
    std::fprintf(stderr, "quelvaris: %s: cannot read the settings (%s), the defaults are used\n",
                 printable(path).c_str(), got.why(kLargestSettings).c_str());
    loaded.writable = false;
    return loaded;
  }
  return read_settings_text(text, path, false);
}

LoadedSettings read_settings_text(std::string_view text, const std::string& path, bool quiet) {
  LoadedSettings loaded;
  Reading r;
  r.rest = text;
  r.path = path;
  r.quiet = quiet;
  let_inih_read_long_lines();
  int error = ini_parse_stream(read_line, &r, on_value, &r);
  if (error > 0)  // a line that is no setting at all
    warn(r, "quelvaris: %s:%d: not a setting, the line is left out\n", printable(path).c_str(),
         error);
  loaded.settings = r.settings;
  loaded.writable = error == 0 && !r.faulty;
  return loaded;
}

PortSettings combine(const Settings& settings, const Options& options) {
  PortSettings run;
  run.scale = options.scale.value_or(settings.scale);
  run.fullscreen = options.fullscreen.value_or(settings.fullscreen);
  run.audio.soundfont = options.soundfont.value_or(settings.soundfont);
  const bool mute = options.mute || settings.mute;
  run.audio.music_volume = mute ? 0 : options.music_volume.value_or(settings.music_volume);
  run.audio.effects_volume = mute ? 0 : options.effects_volume.value_or(settings.effects_volume);
  return run;
}

bool save_window_settings(const std::string& path, int scale, bool fullscreen) {
  return save_settings(path, {{"window", "scale", std::to_string(scale)},
                              {"window", "fullscreen", bool_text(fullscreen)}});
}

bool save_settings(const std::string& path, const std::vector<SettingLine>& values) {
  const std::string file = file_behind_links(path);
  if (read_only_file(file)) {
    std::fprintf(stderr, "quelvaris: %s is read-only, the settings are not saved\n",
                 printable(file).c_str());
    return false;
  }
  std::string old_text;
  FileRead got = read_regular_file(file, kLargestSettings, old_text);
  if (!got.ok() && !(got.outcome == FileRead::unopened && got.error == ENOENT)) {
    std::fprintf(stderr, "quelvaris: %s: cannot read the settings (%s), they are not saved\n",
                 printable(file).c_str(), got.why(kLargestSettings).c_str());
    return false;
  }
  // A line the game cannot read may be the player's work in progress: never rewritten.
  if (!read_settings_text(old_text, file, true).writable) {
    std::fprintf(stderr, "quelvaris: %s has a line the game cannot read, it is not saved\n",
                 printable(file).c_str());
    return false;
  }
  std::vector<std::string> lines;
  std::istringstream in(old_text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::string text;
  for (const std::string& line : with_values(std::move(lines), values)) text += line + "\n";
  if (write_atomically(file, text)) return true;
  std::fprintf(stderr, "quelvaris: %s: cannot save the settings (%s)\n", printable(file).c_str(),
               std::strerror(errno));
  return false;
}

std::vector<SettingLine> changed_lines(const Settings& before, const Settings& after) {
  std::vector<SettingLine> out;
  auto number = [&](const char* section, const char* name, int was, int is) {
    if (was != is) out.push_back({section, name, std::to_string(is)});
  };
  auto flag = [&](const char* section, const char* name, bool was, bool is) {
    if (was != is) out.push_back({section, name, bool_text(is)});
  };
  number("window", "scale", before.scale, after.scale);
  flag("window", "fullscreen", before.fullscreen, after.fullscreen);
  number("sound", "music_volume", before.music_volume, after.music_volume);
  number("sound", "effects_volume", before.effects_volume, after.effects_volume);
  flag("sound", "mute", before.mute, after.mute);
  if (before.soundfont != after.soundfont) out.push_back({"sound", "soundfont", after.soundfont});
  for (size_t k = 0; k < kGameKeys; ++k) {
    if (before.extra_keys[k] != after.extra_keys[k])
      out.push_back({"keys", kGameKeyName[k], names_text(after.extra_keys[k])});
    if (before.extra_buttons[k] != after.extra_buttons[k])
      out.push_back({"pad", kGameKeyName[k], names_text(after.extra_buttons[k])});
  }
  flag("view", "show_keys", before.show_keys, after.show_keys);
  flag("view", "show_hit_areas", before.show_hit_areas, after.show_hit_areas);
  return out;
}

OptionValues option_values(const Settings& s) {
  OptionValues v;
  v.scale = s.scale;
  v.fullscreen = s.fullscreen;
  v.music_volume = s.music_volume;
  v.effects_volume = s.effects_volume;
  v.mute = s.mute;
  v.soundfont = s.soundfont;
  v.extra_keys = s.extra_keys;
  v.extra_buttons = s.extra_buttons;
  v.show_keys = s.show_keys;
  v.show_hit_areas = s.show_hit_areas;
  return v;
}

void take_option_values(Settings& s, const OptionValues& v) {
  s.scale = v.scale;
  s.fullscreen = v.fullscreen;
  s.music_volume = v.music_volume;
  s.effects_volume = v.effects_volume;
  s.mute = v.mute;
  s.soundfont = v.soundfont;
  s.extra_keys = v.extra_keys;
  s.extra_buttons = v.extra_buttons;
  s.show_keys = v.show_keys;
  s.show_hit_areas = v.show_hit_areas;
}

}  // namespace qv
