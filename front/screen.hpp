// What the window shows: the face colour, the sunken border, the play surface inside it and
// the score label above the play surface, as the game draws them, at a whole scale and
// centred, in a window or on the whole screen.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

#include "aids/study_aids.hpp"
#include "front/presentation.hpp"
#include "system/surface.hpp"

namespace qv {

constexpr const char* kCaption = "Quelvaris \xE5\xBC\x90";  // the kanji numeral two, U+5F10
constexpr int kClientWidth = 432;
constexpr int kClientHeight = 568;

class Screen {
 public:
  Screen() = default;
  ~Screen();
  Screen(const Screen&) = delete;
  Screen& operator=(const Screen&) = delete;

  // Opens the window at `scale` (0: the largest that fits the desktop), on the whole screen
  // when `fullscreen`. With `device_pixels` the picture is drawn on the display's own pixels
  // where it has several to the window's one (a browser on a phone): a whole scale of those
  // stays sharp, and a window narrower than the picture in its own pixels still shows all of it.
  bool open(int scale, bool fullscreen, bool device_pixels = false);
  // Composes the client area from the play surface and the label, and shows it.
  void show(const Surface& play, const std::string& label);
  // The two halves of show, for a host that composes at every refresh but shows once a display
  // frame (the browser): the client area composed, and then shown (not while paused).
  void compose(const Surface& play, const std::string& label);
  void show_composed();
  // The play area of the frame composed last, for aids drawn over it before it is shown: a
  // copy, never the game's surface.
  AidCanvas composed_play_area();
  // Shows the composed frame with a replay's bar over a copy of it, paused or not (a replay
  // stepped while paused shows each step, under the notice).
  void show_with_bar(const std::string& text, int64_t position, int64_t length);
  // Shows the last frame again (the window was uncovered or resized).
  void present();
  // The "Paused" notice over the frozen frame, or the frame alone again.
  void show_paused(bool paused);
  // Lines of text over the frame (the table of best runs, a credit's rank), drawn on a copy of
  // it, so that the game's own picture stays as it is; `dot` is the letters' size, `middle_y`
  // where the box stands. No lines: the frame alone again.
  void show_overlay(std::vector<std::string> lines, int dot = 1, int middle_y = kClientHeight / 2);
  // The options screen's lines over a dimmed copy of the last frame.
  void show_dimmed(const std::vector<std::string>& lines);

  // The window at another whole scale (0: the largest that fits the desktop), kept for when it
  // leaves the whole screen if it is on it now.
  void set_scale(int scale);
  // The largest whole scale the desktop holds.
  static int largest_scale();

  void toggle_fullscreen();
  bool fullscreen() const { return fullscreen_; }
  // After the window's size changed: true when it now holds another whole scale.
  bool resized();
  int scale() const { return scale_; }
  SDL_Window* window() const { return window_; }

 private:
  void set_icon();
  void draw_frame();
  void draw_notice();  // into noticed_
  void put(int x, int y, uint32_t c);
  Area output_size() const;

  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  int scale_ = 1;  // of the window, when not on the whole screen
  Area windowed_;  // the window's size before it went on the whole screen
  bool fullscreen_ = false;
  bool paused_ = false;
  std::vector<std::string> overlay_;
  int overlay_dot_ = 1, overlay_middle_ = 0;
  uint32_t pixels_[kClientWidth * kClientHeight];
  uint32_t noticed_[kClientWidth * kClientHeight];  // the frame with the notice over it
};

}  // namespace qv
