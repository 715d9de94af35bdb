// A bench for the player's procedures: a game state, a sprite sheet painted with one plain
// colour per sprite so that every drawing can be found in the back buffer, the keyboard, and
// a media layer that records every sound call.
#pragma once

#include <string>
#include <vector>

#include "play/player.hpp"
#include "record/game_state.hpp"
#include "sim/simulator.hpp"
#include "system/keys.hpp"
#include "system/media.hpp"
#include "system/surface.hpp"

namespace qv::testing {

constexpr uint32_t kShipColour = 0x2040C0;
constexpr uint32_t kShotColour = 0xFFD000;
constexpr uint32_t kIconColour = 0x00C000;
// Star colour c is a grey of its own, unlike every sprite colour.
constexpr uint32_t star_colour(int32_t c) {
  return 0x101010u * static_cast<uint32_t>(c + 1);
}

inline const std::string kHitSound = "snd bgm&se\\jj.wav 3";
inline const std::string kScoreSound = "snd bgm&se\\e.wav 3";

class PlayerBench {
 public:
  PlayerBench() {
    keyboard().release_all();
    previous_media_ = installed_media();
    install_media(&media_);
    media_.set_log(&sounds);
    paint(0, 0, 60, 70, kShipColour);
    paint(60, 0, 20, 20, kShotColour);
    paint(610, 460, 30, 20, kIconColour);
    for (int32_t c = 0; c < 12; ++c) paint(598 + c, 460, 1, 10, star_colour(c));
  }
  ~PlayerBench() {
    install_media(previous_media_);
    keyboard().release_all();
  }
  PlayerBench(const PlayerBench&) = delete;
  PlayerBench& operator=(const PlayerBench&) = delete;

  void press(int32_t vk) { keyboard().key_down(vk); }
  void release(int32_t vk) { keyboard().key_up(vk); }

  void move_player() {
    Move_Player(key_left, key_up, key_right, key_down, s.px, s.py, sheet.hDC(), mask.hDC(),
                back.hDC(), s.en_hits, s.en_x, s.en_y, s.en_size, s.bl_x, s.bl_y, s.bl_on,
                s.bl_size, s.tick, s.lives, s.safe_count);
  }
  void hit_enemies() {
    Hit_Enemies(s.en_x, s.en_y, s.en_size, s.en_hits, s.loop_i, s.sh_x, s.sh_y, s.sh_on, s.tick,
                s.score);
  }
  void fire_shots() {
    Fire_Shots(s.key_space, s.sh_wait, s.sh_next, s.sh_x, s.sh_y, s.sh_on, s.tick, s.px, s.py,
               sheet.hDC(), mask.hDC(), back.hDC());
  }
  void move_stars() {
    Move_Stars(s.st_phase, s.st_next, s.st_x, s.st_y, s.st_c, sheet.hDC(), back.hDC(), s.loop_i);
  }

  // Pixels of this colour in the back buffer inside the rectangle (clipped to the buffer).
  int count(uint32_t colour, int32_t x, int32_t y, int32_t w, int32_t h) const {
    int n = 0;
    for (int32_t j = std::max(y, 0); j < std::min(y + h, back.height()); ++j) {
      for (int32_t i = std::max(x, 0); i < std::min(x + w, back.width()); ++i) {
        n += back.at(i, j) == colour;
      }
    }
    return n;
  }
  int count(uint32_t colour) const { return count(colour, 0, 0, back.width(), back.height()); }
  int sounds_of(const std::string& call) const {
    int n = 0;
    for (const std::string& c : sounds) n += c == call;
    return n;
  }

  GameState s;
  Surface sheet{640, 480, kWhite};
  Surface mask{640, 480, kBlack};
  Surface back{430, 565, kBlack};
  Int key_left, key_up, key_right, key_down;
  std::vector<std::string> sounds;

 private:
  void paint(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour) {
    for (int32_t j = y; j < y + h; ++j) {
      for (int32_t i = x; i < x + w; ++i) {
        sheet.at(i, j) = colour;
        mask.at(i, j) = kWhite;
      }
    }
  }

  VirtualClock clock_;
  SilentSink sink_;
  Media media_{clock_, sink_};
  Media* previous_media_ = nullptr;
};

}  // namespace qv::testing
