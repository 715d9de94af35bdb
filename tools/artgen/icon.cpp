// The icon: the logo's kanji, pale on a deep blue tile, so that it still reads when the window
// system shrinks it to 16 pixels. Drawn at 64 pixels for the window and at 192 and 512 for the
// web page's manifest: the shapes scale with the size, the edges stay a pixel soft.
#include "tools/artgen/pictures.hpp"

namespace artgen {

qv::Picture make_icon(Typesetter& type, int32_t size) {
  // k: output pixels per pixel of the 64-pixel design. Every length of the design is
  // multiplied by it; at 64 pixels that changes no bit of the picture.
  const float k = static_cast<float>(size) / 64;
  const auto side = static_cast<float>(size);
  TextField kanji = type.set(kKanjiSerifBold, "\u5F10", 44 * k, 0.12f);
  const Vec origin{std::round((side - kanji.ink_width()) / 2 - kanji.left),
                   std::round((side - kanji.ink_height()) / 2 - kanji.top)};
  const Vec3 light = light_direction();
  qv::Picture icon{size, size, std::vector<uint32_t>(static_cast<size_t>(size) * size)};
  for (int32_t y = 0; y < size; ++y) {
    for (int32_t x = 0; x < size; ++x) {
      Vec p{static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f};
      float tile = sd_box(p, {32 * k, 32 * k}, {32 * k - 0.5f, 32 * k - 0.5f}, 12 * k);
      // The tile: blue, lighter towards the upper left, with a pale rim.
      float t = clamp01(length(p - Vec{18 * k, 14 * k}) / (64 * k));
      Rgb c = ramp({{0, hex(0x3C7CE8)}, {0.6f, hex(0x1A44B0)}, {1, hex(0x0C2468)}}, t);
      c = mix(c, hex(0x9CC8FF), clamp01(k - std::fabs(tile + 1.8f * k)) * 0.8f);
      // The kanji with a dark shadow below right and a bevelled pale face.
      // Strokes thickened by a pixel so that they survive being shrunk.
      const float bold = 1.0f * k;
      float d = kanji.distance(p - origin) - bold;
      float shadow = kanji.distance(p - origin - Vec{1.5f * k, 2 * k}) - bold;
      c = mix(c, hex(0x061030), clamp01(1.5f * k - shadow) * 0.8f);
      c = mix(c, hex(0x0A1A4A), clamp01(1.5f * k - d));
      constexpr float e = 0.5f;
      Vec grad{kanji.distance(p - origin + Vec{e, 0}) - kanji.distance(p - origin - Vec{e, 0}),
               kanji.distance(p - origin + Vec{0, e}) - kanji.distance(p - origin - Vec{0, e})};
      float slope = smoothstep(-2.0f * k, 0, d) * 0.8f;
      Vec3 n = normalize({grad.x * slope, grad.y * slope, 1});
      Rgb face = ramp({{0, hex(0xFFFFFF)}, {1, hex(0xB8D4FF)}}, clamp01((p.y - 8 * k) / (48 * k)));
      face = face * (0.78f + 0.25f * dot(n, light) / light.z);
      c = mix(c, face, clamp01(-0.3f * k - d));
      auto alpha = static_cast<uint32_t>(std::lround(clamp01(0.5f - tile) * 255));
      icon.pixels[static_cast<size_t>(y) * size + x] = alpha << 24 | to_pixel(c);
    }
  }
  return icon;
}

}  // namespace artgen
