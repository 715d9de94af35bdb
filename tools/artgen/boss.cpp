// The boss: a great green winged insect seen from above, head down towards the player. Its
// body fills the 200 x 200 square that can be shot (sprite columns 130..329, rows 0..199);
// the wings spread over the rest of the 460 x 260 drawing.
#include <array>

#include "tools/artgen/noise.hpp"
#include "tools/artgen/pictures.hpp"

namespace artgen {
namespace {

constexpr float kAxis = 230;  // the body's middle; the left half is drawn and mirrored
constexpr Rgb kWingEdge = hex(0x0E3814);
constexpr Rgb kVein = hex(0x12461A);
constexpr Rgb kShell = hex(0x2F9A3A);
constexpr Rgb kShellInk = hex(0x0A2A0E);

float fore_wing(Vec m) {
  float w = sd_polygon(m, {{198, 82},
                           {168, 56},
                           {128, 30},
                           {86, 12},
                           {46, 4},
                           {18, 4},
                           {5, 13},
                           {5, 32},
                           {13, 54},
                           {27, 74},
                           {42, 90},
                           {64, 105},
                           {96, 119},
                           {132, 127},
                           {168, 128},
                           {200, 120}});
  // Bites along the trailing edge give it a soft, scalloped margin.
  for (Vec c : {Vec{36, 99}, Vec{64, 117}, Vec{98, 131}, Vec{136, 138}}) {
    w = sd_cut(w, sd_circle(m, c, 11));
  }
  return w;
}

float hind_wing(Vec m) {
  float w = sd_polygon(m, {{206, 126},
                           {176, 134},
                           {138, 148},
                           {100, 168},
                           {68, 192},
                           {46, 218},
                           {40, 240},
                           {52, 255},
                           {78, 257},
                           {110, 245},
                           {146, 223},
                           {176, 197},
                           {198, 170},
                           {212, 150}});
  for (Vec c : {Vec{34, 252}, Vec{90, 260}}) w = sd_cut(w, sd_circle(m, c, 9));
  return w;
}

// The colour of a wing membrane at m: dark at the root, lighter and yellower to the rim,
// mottled, and crossed by veins spreading from the root.
Rgb membrane(Vec m, Vec root, float reach, uint32_t seed) {
  float t = clamp01(length(m - root) / reach);
  Rgb c = ramp(
      {{0, hex(0x1A5A24)}, {0.35f, hex(0x2F9A3C)}, {0.8f, hex(0x6ACB58)}, {1, hex(0xA8E87C)}}, t);
  float mottle = fractal_noise(m * 0.06f, 3, seed);
  c = c * (0.86f + 0.28f * mottle);
  // Each cell between veins bulges a little: lighter in its middle.
  float angle = std::atan2(m.y - root.y, m.x - root.x);
  return c * (0.94f + 0.08f * std::cos(angle * 22));
}

void paint_fore_wing(Pen& pen, Vec m) {
  float wing = fore_wing(m);
  if (wing >= 0) return;
  const Vec root{200, 104};
  pen.fill(wing, membrane(m, root, 200, 11), kWingEdge, 2.2f);
  if (wing > -2.2f) return;
  // Veins fanning out from the root, and cross-veins at fixed distances from it.
  float veins = 1e9f;
  veins = sd_union(veins, sd_curve(m, root, {120, 40}, {12, 12}, 1.1f));
  veins = sd_union(veins, sd_curve(m, root, {110, 60}, {8, 40}, 1.0f));
  veins = sd_union(veins, sd_curve(m, root, {110, 80}, {24, 72}, 1.0f));
  veins = sd_union(veins, sd_curve(m, root, {120, 100}, {54, 100}, 0.9f));
  veins = sd_union(veins, sd_curve(m, root, {140, 112}, {96, 118}, 0.9f));
  veins = sd_union(veins, sd_curve(m, root, {165, 118}, {140, 126}, 0.8f));
  float from_root = length(m - root);
  for (float r : {58.0f, 110.0f, 160.0f}) veins = sd_union(veins, std::fabs(from_root - r) - 0.7f);
  pen.tint(veins, kVein, 0.8f);
  // An eye-spot to frighten birds, or players.
  const Vec spot{80, 52};
  float d = length(m - spot);
  if (d < 21) {
    Rgb ring = d < 4.5f    ? hex(0x140C08)
               : d < 10.5f ? ball(m, spot, 10.5f, hex(0xD8381A), 0.5f)
               : d < 16    ? hex(0xE8CE40)
                           : hex(0x10401A);
    pen.fill(-1, ring);
    if (length(m - Vec{77, 49}) < 2) pen.fill(-1, hex(0xFFF6D8));
  }
}

void paint_hind_wing(Pen& pen, Vec m) {
  float wing = hind_wing(m);
  if (wing >= 0) return;
  const Vec root{206, 140};
  pen.fill(wing, membrane(m, root, 175, 23) * 0.9f, kWingEdge, 2.2f);
  if (wing > -2.2f) return;
  float veins = 1e9f;
  veins = sd_union(veins, sd_curve(m, root, {120, 170}, {46, 236}, 1.0f));
  veins = sd_union(veins, sd_curve(m, root, {140, 190}, {70, 252}, 0.9f));
  veins = sd_union(veins, sd_curve(m, root, {160, 200}, {116, 240}, 0.9f));
  float from_root = length(m - root);
  for (float r : {70.0f, 125.0f}) veins = sd_union(veins, std::fabs(from_root - r) - 0.7f);
  pen.tint(veins, kVein, 0.8f);
}

// The leading edge of the fore wing: a stiff rib, lit along its upper side.
void paint_wing_rib(Pen& pen, Vec m) {
  float rib = sd_curve(m, {196, 88}, {120, 22}, {10, 8}, 3.2f);
  if (rib >= 0) return;
  float along = clamp01((196 - m.x) / 186);
  Rgb c = mix(hex(0x2E7A30), hex(0x8AD060), along);
  pen.fill(rib, lit(c, normalize({0, -0.8f, 1}), 0.5f), kShellInk, 1.0f);
}

// Glowing green glands on the hind wings, from which the flanking fans are fired.
void paint_gland(Pen& pen, Vec m) {
  const Vec c{140, 166};
  float d = sd_circle(m, c, 12.5f);
  if (d >= 0) return;
  float glow = smoothstep(12, 0, length(m - Vec{141, 167}));
  Rgb g = ramp({{0, hex(0x1A7A28)}, {0.5f, hex(0x52E05A)}, {1, hex(0xEEFFAA)}}, glow);
  pen.fill(d, g, kShellInk, 1.6f);
}

void paint_legs(Pen& pen, Vec m) {
  float legs = 1e9f;
  legs = sd_union(legs, sd_taper(m, {198, 146}, {172, 166}, 4.5f, 3));
  legs = sd_union(legs, sd_taper(m, {172, 166}, {180, 194}, 3, 1.2f));
  legs = sd_union(legs, sd_taper(m, {194, 118}, {160, 104}, 4.5f, 3));
  legs = sd_union(legs, sd_taper(m, {160, 104}, {150, 130}, 3, 1.2f));
  if (legs >= 0) return;
  pen.fill(legs, lit(hex(0x2C6A2E), normalize({-0.3f, -0.3f, 1}), 0.08f), kShellInk, 1.2f);
}

// A lit body segment: a green dome with a darker rim and a pale ridge down the middle.
void paint_segment(Pen& pen, Vec c, float rx, float ry) {
  const Vec p = pen.p;
  float d = sd_ellipse(p, c, rx, ry);
  if (d >= 0) return;
  Rgb shell = lit(kShell, dome_normal(p, c, rx, ry), 0.55f, 22);
  pen.fill(d, shell, kShellInk, 1.6f);
  pen.tint(sd_ellipse(p, c + Vec{0, 1}, rx * 0.14f, ry * 0.8f), hex(0x9CE87A), 0.55f);
}

void paint_body(Pen& pen) {
  const Vec p = pen.p;
  const Vec m = mirror_x(p, kAxis);
  // The abdomen, tapering to a sting at the top.
  pen.fill(sd_taper(p, {kAxis, 16}, {kAxis, 1}, 6, 1), hex(0xC8B040), kShellInk, 1.0f);
  const std::array<Vec, 4> segments{Vec{kAxis, 18}, Vec{kAxis, 36}, Vec{kAxis, 56}, Vec{kAxis, 77}};
  const std::array<Vec, 4> radii{Vec{17, 12}, Vec{23, 13}, Vec{29, 14}, Vec{35, 15}};
  for (size_t i = 0; i < segments.size(); ++i)
    paint_segment(pen, segments[i], radii[i].x, radii[i].y);
  // Spines along the segments' flanks.
  for (size_t i = 1; i < segments.size(); ++i) {
    Vec base{kAxis - radii[i].x + 3, segments[i].y};
    float spine = sd_taper(m, base, base + Vec{-9, -5}, 3, 0.6f);
    pen.fill(spine, hex(0xC8B040), kShellInk, 0.9f);
  }

  // The thorax: a broad armoured plate with two amber gems.
  const Vec thorax{kAxis, 112};
  float plate = sd_ellipse(p, thorax, 50, 33);
  Rgb shell = lit(kShell, dome_normal(p, thorax, 50, 33), 0.6f, 20);
  pen.fill(plate, shell, kShellInk, 2.0f);
  pen.tint(sd_segment(p, {kAxis, 86}, {kAxis, 140}, 2.5f), hex(0xA4EC84), 0.5f);
  pen.tint(sd_curve(m, {186, 120}, {205, 132}, {kAxis, 136}, 0.9f), kShellInk, 0.8f);
  const Vec gem{208, 106};
  float g = sd_ellipse(m, gem, 8, 6);
  pen.fill(g, ball(m, gem, 8, hex(0xF0A020), 0.9f), hex(0x4A2A04), 1.2f);

  // The head, low and wide, with great red compound eyes and the mouth between them.
  const Vec head{kAxis, 163};
  float skull = sd_ellipse(p, head, 40, 30);
  pen.fill(skull, lit(hex(0x35A540), dome_normal(p, head, 40, 30), 0.6f, 20), kShellInk, 2.0f);
  // Mandibles, curving in below the mouth.
  float jaw = sd_curve(m, {212, 180}, {205, 192}, {221, 195}, 3.0f);
  pen.fill(jaw, lit(hex(0xC8B040), normalize({-0.3f, 0.2f, 1}), 0.6f), kShellInk, 1.2f);
  const Vec eye{206, 158};
  float e = sd_ellipse(m, eye, 14, 12);
  Vec3 n = dome_normal(m, eye, 14, 12);
  // Facets: a fine grid that follows the eye's curve.
  float facets = std::fabs(std::sin(n.x * 9)) + std::fabs(std::sin(n.y * 9));
  Rgb red = lit(hex(0xD8202A) * (0.85f + 0.1f * facets), n, 0.8f, 16);
  pen.fill(e, red, hex(0x3A0606), 1.5f);
  // The mouth: a green glow where the swirls are born.
  const Vec mouth{kAxis, 176};
  float mo = sd_ellipse(p, mouth, 10, 8);
  float glow = smoothstep(9, 0, length(p - mouth));
  pen.fill(mo, ramp({{0, hex(0x1C6A24)}, {0.6f, hex(0x6AF060)}, {1, hex(0xF0FFB0)}}, glow),
           kShellInk, 1.4f);
}

void paint_boss(Pen& pen) {
  const Vec m = mirror_x(pen.p, kAxis);
  paint_hind_wing(pen, m);
  paint_fore_wing(pen, m);
  paint_wing_rib(pen, m);
  paint_gland(pen, m);
  paint_legs(pen, m);
  paint_body(pen);
}

}  // namespace

Painter boss_painter() {
  return paint_boss;
}

Cell draw_boss() {
  return render_cell(460, 260, paint_boss, 3);
}

}  // namespace artgen
