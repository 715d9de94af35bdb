// The options screen's entries and what choosing them does, apart from drawing and from SDL's
// events: the window's scale and fullscreen, the sound, the soundfont, the keys and pad buttons
// of each game key, the two aids and the way back. A game key keeps its own key (the arrows,
// Space) and a pad its own buttons (the D-pad, South); the screen adds up to two more of each,
// so that a game key has up to three. Keys the window keeps for itself (P, Pause, Esc, F1, F11,
// Tab) are refused with a line saying why; a key bound to another game key moves, with a note.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "game/game.hpp"

namespace qv {

// What the screen shows and changes. Key names are SDL's key names, button names SDL's names
// of a game controller's buttons ("x", "leftshoulder").
struct OptionValues {
  int scale = 0;          // 0: the largest that fits
  int largest_scale = 1;  // 0: the page, whose zoom is its own
  bool fullscreen = false;
  bool fullscreen_here = true;  // false in the page: the browser's own
  int music_volume = 100;
  int effects_volume = 100;
  bool mute = false;
  std::string soundfont;                // empty: the usual search
  std::vector<std::string> soundfonts;  // found where the game looks
  bool soundfont_here = true;           // false in the page: its sound is its own
  std::array<std::vector<std::string>, kGameKeys> extra_keys;
  std::array<std::vector<std::string>, kGameKeys> extra_buttons;
  bool show_keys = true;
  bool show_hit_areas = false;

  bool operator==(const OptionValues&) const = default;
};

// The most keys the screen gives a game key beside its own.
constexpr size_t kMoreKeys = 2;

// What the player does on the screen, from keys or a pad.
enum class OptionsCommand { up, down, left, right, choose, leave, clear };

class OptionsMenu {
 public:
  enum class Entry {
    scale,
    fullscreen,
    music,
    effects,
    mute,
    soundfont,
    key_first,
    key_last = key_first + kGameKeys - 1,
    button_first,
    button_last = button_first + kGameKeys - 1,
    show_keys,
    show_hit_areas,
    back,
  };
  static constexpr int kEntries = static_cast<int>(Entry::back) + 1;

  // `unsaved`: why the changes cannot be kept past this run (a settings file with a line the
  // game cannot read), which the screen says; empty when they are kept.
  OptionsMenu(OptionValues values, std::string unsaved)
      : values_(std::move(values)), unsaved_(std::move(unsaved)) {}

  // True when the screen is to close.
  bool command(OptionsCommand c);
  // While a game key waits for its new key (or button): the one pressed, by SDL's name. It is
  // bound, or refused with the note saying why; either way the wait is over.
  void key_pressed(const std::string& name);
  void button_pressed(const std::string& name);
  bool waiting_for_key() const { return waiting_ == Waiting::key; }
  bool waiting_for_button() const { return waiting_ == Waiting::button; }

  const OptionValues& values() const { return values_; }
  void set_values(const OptionValues& v) { values_ = v; }
  Entry at() const { return static_cast<Entry>(cursor_); }
  const std::string& note() const { return note_; }
  // The screen's lines, the entry under the cursor marked.
  std::vector<std::string> lines() const;

 private:
  enum class Waiting { no, key, button };
  void change(int by);
  void choose();
  std::string value_text(Entry e) const;
  void bind(std::array<std::vector<std::string>, kGameKeys>& lists, int game_key,
            const std::string& name);

  OptionValues values_;
  std::string unsaved_;
  int cursor_ = 0;
  Waiting waiting_ = Waiting::no;
  std::string note_;
};

// Why a keyboard key cannot be a game key ("P PAUSES THE GAME"), or "" when it can.
std::string refusal_of_key(const std::string& name);
// Why a pad's button cannot be one, or "".
std::string refusal_of_button(const std::string& name);
// The game key whose own key or button this is, or -1.
int own_game_key(const std::string& name);
int own_game_button(const std::string& name);
// The game key's name on the screen: FIRE, LEFT...
std::string game_key_title(int game_key);

}  // namespace qv
