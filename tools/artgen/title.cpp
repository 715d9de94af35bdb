// The title picture: grey paper washed with blue, the faint shape of the boss behind a
// bevelled blue logo, and the two instructions and the date in black italics.
#include <vector>

#include "tools/artgen/noise.hpp"
#include "tools/artgen/pictures.hpp"

namespace artgen {
namespace {

constexpr int32_t kWidth = 430, kHeight = 565;

class Canvas {
 public:
  Canvas() : pixels_(static_cast<size_t>(kWidth) * kHeight) {}
  Rgb& at(int32_t x, int32_t y) { return pixels_[static_cast<size_t>(y) * kWidth + x]; }
  // Lays a colour over the pixel with the given opacity.
  void blend(int32_t x, int32_t y, Rgb c, float alpha) {
    if (alpha > 0) at(x, y) = mix(at(x, y), c, clamp01(alpha));
  }
  qv::Picture picture() const {
    qv::Picture p{kWidth, kHeight, std::vector<uint32_t>(pixels_.size())};
    for (size_t i = 0; i < pixels_.size(); ++i) p.pixels[i] = 0xFF000000u | to_pixel(pixels_[i]);
    return p;
  }

 private:
  std::vector<Rgb> pixels_;
};

Vec centre_of(int32_t x, int32_t y) {
  return {static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f};
}

// Grey paper: a soft cloudiness, a fine tooth, and scattered fibres.
void lay_paper(Canvas& c) {
  const Rgb paper = hex(0xBCBEC4);
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) {
      Vec p = centre_of(x, y);
      float cloud = fractal_noise(p * 0.012f, 4, 7) - 0.5f;
      float tooth = fractal_noise(p * 0.45f, 2, 8) - 0.5f;
      c.at(x, y) = paper * (1 + cloud * 0.12f + tooth * 0.05f);
    }
  }
  Rng rng(0x5EED0002);
  for (int i = 0; i < 900; ++i) {
    Vec a{rng.between(-10, kWidth + 10), rng.between(-10, kHeight + 10)};
    float angle = rng.between(0, 2 * kPi), len = rng.between(5, 22);
    Vec b = a + Vec{std::cos(angle), std::sin(angle)} * len;
    Vec bend = lerp(a, b, 0.5f) + Vec{rng.between(-3, 3), rng.between(-3, 3)};
    bool light = rng.uniform() < 0.55f;
    float strength = rng.between(0.05f, 0.14f);
    Rgb tone = light ? hex(0xE6E8EE) : hex(0x80848E);
    int32_t x0 = static_cast<int32_t>(std::min(a.x, b.x)) - 4,
            x1 = static_cast<int32_t>(std::max(a.x, b.x)) + 4;
    int32_t y0 = static_cast<int32_t>(std::min(a.y, b.y)) - 4,
            y1 = static_cast<int32_t>(std::max(a.y, b.y)) + 4;
    for (int32_t y = std::max(y0, 0); y <= std::min(y1, kHeight - 1); ++y) {
      for (int32_t x = std::max(x0, 0); x <= std::min(x1, kWidth - 1); ++x) {
        float d = sd_curve(centre_of(x, y), a, bend, b, 0.35f);
        c.blend(x, y, tone, strength * clamp01(0.5f - d));
      }
    }
  }
}

// A watercolour wash of blue, strongest at the top, pooling darker along its ragged rim.
void wash_blue(Canvas& c) {
  const Rgb pigment = hex(0x3E6CC8);
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) {
      Vec p = centre_of(x, y);
      float height = 1 - p.y / kHeight;
      float field = height * 0.95f + (fractal_noise(p * 0.008f, 5, 21) - 0.5f) * 0.5f;
      float inside = smoothstep(0.42f, 0.5f, field);
      float rim = std::exp(-std::pow((field - 0.47f) / 0.025f, 2.0f));
      float deep = smoothstep(0.5f, 1.1f, field);
      float amount = inside * (0.22f + 0.35f * deep) + rim * 0.12f;
      // A second, paler wash from the bottom corners frames the date.
      float corner = smoothstep(
          260, 30, std::min(length(p - Vec{0, kHeight}), length(p - Vec{kWidth, kHeight})));
      amount += corner * 0.16f * (0.7f + 0.6f * fractal_noise(p * 0.02f, 3, 33));
      c.blend(x, y, c.at(x, y) * pigment * 1.25f, amount);
    }
  }
}

// The boss's outline, huge and faint, behind the logo.
void stamp_emblem(Canvas& c) {
  Painter boss = boss_painter();
  constexpr float kScale = 0.92f;
  const Vec origin{kWidth / 2.0f - 230 * kScale, 150};
  const Rgb ink = hex(0x1A3C8C);
  for (int32_t y = 150; y < 150 + static_cast<int32_t>(260 * kScale) + 1; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) {
      int inside = 0;
      for (int s = 0; s < 4; ++s) {
        Vec p = centre_of(x, y) + Vec{(s % 2) * 0.5f - 0.25f, (s / 2) * 0.5f - 0.25f};
        Pen pen((p - origin) * (1 / kScale));
        boss(pen);
        inside += pen.covered;
      }
      c.blend(x, y, ink, 0.13f * static_cast<float>(inside) / 4);
    }
  }
}

// A line of lettering to be composited: its field and where its pen starts.
struct Line {
  TextField field;
  Vec origin;
  float distance(Vec p) const { return field.distance(p - origin); }
};

// The logo's look: a soft shadow, a dark rim, and a blue body bevelled towards the light.
void paint_logo_part(Canvas& c, const Line& line, float bevel) {
  const Vec3 light = light_direction();
  int32_t x0 = std::max(0, static_cast<int32_t>(line.origin.x + line.field.left) - 12);
  int32_t x1 = std::min(kWidth - 1, static_cast<int32_t>(line.origin.x + line.field.right) + 14);
  int32_t y0 = std::max(0, static_cast<int32_t>(line.origin.y + line.field.top) - 12);
  int32_t y1 = std::min(kHeight - 1, static_cast<int32_t>(line.origin.y + line.field.bottom) + 14);
  const float top = line.origin.y + line.field.top, height = line.field.ink_height();
  for (int32_t y = y0; y <= y1; ++y) {
    for (int32_t x = x0; x <= x1; ++x) {
      Vec p = centre_of(x, y);
      float d = line.distance(p);
      float shadow = line.distance(p - Vec{5, 6});
      c.blend(x, y, hex(0x10183A), 0.45f * smoothstep(4, -3, shadow));
      c.blend(x, y, hex(0xF4F6FA), clamp01(3.5f - d));  // a pale keyline round the letters
      c.blend(x, y, hex(0x0A1A4A), clamp01(2.0f - d));
      if (d > 1) continue;
      // The bevel: the slope of the letter's edge, lit from the upper left.
      constexpr float e = 0.5f;
      Vec grad{line.distance(p + Vec{e, 0}) - line.distance(p - Vec{e, 0}),
               line.distance(p + Vec{0, e}) - line.distance(p - Vec{0, e})};
      float slope = smoothstep(-bevel, 0, d) * 1.6f;
      Vec3 n = normalize({grad.x * slope, grad.y * slope, 1});
      float t = clamp01((p.y - top) / height);
      Rgb body = ramp(
          {{0, hex(0x8CC4FF)}, {0.45f, hex(0x2E6EE0)}, {0.5f, hex(0x1E50C0)}, {1, hex(0x143A9C)}},
          t);
      float diffuse = dot(n, light) / light.z;
      Rgb shaded = body * (0.55f + 0.5f * diffuse);
      float glint =
          std::pow(std::max(0.0f, dot(n, normalize({light.x, light.y, light.z + 1}))), 30.0f);
      shaded = shaded + Rgb{glint, glint, glint} * 0.5f;
      c.blend(x, y, shaded, clamp01(0.5f - (d + 1.2f)));
    }
  }
}

// Plain lettering, anti-aliased, in one colour.
void paint_text(Canvas& c, const Line& line, Rgb ink) {
  int32_t x0 = std::max(0, static_cast<int32_t>(line.origin.x + line.field.left) - 2);
  int32_t x1 = std::min(kWidth - 1, static_cast<int32_t>(line.origin.x + line.field.right) + 2);
  int32_t y0 = std::max(0, static_cast<int32_t>(line.origin.y + line.field.top) - 2);
  int32_t y1 = std::min(kHeight - 1, static_cast<int32_t>(line.origin.y + line.field.bottom) + 2);
  for (int32_t y = y0; y <= y1; ++y) {
    for (int32_t x = x0; x <= x1; ++x) {
      c.blend(x, y, ink, clamp01(0.5f - line.distance(centre_of(x, y))));
    }
  }
}

Line centred(TextField field, float cx, float baseline) {
  float x = cx - (field.left + field.right) / 2;
  return {std::move(field), {x, baseline}};
}

// A thin rule with a small diamond in its middle.
void paint_rule(Canvas& c, float cx, float y, float half) {
  for (int32_t py = static_cast<int32_t>(y) - 6; py <= static_cast<int32_t>(y) + 6; ++py) {
    for (int32_t px = static_cast<int32_t>(cx - half) - 2;
         px <= static_cast<int32_t>(cx + half) + 2; ++px) {
      Vec p = centre_of(px, py);
      float line = sd_segment(p, {cx - half, y}, {cx + half, y}, 0.45f);
      float diamond = (std::fabs(p.x - cx) + std::fabs(p.y - y)) / 1.414f - 3.2f;
      c.blend(px, py, hex(0x1A2E6A), clamp01(0.5f - std::min(line, diamond)) * 0.8f);
    }
  }
}

}  // namespace

qv::Picture make_title(Typesetter& type) {
  Canvas c;
  lay_paper(c);
  wash_blue(c);
  stamp_emblem(c);

  Line latin{type.set(kSerifBoldItalic, "Quelvaris", 62, 0, 0.5f), {0, 100}};
  latin.origin.x = std::round((kWidth - latin.field.ink_width()) / 2 - latin.field.left);
  Line kanji{type.set(kKanjiSerifBold, "\u5F10", 150, 0.2f), {0, 292}};
  kanji.origin.x = std::round((kWidth - kanji.field.ink_width()) / 2 - kanji.field.left);
  paint_logo_part(c, kanji, 5);
  paint_logo_part(c, latin, 4);

  const float mid = kWidth / 2.0f;
  paint_rule(c, mid, 392, 150);
  paint_text(
      c, centred(type.set(kSerifItalic, "Press the Space key to start the game.", 16.5f), mid, 428),
      hex(0x0A0A0C));
  paint_text(
      c,
      centred(type.set(kSerifItalic, "End the game with the window\u2019s close button.", 16.5f),
              mid, 458),
      hex(0x0A0A0C));
  paint_rule(c, mid, 486, 150);
  paint_text(c, centred(type.set(kSerifItalic, "December 2026", 17), mid, 540), hex(0x0A0A0C));
  return c.picture();
}

}  // namespace artgen
