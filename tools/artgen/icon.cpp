// The window icon: the logo's kanji, pale on a deep blue tile, so that it still reads when
// the window system shrinks it to 16 pixels.
#include "tools/artgen/pictures.hpp"

namespace artgen {

qv::Picture make_icon(Typesetter& type) {
  constexpr int32_t kSize = 64;
  TextField kanji = type.set(kKanjiSerifBold, "\u5F10", 44, 0.12f);
  const Vec origin{std::round((kSize - kanji.ink_width()) / 2 - kanji.left),
                   std::round((kSize - kanji.ink_height()) / 2 - kanji.top)};
  const Vec3 light = light_direction();
  qv::Picture icon{kSize, kSize, std::vector<uint32_t>(kSize * kSize)};
  for (int32_t y = 0; y < kSize; ++y) {
    for (int32_t x = 0; x < kSize; ++x) {
      Vec p{static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f};
      float tile = sd_box(p, {32, 32}, {31.5f, 31.5f}, 12);
      // The tile: blue, lighter towards the upper left, with a pale rim.
      float t = clamp01(length(p - Vec{18, 14}) / 64);
      Rgb c = ramp({{0, hex(0x3C7CE8)}, {0.6f, hex(0x1A44B0)}, {1, hex(0x0C2468)}}, t);
      c = mix(c, hex(0x9CC8FF), clamp01(1.0f - std::fabs(tile + 1.8f)) * 0.8f);
      // The kanji with a dark shadow below right and a bevelled pale face.
      // Strokes thickened by a pixel so that they survive being shrunk.
      constexpr float kBold = 1.0f;
      float d = kanji.distance(p - origin) - kBold;
      float shadow = kanji.distance(p - origin - Vec{1.5f, 2}) - kBold;
      c = mix(c, hex(0x061030), clamp01(1.5f - shadow) * 0.8f);
      c = mix(c, hex(0x0A1A4A), clamp01(1.5f - d));
      constexpr float e = 0.5f;
      Vec grad{kanji.distance(p - origin + Vec{e, 0}) - kanji.distance(p - origin - Vec{e, 0}),
               kanji.distance(p - origin + Vec{0, e}) - kanji.distance(p - origin - Vec{0, e})};
      float slope = smoothstep(-2.0f, 0, d) * 0.8f;
      Vec3 n = normalize({grad.x * slope, grad.y * slope, 1});
      Rgb face = ramp({{0, hex(0xFFFFFF)}, {1, hex(0xB8D4FF)}}, clamp01((p.y - 8) / 48));
      face = face * (0.78f + 0.25f * dot(n, light) / light.z);
      c = mix(c, face, clamp01(-0.3f - d));
      auto alpha = static_cast<uint32_t>(std::lround(clamp01(0.5f - tile) * 255));
      icon.pixels[static_cast<size_t>(y) * kSize + x] = alpha << 24 | to_pixel(c);
    }
  }
  return icon;
}

}  // namespace artgen
