#include "front/options_menu.hpp"

#include <algorithm>
#include <cctype>

namespace qv {
namespace {

constexpr const char* kOwnKey[kGameKeys] = {"Space", "Left", "Up", "Right", "Down"};
constexpr const char* kOwnButton[kGameKeys] = {"a", "dpleft", "dpup", "dpright", "dpdown"};
constexpr const char* kTitle[kGameKeys] = {"FIRE", "LEFT", "UP", "RIGHT", "DOWN"};
constexpr int kVolumeStep = 10;
constexpr size_t kLabelWidth = 16;

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool same_name(const std::string& a, const std::string& b) {
  return upper(a) == upper(b);
}

std::string joined(const char* own, const std::vector<std::string>& more) {
  std::string text = own;
  for (const std::string& m : more) text += ", " + m;
  return text;
}

std::string on_off(bool on) {
  return on ? "ON" : "OFF";
}

std::string file_name(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

int index_of(OptionsMenu::Entry e) {
  return static_cast<int>(e);
}

bool in(OptionsMenu::Entry e, OptionsMenu::Entry first, OptionsMenu::Entry last) {
  return index_of(e) >= index_of(first) && index_of(e) <= index_of(last);
}

}  // namespace

std::string game_key_title(int game_key) {
  return kTitle[game_key];
}

int own_game_key(const std::string& name) {
  for (int k = 0; k < kGameKeys; ++k)
    if (same_name(name, kOwnKey[k])) return k;
  return -1;
}

int own_game_button(const std::string& name) {
  for (int k = 0; k < kGameKeys; ++k)
    if (same_name(name, kOwnButton[k])) return k;
  return -1;
}

std::string refusal_of_key(const std::string& name) {
  const std::string n = upper(name);
  if (n == "P" || n == "PAUSE" || n == "ESCAPE") return upper(name) + " PAUSES THE GAME";
  if (n == "F1") return "F1 OPENS THE OPTIONS";
  if (n == "F11") return "F11 IS THE WHOLE SCREEN";
  if (n == "TAB") return "TAB SHOWS THE BEST RUNS";
  if (n == "RETURN" || n == "KEYPAD ENTER") return "ENTER TAKES A REPLAY OVER";
  if (n.empty()) return "THAT KEY HAS NO NAME";
  return "";
}

std::string refusal_of_button(const std::string& name) {
  const std::string n = upper(name);
  if (n == "START") return "START PAUSES THE GAME";
  if (n == "BACK") return "BACK SHOWS THE BEST RUNS";
  if (n == "GUIDE") return "GUIDE OPENS THE OPTIONS";
  if (n.empty()) return "THAT BUTTON HAS NO NAME";
  return "";
}

bool OptionsMenu::command(OptionsCommand c) {
  if (waiting_ != Waiting::no) {  // a command while waiting cancels the wait
    waiting_ = Waiting::no;
    note_.clear();
    if (c == OptionsCommand::clear) {
      int k = cursor_ - index_of(in(at(), Entry::key_first, Entry::key_last) ? Entry::key_first
                                                                             : Entry::button_first);
      auto& lists =
          in(at(), Entry::key_first, Entry::key_last) ? values_.extra_keys : values_.extra_buttons;
      lists[static_cast<size_t>(k)].clear();
      note_ = game_key_title(k) + " HAS ITS OWN KEY ONLY";
    }
    return false;
  }
  switch (c) {
    case OptionsCommand::up:
      cursor_ = (cursor_ + kEntries - 1) % kEntries;
      break;
    case OptionsCommand::down:
      cursor_ = (cursor_ + 1) % kEntries;
      break;
    case OptionsCommand::left:
      change(-1);
      break;
    case OptionsCommand::right:
      change(1);
      break;
    case OptionsCommand::choose:
      if (at() == Entry::back) return true;
      choose();
      break;
    case OptionsCommand::leave:
      return true;
    case OptionsCommand::clear:
      break;
  }
  return false;
}

// Left and Right step a value; on a switch or a key they act as choosing does.
void OptionsMenu::change(int by) {
  note_.clear();
  OptionValues& v = values_;
  switch (at()) {
    case Entry::scale:
      if (v.largest_scale >= 1) v.scale = std::clamp(v.scale + by, 0, v.largest_scale);
      break;
    case Entry::music:
      v.music_volume = std::clamp(v.music_volume + by * kVolumeStep, 0, 100);
      break;
    case Entry::effects:
      v.effects_volume = std::clamp(v.effects_volume + by * kVolumeStep, 0, 100);
      break;
    case Entry::soundfont: {
      if (!v.soundfont_here || (v.soundfonts.empty() && v.soundfont.empty())) break;
      std::vector<std::string> all{""};  // the usual search first
      all.insert(all.end(), v.soundfonts.begin(), v.soundfonts.end());
      if (std::find(all.begin(), all.end(), v.soundfont) == all.end()) all.push_back(v.soundfont);
      auto at = std::find(all.begin(), all.end(), v.soundfont) - all.begin();
      int n = static_cast<int>(all.size());
      v.soundfont = all[static_cast<size_t>((at + by + n) % n)];
      note_ = "THE SOUNDFONT CHANGES AT THE NEXT START";
      break;
    }
    case Entry::back:
      break;
    default:
      choose();
      break;
  }
}

void OptionsMenu::choose() {
  note_.clear();
  OptionValues& v = values_;
  Entry e = at();
  if (in(e, Entry::key_first, Entry::key_last)) {
    waiting_ = Waiting::key;
    note_ = "PRESS THE NEW KEY, BACKSPACE CLEARS";
    return;
  }
  if (in(e, Entry::button_first, Entry::button_last)) {
    waiting_ = Waiting::button;
    note_ = "PRESS THE NEW BUTTON, BACKSPACE CLEARS";
    return;
  }
  switch (e) {
    case Entry::scale:
      if (v.largest_scale >= 1) v.scale = v.scale >= v.largest_scale ? 0 : v.scale + 1;
      break;
    case Entry::fullscreen:
      if (v.fullscreen_here) v.fullscreen = !v.fullscreen;
      break;
    case Entry::mute:
      v.mute = !v.mute;
      break;
    case Entry::show_keys:
      v.show_keys = !v.show_keys;
      break;
    case Entry::show_hit_areas:
      v.show_hit_areas = !v.show_hit_areas;
      break;
    case Entry::music:
    case Entry::effects:
    case Entry::soundfont:
      change(1);
      break;
    default:
      break;
  }
}

void OptionsMenu::key_pressed(const std::string& name) {
  if (waiting_ != Waiting::key) return;
  waiting_ = Waiting::no;
  if (std::string why = refusal_of_key(name); !why.empty()) {
    note_ = why + ": NO GAME KEY";
    return;
  }
  int k = cursor_ - index_of(Entry::key_first);
  bind(values_.extra_keys, k, name);
}

void OptionsMenu::button_pressed(const std::string& name) {
  if (waiting_ != Waiting::button) return;
  waiting_ = Waiting::no;
  if (std::string why = refusal_of_button(name); !why.empty()) {
    note_ = why + ": NO GAME BUTTON";
    return;
  }
  int k = cursor_ - index_of(Entry::button_first);
  bind(values_.extra_buttons, k, name);
}

// `name` joins game key `k`'s further keys (or buttons), leaving any other game key it was bound
// to. A game key's own key stays its own: the settings can only add to it.
void OptionsMenu::bind(std::array<std::vector<std::string>, kGameKeys>& lists, int k,
                       const std::string& name) {
  const bool keys = &lists == &values_.extra_keys;
  int own = keys ? own_game_key(name) : own_game_button(name);
  const std::string shown = upper(name);
  if (own == k) {
    note_ = shown + " IS " + game_key_title(k) + " ALREADY";
    return;
  }
  if (own >= 0) {
    note_ = shown + " BELONGS TO " + game_key_title(own);
    return;
  }
  auto& mine = lists[static_cast<size_t>(k)];
  auto named = [&name](const std::string& n) { return same_name(n, name); };
  if (std::any_of(mine.begin(), mine.end(), named)) {
    note_ = shown + " IS " + game_key_title(k) + " ALREADY";
    return;
  }
  if (mine.size() >= kMoreKeys) {
    note_ = game_key_title(k) + " HAS THREE ALREADY: BACKSPACE CLEARS";
    return;
  }
  note_.clear();
  for (int other = 0; other < kGameKeys; ++other) {
    auto& theirs = lists[static_cast<size_t>(other)];
    auto was = std::find_if(theirs.begin(), theirs.end(), named);
    if (was == theirs.end()) continue;
    theirs.erase(was);
    note_ = shown + " MOVED FROM " + game_key_title(other) + " TO " + game_key_title(k);
  }
  mine.push_back(name);
}

std::string OptionsMenu::value_text(Entry e) const {
  const OptionValues& v = values_;
  if (in(e, Entry::key_first, Entry::key_last)) {
    size_t k = static_cast<size_t>(index_of(e) - index_of(Entry::key_first));
    return joined(kOwnKey[k], v.extra_keys[k]);
  }
  if (in(e, Entry::button_first, Entry::button_last)) {
    size_t k = static_cast<size_t>(index_of(e) - index_of(Entry::button_first));
    return joined(kOwnButton[k], v.extra_buttons[k]);
  }
  switch (e) {
    case Entry::scale:
      if (v.largest_scale < 1) return "THE PAGE ZOOM";
      return v.scale == 0 ? "LARGEST (" + std::to_string(v.largest_scale) + ")"
                          : std::to_string(v.scale);
    case Entry::fullscreen:
      return v.fullscreen_here ? on_off(v.fullscreen) : "THE PAGE FULLSCREEN BUTTON";
    case Entry::music:
      return std::to_string(v.music_volume);
    case Entry::effects:
      return std::to_string(v.effects_volume);
    case Entry::mute:
      return on_off(v.mute);
    case Entry::soundfont:
      if (!v.soundfont_here) return "AS THE PAGE HAS IT";
      return v.soundfont.empty() ? "USUAL" : file_name(v.soundfont);
    case Entry::show_keys:
      return on_off(v.show_keys);
    case Entry::show_hit_areas:
      return on_off(v.show_hit_areas);
    default:
      return "";
  }
}

std::vector<std::string> OptionsMenu::lines() const {
  static constexpr const char* kLabels[] = {"WINDOW SCALE",   "FULLSCREEN", "MUSIC VOLUME",
                                            "EFFECTS VOLUME", "MUTE",       "SOUNDFONT"};
  std::vector<std::string> out{"OPTIONS", ""};
  for (int i = 0; i < kEntries; ++i) {
    Entry e = static_cast<Entry>(i);
    std::string label;
    if (i < index_of(Entry::key_first))
      label = kLabels[i];
    else if (in(e, Entry::key_first, Entry::key_last))
      label = "KEY " + game_key_title(i - index_of(Entry::key_first));
    else if (in(e, Entry::button_first, Entry::button_last))
      label = "PAD " + game_key_title(i - index_of(Entry::button_first));
    else if (e == Entry::show_keys)
      label = "SHOW KEYS";
    else if (e == Entry::show_hit_areas)
      label = "SHOW HIT AREAS";
    else
      label = "BACK";
    label.resize(std::max(label.size(), kLabelWidth), ' ');
    std::string text = upper(label + value_text(e));
    if (i == cursor_ && waiting_ != Waiting::no) text += " _";
    out.push_back((i == cursor_ ? "> " : "  ") + text);
  }
  out.push_back("");
  out.push_back(note_);
  if (!unsaved_.empty()) {
    out.push_back(unsaved_ + ":");
    out.push_back("THE CHANGES LAST THIS RUN");
  }
  out.push_back("ARROWS MOVE, ENTER CHOOSES, ESC LEAVES");
  return out;
}

}  // namespace qv
