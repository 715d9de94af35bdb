#include "front/options_text.hpp"

#include <sstream>

#include "system/blanks.hpp"
#include "system/numbers.hpp"

namespace qv {
namespace {

std::string names(const std::vector<std::string>& list) {
  std::string text;
  for (const std::string& n : list) text += (text.empty() ? "" : ", ") + n;
  return text;
}

std::vector<std::string> name_list(const std::string& text) {
  std::vector<std::string> out;
  std::stringstream in(text);
  for (std::string n; std::getline(in, n, ',');)
    if (!trimmed(n).empty() && out.size() < kMoreKeys) out.push_back(trimmed(n));
  return out;
}

void read_flag(const std::string& value, bool& out) {
  if (value == "true") out = true;
  if (value == "false") out = false;
}

void read_volume(const std::string& value, int& out) {
  if (std::optional<int64_t> n = read_whole_number(value, 0, 100)) out = static_cast<int>(*n);
}

}  // namespace

std::string options_text(const OptionValues& v) {
  std::ostringstream out;
  out << "music_volume = " << v.music_volume << "\neffects_volume = " << v.effects_volume
      << "\nmute = " << (v.mute ? "true" : "false")
      << "\nshow_keys = " << (v.show_keys ? "true" : "false")
      << "\nshow_hit_areas = " << (v.show_hit_areas ? "true" : "false") << "\n";
  for (size_t k = 0; k < kGameKeys; ++k) {
    out << "keys." << kGameKeyName[k] << " = " << names(v.extra_keys[k]) << "\n";
    out << "pad." << kGameKeyName[k] << " = " << names(v.extra_buttons[k]) << "\n";
  }
  return out.str();
}

OptionValues read_options_text(const std::string& text, OptionValues v) {
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string name = trimmed(line.substr(0, eq)), value = trimmed(line.substr(eq + 1));
    if (name == "music_volume") read_volume(value, v.music_volume);
    if (name == "effects_volume") read_volume(value, v.effects_volume);
    if (name == "mute") read_flag(value, v.mute);
    if (name == "show_keys") read_flag(value, v.show_keys);
    if (name == "show_hit_areas") read_flag(value, v.show_hit_areas);
    for (size_t k = 0; k < kGameKeys; ++k) {
      // A key the window keeps for itself never steers the game, whatever the storage says.
      if (name == std::string("keys.") + kGameKeyName[k]) {
        v.extra_keys[k].clear();
        for (const std::string& n : name_list(value))
          if (refusal_of_key(n).empty() && own_game_key(n) < 0) v.extra_keys[k].push_back(n);
      }
      if (name == std::string("pad.") + kGameKeyName[k]) {
        v.extra_buttons[k].clear();
        for (const std::string& n : name_list(value))
          if (refusal_of_button(n).empty() && own_game_button(n) < 0)
            v.extra_buttons[k].push_back(n);
      }
    }
  }
  return v;
}

}  // namespace qv
