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
#include "system/numbers.hpp"
#include "system/platform.hpp"
#include "system/printable.hpp"

namespace qv {
namespace {

std::string trim(std::string_view s) {
  size_t b = s.find_first_not_of(" \t\r\n"), e = s.find_last_not_of(" \t\r\n");
  return b == std::string_view::npos ? std::string() : std::string(s.substr(b, e - b + 1));
}

bool parse_int(const char* text, int low, int high, int& out) {
  std::optional<int64_t> v = read_whole_number(trim(text), low, high);
  if (v) out = static_cast<int>(*v);
  return v.has_value();
}

bool parse_bool(const char* text, bool& out) {
  std::string t = trim(text);
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
    name = trim(name);
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
  std::string text;  // the line being read
};

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
    std::fprintf(stderr,
                 "quelvaris: %s:%d: a line of %zu characters, longer than %zu, is left out\n",
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
    if (name == "soundfont") return s.soundfont = trim(value), true;
  } else if (section == "game") {
    if (name == "pause_on_focus_loss") return parse_bool(value, s.pause_on_focus_loss);
    if (name == "replays_kept") return parse_int(value, 0, 100000, s.replays_kept);
  } else if (section == "board") {
    std::string why;
    if (name == "url") return s.board_url = trim(value), board_url(s.board_url, why).has_value();
  } else if (section == "view") {
    if (name == "show_keys") return parse_bool(value, s.show_keys);
    if (name == "show_hit_areas") return parse_bool(value, s.show_hit_areas);
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
      std::fprintf(stderr, "quelvaris: %s:%d: %s: a pause key is no game key, left out\n",
                   printable(r.path).c_str(), r.line, printable(pause_keys).c_str());
      r.faulty = true;
    }
    return true;
  }
  return false;
}

int on_value(void* user, const char* section, const char* name, const char* value) {
  auto* r = static_cast<Reading*>(user);
  bool good = std::string_view(section) == "keys" ? apply_keys(*r, name, value)
                                                  : apply(r->settings, section, name, value);
  if (!good) {
    std::fprintf(stderr, "quelvaris: %s:%d: bad setting [%s] %s = %s, the default is used\n",
                 printable(r->path).c_str(), r->line, printable(section).c_str(),
                 printable(name).c_str(), printable(value).c_str());
    r->faulty = true;
  }
  return 1;
}

std::string key_of(const std::string& line) {
  size_t eq = line.find_first_of("=:");
  return eq == std::string::npos ? std::string() : trim(std::string_view(line).substr(0, eq));
}

std::string section_of(const std::string& line) {
  std::string t = trim(line);
  if (t.size() < 2 || t.front() != '[') return {};
  size_t close = t.find(']');
  return close == std::string::npos ? std::string() : trim(t.substr(1, close - 1));
}

// The file's lines with scale and fullscreen set: in place where they are, else at the end
// of the [window] section, else in a new [window] section.
std::vector<std::string> with_window_lines(std::vector<std::string> lines, int scale,
                                           bool fullscreen) {
  const std::string scale_line = "scale = " + std::to_string(scale);
  const std::string full_line = std::string("fullscreen = ") + (fullscreen ? "true" : "false");
  bool in_window = false, have_scale = false, have_full = false;
  long window_end = -1;  // the index after the [window] section's last value line
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string t = trim(lines[i]);
    if (!t.empty() && t.front() == '[') {
      in_window = section_of(t) == "window";
      if (in_window) window_end = static_cast<long>(i) + 1;
      continue;
    }
    if (!in_window || t.empty() || t.front() == ';' || t.front() == '#') continue;
    window_end = static_cast<long>(i) + 1;
    std::string key = key_of(t);
    if (key == "scale") lines[i] = scale_line, have_scale = true;
    if (key == "fullscreen") lines[i] = full_line, have_full = true;
  }
  std::vector<std::string> missing;
  if (!have_scale) missing.push_back(scale_line);
  if (!have_full) missing.push_back(full_line);
  if (window_end < 0) {
    if (!lines.empty() && !trim(lines.back()).empty()) lines.push_back("");
    lines.push_back("[window]");
    window_end = static_cast<long>(lines.size());
  }
  lines.insert(lines.begin() + window_end, missing.begin(), missing.end());
  return lines;
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
  Reading r;
  r.rest = text;
  r.path = path;
  let_inih_read_long_lines();
  int error = ini_parse_stream(read_line, &r, on_value, &r);
  if (error > 0)  // a line that is no setting at all
    std::fprintf(stderr, "quelvaris: %s:%d: not a setting, the line is left out\n",
                 printable(path).c_str(), error);
  loaded.settings = r.settings;
  loaded.writable = error == 0 && !r.faulty;
  return loaded;
}

PortSettings combine(const Settings& settings, const Options& options) {
  PortSettings run;
  run.scale = options.scale.value_or(settings.scale);
  run.fullscreen = options.fullscreen.value_or(settings.fullscreen);
  run.audio.soundfont = options.soundfont.value_or(settings.soundfont);
  run.audio.music_volume = options.mute ? 0 : options.music_volume.value_or(settings.music_volume);
  run.audio.effects_volume =
      options.mute ? 0 : options.effects_volume.value_or(settings.effects_volume);
  return run;
}

bool save_window_settings(const std::string& path, int scale, bool fullscreen) {
  const std::string file = file_behind_links(path);
  if (read_only_file(file)) {
    std::fprintf(stderr, "quelvaris: %s is read-only, the window's settings are not saved\n",
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
  std::vector<std::string> lines;
  std::istringstream in(old_text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::string text;
  for (const std::string& line : with_window_lines(std::move(lines), scale, fullscreen))
    text += line + "\n";
  if (write_atomically(file, text)) return true;
  std::fprintf(stderr, "quelvaris: %s: cannot save the settings (%s)\n", printable(file).c_str(),
               std::strerror(errno));
  return false;
}

}  // namespace qv
