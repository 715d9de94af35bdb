// Points, colours and signed distances: the vocabulary every picture is drawn in.
// A signed distance is in output pixels, negative inside a shape.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <numbers>

namespace artgen {

constexpr float kPi = std::numbers::pi_v<float>;

struct Vec {
  float x = 0, y = 0;
};
inline Vec operator+(Vec a, Vec b) {
  return {a.x + b.x, a.y + b.y};
}
inline Vec operator-(Vec a, Vec b) {
  return {a.x - b.x, a.y - b.y};
}
inline Vec operator*(Vec a, float s) {
  return {a.x * s, a.y * s};
}
inline float dot(Vec a, Vec b) {
  return a.x * b.x + a.y * b.y;
}
inline float length(Vec a) {
  return std::sqrt(dot(a, a));
}
inline Vec lerp(Vec a, Vec b, float t) {
  return a + (b - a) * t;
}

// Turns p about a centre by an angle in radians (positive is clockwise on screen, y down).
inline Vec rotate(Vec p, Vec centre, float angle) {
  float c = std::cos(angle), s = std::sin(angle);
  Vec d = p - centre;
  return {centre.x + d.x * c - d.y * s, centre.y + d.x * s + d.y * c};
}
// Reflects p across the vertical line x = axis, so symmetric creatures are drawn once.
inline Vec mirror_x(Vec p, float axis) {
  return {axis - std::fabs(p.x - axis), p.y};
}

struct Rgb {
  float r = 0, g = 0, b = 0;  // 0..1
};
inline Rgb operator+(Rgb a, Rgb b) {
  return {a.r + b.r, a.g + b.g, a.b + b.b};
}
inline Rgb operator*(Rgb a, float s) {
  return {a.r * s, a.g * s, a.b * s};
}
inline Rgb operator*(Rgb a, Rgb b) {
  return {a.r * b.r, a.g * b.g, a.b * b.b};
}
inline Rgb mix(Rgb a, Rgb b, float t) {
  return a + (b + a * -1.0f) * t;
}
constexpr Rgb hex(uint32_t rgb) {
  return {static_cast<float>((rgb >> 16) & 0xFF) / 255.0f,
          static_cast<float>((rgb >> 8) & 0xFF) / 255.0f, static_cast<float>(rgb & 0xFF) / 255.0f};
}
// 0x00RRGGBB with each channel rounded and clamped to [0, ceiling].
uint32_t to_pixel(Rgb c, int ceiling = 255);

struct ColourStop {
  float at;
  Rgb colour;
};
// The colour at t of a gradient through the stops (in increasing order of `at`).
Rgb ramp(std::initializer_list<ColourStop> stops, float t);

inline float clamp01(float v) {
  return std::clamp(v, 0.0f, 1.0f);
}
inline float smoothstep(float e0, float e1, float v) {
  float t = clamp01((v - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}
inline float fract(float v) {
  return v - std::floor(v);
}

// --- Signed distances -------------------------------------------------------------------------

inline float sd_circle(Vec p, Vec c, float r) {
  return length(p - c) - r;
}

// An ellipse's distance, exact on the axes and close enough elsewhere for shapes of modest
// eccentricity; the edges it gives are what the eye expects of an oval.
inline float sd_ellipse(Vec p, Vec c, float rx, float ry) {
  Vec q = {(p.x - c.x) / rx, (p.y - c.y) / ry};
  float k = length(q);
  if (k < 1e-6f) return -std::min(rx, ry);
  Vec grad = {q.x / (rx * k), q.y / (ry * k)};
  return (k - 1) / length(grad);
}

inline float sd_box(Vec p, Vec c, Vec half, float round = 0) {
  Vec d = {std::fabs(p.x - c.x) - half.x + round, std::fabs(p.y - c.y) - half.y + round};
  Vec outside = {std::max(d.x, 0.0f), std::max(d.y, 0.0f)};
  return length(outside) + std::min(std::max(d.x, d.y), 0.0f) - round;
}

// A capsule: every point within r of the segment a-b.
inline float sd_segment(Vec p, Vec a, Vec b, float r) {
  Vec pa = p - a, ba = b - a;
  float t = std::clamp(dot(pa, ba) / dot(ba, ba), 0.0f, 1.0f);
  return length(pa - ba * t) - r;
}

// A segment whose radius changes from ra at a to rb at b (a tapering limb or horn).
inline float sd_taper(Vec p, Vec a, Vec b, float ra, float rb) {
  Vec pa = p - a, ba = b - a;
  float t = std::clamp(dot(pa, ba) / dot(ba, ba), 0.0f, 1.0f);
  return length(pa - ba * t) - (ra + (rb - ra) * t);
}

// A closed polygon, corners in order (either winding).
float sd_polygon(Vec p, std::initializer_list<Vec> corners);

// A quadratic curve from a through control c to b, thickened to radius r.
float sd_curve(Vec p, Vec a, Vec c, Vec b, float r);

inline float sd_union(float a, float b) {
  return std::min(a, b);
}
inline float sd_cut(float a, float b) {
  return std::max(a, -b);
}
inline float sd_intersect(float a, float b) {
  return std::max(a, b);
}
// A union that melts the two shapes together over a band of width k.
inline float sd_blend(float a, float b, float k) {
  float h = clamp01(0.5f + 0.5f * (b - a) / k);
  return b + (a - b) * h - k * h * (1 - h);
}

// --- Light ------------------------------------------------------------------------------------

struct Vec3 {
  float x, y, z;
};
inline float dot(Vec3 a, Vec3 b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec3 normalize(Vec3 v);

// Every picture is lit from the upper left and a little in front.
Vec3 light_direction();

// The surface normal of an ellipsoid bulging out of the picture at p.
Vec3 dome_normal(Vec p, Vec c, float rx, float ry);

// A surface of the given colour under the picture's light: ambient plus diffuse plus a glint.
Rgb lit(Rgb base, Vec3 normal, float gloss = 0.5f, float shininess = 24.0f);

// A ball of the given colour, lit: the most common thing in this game.
inline Rgb ball(Vec p, Vec c, float r, Rgb base, float gloss = 0.6f) {
  return lit(base, dome_normal(p, c, r, r), gloss);
}

}  // namespace artgen
