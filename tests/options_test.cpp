// The options screen's rules for keys and buttons (a key moves from the game key it was bound
// to, the window's keys are refused with the reason, a game key has up to three keys), and the
// settings writer it saves with: it keeps every other line as written and never rewrites a file
// with a line the game cannot read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "desktop/settings.hpp"
#include "front/options_menu.hpp"

namespace qv {
namespace {

using Entry = OptionsMenu::Entry;
using Names = std::vector<std::string>;

// Presses on the menu: "key:fire Z" binds Z to fire, "pad:left x" the pad's X to left,
// "clear:up" clears up's further keys, "scale+" steps the scale up.
void press(OptionsMenu& m, const std::string& what) {
  std::istringstream in(what);
  std::string where, name;
  in >> where >> name;
  size_t colon = where.find(':');
  std::string kind = where.substr(0, colon), key = where.substr(colon + 1);
  int target = 0;
  if (kind == "scale+") target = static_cast<int>(Entry::scale);
  for (int k = 0; k < kGameKeys; ++k)
    if (game_key_title(k) == key)
      target = static_cast<int>(kind == "pad" ? Entry::button_first : Entry::key_first) + k;
  while (static_cast<int>(m.at()) != target) m.command(OptionsCommand::down);
  if (kind == "scale+") return void(m.command(OptionsCommand::right));
  m.command(OptionsCommand::choose);
  if (kind == "clear") return void(m.command(OptionsCommand::clear));
  if (kind == "pad")
    m.button_pressed(name);
  else
    m.key_pressed(name);
}

TEST(OptionsMenu, KeysMoveAreRefusedOrLimitedWithALineSayingWhy) {
  struct Case {
    const char* name;
    std::vector<std::string> presses;
    Names fire, up;    // further keys after the presses
    Names pad_fire;    // further buttons of fire
    const char* note;  // the screen's last line about it
  };
  const std::vector<Case> cases = {
      {"bound", {"key:FIRE Z"}, {"Z"}, {}, {}, ""},
      {"moved from another game key",
       {"key:UP X", "key:FIRE X"},
       {"X"},
       {},
       {},
       "X MOVED FROM UP TO FIRE"},
      {"the pause keys, F1, F11 and Tab are the window's",
       {"key:FIRE P", "key:FIRE Escape", "key:FIRE F1", "key:FIRE F11", "key:FIRE Tab"},
       {},
       {},
       {},
       "TAB SHOWS THE BEST RUNS: NO GAME KEY"},
      {"a pause key's reason",
       {"key:FIRE Pause"},
       {},
       {},
       {},
       "PAUSE PAUSES THE GAME: NO GAME KEY"},
      {"another game key's own key stays its own", {"key:FIRE Up"}, {}, {}, {}, "UP BELONGS TO UP"},
      {"three keys a game key at most",
       {"key:FIRE Z", "key:FIRE X", "key:FIRE C"},
       {"Z", "X"},
       {},
       {},
       "FIRE HAS THREE ALREADY: BACKSPACE CLEARS"},
      {"cleared, and then bound again",
       {"key:FIRE Z", "key:FIRE X", "clear:FIRE", "key:FIRE C"},
       {"C"},
       {},
       {},
       ""},
      {"twice the same is no second key",
       {"key:FIRE z", "key:FIRE Z"},
       {"z"},
       {},
       {},
       "Z IS FIRE ALREADY"},
      {"a pad's button", {"pad:FIRE x"}, {}, {}, {"x"}, ""},
      {"Start, Back and Guide are the window's",
       {"pad:FIRE start", "pad:FIRE guide"},
       {},
       {},
       {},
       "GUIDE OPENS THE OPTIONS: NO GAME BUTTON"},
      {"a pad's own button stays its own", {"pad:FIRE dpup"}, {}, {}, {}, "DPUP BELONGS TO UP"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OptionsMenu m(OptionValues{}, "");
    for (const std::string& p : c.presses) press(m, p);
    EXPECT_EQ(m.values().extra_keys[0], c.fire);
    EXPECT_EQ(m.values().extra_keys[2], c.up);
    EXPECT_EQ(m.values().extra_buttons[0], c.pad_fire);
    EXPECT_EQ(m.note(), c.note);
    EXPECT_FALSE(m.waiting_for_key() || m.waiting_for_button());
  }
}

TEST(OptionsMenu, TheScaleGoesFromOneToTheLargestAndTheLargestFittingAgain) {
  OptionValues v;
  v.largest_scale = 2;
  OptionsMenu m(v, "");
  std::vector<int> seen;
  for (int i = 0; i < 4; ++i) {
    m.command(OptionsCommand::choose);
    seen.push_back(m.values().scale);
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 0, 1}));
  // A file that cannot be written: the screen says the changes last this run.
  OptionsMenu unsaved(v, "SETTINGS.INI HAS A LINE THE GAME CANNOT READ");
  std::string all;
  for (const std::string& line : unsaved.lines()) all += line + "\n";
  EXPECT_NE(all.find("THE CHANGES LAST THIS RUN"), std::string::npos) << all;
}

class OptionsSaved : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("qv-options-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    path_ = (folder_ / "settings.ini").string();
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  void write(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }
  std::string read() {
    std::stringstream text;
    text << std::ifstream(path_, std::ios::binary).rdbuf();
    return text.str();
  }

  std::filesystem::path folder_;
  std::string path_;
};

TEST_F(OptionsSaved, OnlyWhatChangedIsWrittenEveryOtherLineKept) {
  write("; mine\n[keys]\nspace = X ; old\nleft = A\n[sound]\nmusic_volume = 50\n");
  ::testing::internal::CaptureStderr();
  Settings before = load_settings(path_).settings, after = before;
  after.extra_keys[0] = {"Z", "X"};
  after.extra_buttons[3] = {"b"};
  after.show_hit_areas = true;
  after.mute = true;
  ASSERT_TRUE(save_settings(path_, changed_lines(before, after)));
  EXPECT_EQ(read(),
            "; mine\n[keys]\nspace = Z, X\nleft = A\n[sound]\nmusic_volume = 50\nmute = true\n\n"
            "[pad]\nright = b\n\n[view]\nshow_hit_areas = true\n");
  LoadedSettings again = load_settings(path_);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(again.writable);
  EXPECT_EQ(again.settings.extra_keys, after.extra_keys);
  EXPECT_EQ(again.settings.extra_buttons, after.extra_buttons);
  EXPECT_TRUE(again.settings.show_hit_areas && again.settings.mute && again.settings.show_keys);
}

TEST_F(OptionsSaved, AFileWithALineTheGameCannotReadIsNeverRewritten) {
  for (const char* faulty : {"[keys]\nspace = NoSuchKey\n", "[pad]\nspace = start\n",
                             "[view]\nshow_keys = perhaps\n", "not a setting\n"}) {
    write(faulty);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(save_settings(path_, {{"view", "show_keys", "false"}})) << faulty;
    std::string warned = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(warned.find("has a line the game cannot read"), std::string::npos) << warned;
    EXPECT_EQ(read(), faulty);
  }
}

}  // namespace
}  // namespace qv
