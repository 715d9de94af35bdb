#include "front/replay_bar.hpp"

#include <algorithm>
#include <cstdio>

#include "front/overlay_text.hpp"
#include "game/game.hpp"

namespace qv {
namespace {

constexpr int kPad = 3;
constexpr int kBarHeight = 7 + 2 * kPad;
constexpr uint32_t kStrip = 0x202040, kPlayed = 0xE0C040, kText = 0xFFFFFF;

std::string time_text(int64_t step) {
  static_assert(kStepMs == 10, "a step is a hundredth of a second");
  int64_t hundredths = step;
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld.%02lld", static_cast<long long>(hundredths / 6000),
                static_cast<long long>(hundredths / 100 % 60),
                static_cast<long long>(hundredths % 100));
  return text;
}

std::string speed_text(double speed) {
  if (speed < 1) return "1/" + std::to_string(static_cast<int>(1 / speed + 0.5)) + "x";
  return std::to_string(static_cast<int>(speed + 0.5)) + "x";
}

}  // namespace

std::string replay_bar_text(int64_t position, int64_t length, double speed, bool paused,
                            std::optional<int64_t> jumping_to) {
  std::string text = "REPLAY " + time_text(position) + " / " + time_text(length) + " " +
                     (jumping_to ? "JUMPING TO " + time_text(*jumping_to) : speed_text(speed));
  if (paused) text += " PAUSED";
  return text;
}

std::string replay_bar_text(const ReplayViewer& viewer) {
  return replay_bar_text(viewer.position(), viewer.length(), viewer.speed(), viewer.paused(),
                         viewer.jumping() ? std::optional(viewer.jump_target()) : std::nullopt);
}

void draw_replay_bar(const std::string& text, int64_t position, int64_t length, uint32_t* pixels,
                     int width, int height) {
  if (height < kBarHeight + 1 || width <= 0) return;
  int top = height - kBarHeight;
  for (int y = top; y < height; ++y) std::fill_n(pixels + y * width, width, kStrip);
  int64_t played = length > 0 ? std::clamp<int64_t>(position, 0, length) * width / length : 0;
  std::fill_n(pixels + (top - 1) * width, played, kPlayed);
  draw_text(text, kPad, top + kPad, 1, kText, pixels, width, height, width);
}

}  // namespace qv
