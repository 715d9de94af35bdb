#include "tools/artgen/geometry.hpp"

namespace artgen {

uint32_t to_pixel(Rgb c, int ceiling) {
  auto channel = [ceiling](float v) {
    int i = static_cast<int>(std::lround(v * 255.0f));
    return static_cast<uint32_t>(std::clamp(i, 0, ceiling));
  };
  return channel(c.r) << 16 | channel(c.g) << 8 | channel(c.b);
}

Rgb ramp(std::initializer_list<ColourStop> stops, float t) {
  const ColourStop* s = stops.begin();
  size_t n = stops.size();
  if (t <= s[0].at) return s[0].colour;
  for (size_t i = 1; i < n; ++i) {
    if (t <= s[i].at)
      return mix(s[i - 1].colour, s[i].colour, (t - s[i - 1].at) / (s[i].at - s[i - 1].at));
  }
  return s[n - 1].colour;
}

float sd_polygon(Vec p, std::initializer_list<Vec> corners) {
  const Vec* v = corners.begin();
  size_t n = corners.size();
  float d = dot(p - v[0], p - v[0]);
  float sign = 1;
  for (size_t i = 0, j = n - 1; i < n; j = i, ++i) {
    Vec e = v[j] - v[i], w = p - v[i];
    Vec b = w - e * std::clamp(dot(w, e) / dot(e, e), 0.0f, 1.0f);
    d = std::min(d, dot(b, b));
    bool c1 = p.y >= v[i].y, c2 = p.y<v[j].y, c3 = e.x * w.y> e.y * w.x;
    if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) sign = -sign;
  }
  return sign * std::sqrt(d);
}

float sd_curve(Vec p, Vec a, Vec c, Vec b, float r) {
  // Walks the curve in short chords; the shapes here are small enough that 24 chords are smooth.
  constexpr int kSteps = 24;
  float best = 1e9f;
  Vec prev = a;
  for (int i = 1; i <= kSteps; ++i) {
    float t = static_cast<float>(i) / kSteps;
    Vec q = lerp(lerp(a, c, t), lerp(c, b, t), t);
    best = std::min(best, sd_segment(p, prev, q, 0));
    prev = q;
  }
  return best - r;
}

Vec3 normalize(Vec3 v) {
  float l = std::sqrt(dot(v, v));
  return {v.x / l, v.y / l, v.z / l};
}

Vec3 light_direction() {
  return normalize({-0.5f, -0.65f, 0.6f});
}

Vec3 dome_normal(Vec p, Vec c, float rx, float ry) {
  float nx = (p.x - c.x) / rx, ny = (p.y - c.y) / ry;
  float r2 = std::min(nx * nx + ny * ny, 1.0f);
  return normalize({nx, ny, std::sqrt(1 - r2) + 0.05f});
}

Rgb lit(Rgb base, Vec3 n, float gloss, float shininess) {
  Vec3 l = light_direction();
  float diffuse = std::max(0.0f, dot(n, l));
  // The half vector between the light and a viewer looking straight into the picture.
  Vec3 h = normalize({l.x, l.y, l.z + 1});
  float highlight = gloss * std::pow(std::max(0.0f, dot(n, h)), shininess);
  // A little light bounced up from below keeps the shadow side from going flat.
  float bounce = 0.12f * std::max(0.0f, n.y);
  Rgb c = base * (0.32f + 0.85f * diffuse + bounce);
  return c + Rgb{highlight, highlight, highlight};
}

}  // namespace artgen
