// The sprite sheet: the player's ship and shot, the enemies and their bullets, the boss, the
// GameOver picture, the star colours and the life icon, each in its fixed rectangle.
#include <array>

#include "tools/artgen/pictures.hpp"

namespace artgen {
namespace {

// Pure black reads as a hole against the starfield, so outlines are very dark hues instead.
constexpr Rgb kInkPurple = hex(0x1E0A2E);
constexpr Rgb kInkRed = hex(0x3A0808);
constexpr Rgb kInkGreen = hex(0x0C2410);
constexpr Rgb kInkBlue = hex(0x0A1438);
constexpr Rgb kInkGrey = hex(0x1A1C22);

// --- The player's ship ------------------------------------------------------------------------
// 60 x 70, nose up, its two guns at x 20 and 40 where the shots leave it.

void paint_ship(Pen& pen) {
  const Vec p = pen.p;
  const Vec m = mirror_x(p, 30);  // left half; the right is its reflection
  const Rgb hull = hex(0xD4DCE8), wing = hex(0x2F64D0), trim = hex(0xD8262E);

  // Engine flames under the tail, drawn first so the nozzles sit over them.
  float flame = sd_taper(m, {24.5f, 58}, {24.5f, 68.5f}, 3.2f, 0.6f);
  float heat = clamp01((p.y - 57) / 11);
  pen.fill(flame, ramp({{0, hex(0xFFF4B0)}, {0.45f, hex(0xFFB030)}, {1, hex(0xE03A10)}}, heat));

  // Main wings: a swept delta with a notch at the trailing edge.
  float wings = sd_polygon(m, {{30, 20}, {30, 54}, {16, 54}, {4, 58}, {1, 52}, {3, 45}, {22, 26}});
  Rgb wing_lit = lit(wing, normalize({(m.x - 30) * 0.02f, -0.2f, 1}), 0.35f);
  pen.fill(wings, mix(wing_lit, hex(0x7FA8F0), smoothstep(4, 0, -wings) * 0.35f), kInkBlue, 1.1f);
  // Red wingtip fins.
  float fin = sd_polygon(m, {{3, 40}, {7, 38}, {8, 55}, {4, 58}, {1, 52}});
  pen.fill(fin, lit(trim, normalize({-0.3f, -0.2f, 1}), 0.4f), kInkRed, 1.0f);
  // A pale stripe along each wing.
  pen.tint(sd_segment(m, {23, 34}, {9, 50}, 1.1f), hex(0xE8EEF8), 0.85f);

  // The gun pods, long barrels ahead of the wings.
  float pod = sd_segment(m, {20, 14}, {20, 46}, 3.0f);
  Vec3 pod_n = normalize({(m.x - 20) / 3.0f, 0, 1});
  pen.fill(pod, lit(hex(0x9AA4B4), pod_n, 0.7f, 30), kInkGrey, 0.9f);
  float muzzle = sd_box(m, {20, 12.5f}, {1.8f, 2.5f});
  pen.fill(muzzle, hex(0x3A3E48));
  pen.tint(sd_box(m, {20, 30}, {3.2f, 1.2f}), trim, 0.9f);

  // The fuselage: a long rounded hull from the nose to the engines.
  float body =
      sd_blend(sd_ellipse(p, {30, 36}, 8.2f, 22), sd_taper(p, {30, 4}, {30, 26}, 1.2f, 6.5f), 4);
  body = sd_union(body, sd_box(p, {30, 53}, {7.5f, 5}, 2));
  Vec3 hull_n = normalize({(p.x - 30) / 8.5f, (p.y - 30) * -0.01f, 1});
  pen.fill(body, lit(hull, hull_n, 0.8f, 28), kInkGrey, 1.0f);
  // A red band round the hull and dark engine nozzles.
  pen.tint(sd_box(p, {30, 45}, {9, 1.4f}), trim, 0.9f);
  pen.fill(sd_box(m, {24.5f, 58.5f}, {2.8f, 2.2f}, 0.6f), hex(0x3C404A));
  // The canopy: dark glass with a bright streak.
  float canopy = sd_ellipse(p, {30, 25}, 3.8f, 7.5f);
  Rgb glass = lit(hex(0x1E5A8C), dome_normal(p, {30, 25}, 3.8f, 7.5f), 0.9f, 16);
  pen.fill(canopy, glass, hex(0x10243A), 0.8f);
}

// --- The player's shot: a red flame drop, hot core ahead, tail trailing below -------------------

void paint_shot(Pen& pen) {
  const Vec p = pen.p;
  float drop =
      sd_blend(sd_circle(p, {10, 7.5f}, 5.2f), sd_taper(p, {10, 8}, {10, 19.2f}, 4.2f, 0.4f), 1.5f);
  float depth = clamp01(-drop / 5.0f);
  Rgb c =
      ramp({{0, hex(0xB8101A)}, {0.3f, hex(0xF0301E)}, {0.65f, hex(0xFF8A28)}, {1, hex(0xFFF2B0)}},
           depth);
  pen.fill(drop, c, hex(0x5A0A0A), 0.8f);
}

// --- Small winged creature: red body, purple bat wings, looking down ----------------------------

void paint_winged_creature(Pen& pen) {
  const Vec p = pen.p;
  const Vec m = mirror_x(p, 20);
  const Rgb membrane = hex(0x8E44D2), body = hex(0xD42A2A);

  // Wings: a bat's membrane stretched between finger bones from the wrist, each gap between
  // two fingers bitten into a scallop.
  const Vec shoulder{16, 14}, wrist{7.5f, 5.5f};
  const std::array<Vec, 4> fingers{Vec{0.5f, 1.5f}, Vec{0.5f, 15}, Vec{4, 25.5f}, Vec{12.5f, 27}};
  float wing =
      sd_polygon(m, {shoulder, wrist, fingers[0], fingers[1], fingers[2], fingers[3], {17, 22}});
  for (auto [c, r] : {std::pair{Vec{-3.2f, 8.5f}, 4.6f}, std::pair{Vec{-1.2f, 23}, 4.6f},
                      std::pair{Vec{7.5f, 30.5f}, 4.8f}}) {
    wing = sd_cut(wing, sd_circle(m, c, r));
  }
  float from_root = clamp01(length(m - shoulder) / 17);
  Rgb w = ramp({{0, hex(0x4A1A78)}, {0.55f, membrane}, {1, hex(0xC490F6)}}, from_root);
  pen.fill(wing, lit(w, normalize({-0.2f, -0.3f, 1}), 0.15f), kInkPurple, 1.0f);
  float bones = sd_segment(m, shoulder, wrist, 1.0f);
  for (size_t i = 0; i < 3; ++i) bones = sd_union(bones, sd_segment(m, wrist, fingers[i], 0.55f));
  bones = sd_union(bones, sd_segment(m, shoulder, fingers[3], 0.55f));
  pen.tint(bones, hex(0x3A1460), 0.85f);
  // Little horns.
  pen.fill(sd_taper(m, {17.2f, 11}, {15, 5}, 2.1f, 0.5f), hex(0xE8C890), kInkRed, 0.6f);

  // Body and head, round and glossy.
  float torso = sd_ellipse(p, {20, 17.5f}, 6.5f, 9.5f);
  pen.fill(torso, ball(p, {19, 16}, 9.5f, body, 0.5f), kInkRed, 1.0f);
  pen.tint(sd_box(p, {20, 14}, {6, 0.5f}), hex(0x801418), 0.6f);
  pen.tint(sd_box(p, {20, 18}, {6, 0.5f}), hex(0x801418), 0.6f);
  float head = sd_circle(p, {20, 28.5f}, 6.0f);
  pen.fill(head, ball(p, {20, 28.5f}, 6.0f, hex(0xE8403A), 0.6f), kInkRed, 1.0f);
  // Two yellow eyes and a fanged mouth facing down at the player.
  float eyes = sd_circle(m, {17.6f, 28}, 1.6f);
  pen.fill(eyes, hex(0xFFE84A));
  pen.fill(sd_circle(m, {17.8f, 28.4f}, 0.7f), hex(0x200808));
  pen.fill(sd_box(p, {20, 32.3f}, {2.2f, 0.6f}), hex(0x300808));
  pen.fill(sd_taper(m, {18.8f, 32.5f}, {19.2f, 35}, 0.6f, 0.2f), hex(0xF0F0E0));
}

// --- Bullets -----------------------------------------------------------------------------------

void paint_magenta_ball(Pen& pen) {
  float d = sd_circle(pen.p, {5, 5}, 4.9f);
  pen.fill(d, ball(pen.p, {5, 5}, 4.9f, hex(0xE838D0), 0.8f), hex(0x5A0E50), 0.8f);
}

void paint_red_droplet(Pen& pen) {
  const Vec p = pen.p;
  float drop =
      sd_blend(sd_circle(p, {5, 14.6f}, 4.6f), sd_taper(p, {5, 13}, {5, 1.2f}, 3.6f, 0.5f), 1);
  Rgb c = lit(hex(0xE41C20), dome_normal(p, {5, 12}, 4.6f, 9), 0.8f, 20);
  pen.fill(drop, c, kInkRed, 0.8f);
}

void paint_red_blob(Pen& pen) {
  const Vec p = pen.p;
  const Vec centre{10, 10.3f};
  std::array<Vec, 3> lobes{};
  float blob = 1e9f;
  for (int i = 0; i < 3; ++i) {
    float a = -kPi / 2 + static_cast<float>(i) * 2 * kPi / 3;
    lobes[i] = centre + Vec{std::cos(a), std::sin(a)} * 4.3f;
    blob = sd_blend(blob, sd_circle(p, lobes[i], 5.3f), 1.5f);
  }
  // Each lobe is lit as its own ball; the nearest one decides.
  int near = 0;
  for (int i = 1; i < 3; ++i) {
    if (length(p - lobes[i]) < length(p - lobes[near])) near = i;
  }
  Rgb c = ball(p, lobes[near], 5.6f, hex(0xE0242C), 0.7f);
  pen.fill(blob, c, kInkRed, 0.9f);
  pen.tint(sd_circle(p, centre, 1.6f), hex(0x801018), 0.7f);
}

void paint_blue_ringed_ball(Pen& pen) {
  const Vec p = pen.p;
  const Vec c{10, 10};
  const float tilt = -0.42f;
  Vec r = rotate(p, c, -tilt);  // the ring's own frame
  float ring = sd_cut(sd_ellipse(r, c, 9.6f, 3.6f), sd_ellipse(r, c, 7.0f, 2.0f));
  Rgb ring_colour = mix(hex(0x7FE0FF), hex(0x2A80C8), clamp01((r.x - c.x + 9) / 18));
  // The back half of the ring, the ball, then the front half over it.
  if (r.y < c.y) pen.fill(ring, ring_colour, kInkBlue, 0.7f);
  pen.fill(sd_circle(p, c, 6.4f), ball(p, c, 6.4f, hex(0x2850E0), 0.8f), kInkBlue, 0.8f);
  if (r.y >= c.y) pen.fill(ring, ring_colour, kInkBlue, 0.7f);
}

void paint_large_blue_ball(Pen& pen) {
  const Vec p = pen.p;
  const Vec c{15, 15};
  float d = sd_circle(p, c, 14.2f);
  Rgb body = ball(p, c, 14.2f, hex(0x2C5CF0), 0.9f);
  // A bright core shows through: energy rather than stone.
  float core = smoothstep(9, 2, length(p - Vec{15.5f, 15.5f}));
  body = mix(body, hex(0xA8E4FF), core * 0.65f);
  pen.fill(d, body, kInkBlue, 1.0f);
  pen.tint(sd_cut(sd_circle(p, c, 11.5f), sd_circle(p, c, 10.3f)), hex(0x6CB0FF), 0.45f);
}

// --- Enemies -----------------------------------------------------------------------------------

// A globe with dark green stripes from pole to pole, carrying three red spheres below.
void paint_striped_globe(Pen& pen) {
  const Vec p = pen.p;
  const Vec c{30, 25};
  const float r = 22.5f;
  // Struts from the globe to the spheres, then the spheres' cradle ring.
  const std::array<Vec, 3> spheres{Vec{12.5f, 46}, Vec{30, 51.5f}, Vec{47.5f, 46}};
  for (Vec s : spheres) {
    pen.fill(sd_segment(p, c, s, 2.2f), lit(hex(0x707A70), {0, 0, 1}, 0), kInkGrey, 0.8f);
  }
  float globe = sd_circle(p, c, r);
  Vec3 n = dome_normal(p, c, r, r);
  float longitude = std::atan2(n.x, n.z) + 0.35f;
  float band = fract(longitude / (kPi / 5));
  bool dark = band < 0.42f;
  Rgb skin = dark ? hex(0x17702A) : hex(0x58D050);
  pen.fill(globe, lit(skin, n, 0.55f, 18), kInkGreen, 1.1f);
  // An equator belt that the struts hang from.
  float belt = sd_cut(sd_ellipse(p, {30, 31}, 22.6f, 8), sd_ellipse(p, {30, 29.3f}, 22.6f, 7));
  pen.tint(sd_intersect(belt, globe + 0.5f), hex(0xC8A040), 0.85f);
  for (Vec s : spheres) {
    float sd = sd_circle(p, s, 7.2f);
    pen.fill(sd, ball(p, s, 7.2f, hex(0xE01C24), 0.85f), kInkRed, 1.0f);
  }
}

// A metal seed pod split open down the front, three red spheres inside like peas.
void paint_grey_pod(Pen& pen) {
  const Vec p = pen.p;
  const Vec m = mirror_x(p, 25);
  // Little fins at the sides and a stalk at the top.
  pen.fill(sd_polygon(m, {{9, 14}, {1.5f, 9}, {2, 20}, {8, 30}}), hex(0x5C6270), kInkGrey, 0.9f);
  pen.fill(sd_taper(p, {25, 6}, {25, 0.8f}, 3, 1.6f), hex(0x8A909C), kInkGrey, 0.8f);
  float shell = sd_ellipse(p, {25, 26}, 17, 23);
  Vec3 n = dome_normal(p, {25, 26}, 17, 23);
  Rgb metal = lit(hex(0x9CA3AE), n, 0.9f, 40);
  // Brushed rings round the shell.
  metal = metal * (0.93f + 0.07f * std::cos(p.y * 1.3f));
  pen.fill(shell, metal, kInkGrey, 1.1f);
  // The opening and the dark inside.
  float slit = sd_ellipse(p, {25, 27}, 9, 19);
  pen.fill(slit, hex(0x231C24), hex(0x4A4E58), 1.2f);
  for (float y : {14.0f, 26.5f, 39.0f}) {
    float sd = sd_circle(p, {25, y}, 5.6f);
    pen.fill(sd, ball(p, {25, y}, 5.6f, hex(0xE42028), 0.9f), kInkRed, 0.8f);
  }
}

// A blue globe caged in a red lattice.
void paint_lattice_globe(Pen& pen) {
  const Vec p = pen.p;
  const Vec c{20, 20};
  const float r = 19.0f;
  float globe = sd_circle(p, c, r);
  Vec3 n = dome_normal(p, c, r, r);
  Rgb blue = lit(hex(0x2456D8), n, 0.7f, 20);
  pen.fill(globe, blue, kInkBlue, 1.0f);
  // Two families of spirals on the sphere cross into diamonds.
  float lon = std::atan2(n.x, n.z), lat = std::asin(std::clamp(n.y, -1.0f, 1.0f));
  const float k = 3.0f / kPi * 2;
  float a = fract((lon + lat) * k), b = fract((lon - lat) * k);
  float line = std::min(std::min(a, 1 - a), std::min(b, 1 - b));
  pen.tint(line - 0.09f, lit(hex(0xE42A22), n, 0.5f, 20));
}

// A grey armoured creature with one great eye, its blue orbs on short stalks.
void paint_eye_creature(Pen& pen) {
  const Vec p = pen.p;
  const Vec m = mirror_x(p, 40);
  const Vec centre{40, 37};
  const std::array<Vec, 3> orbs{Vec{9, 33}, Vec{17, 62}, Vec{40, 71}};
  const std::array<float, 3> orb_r{5.5f, 6.5f, 7.5f};
  // Stalks first, so the body and the orbs cover their ends.
  for (size_t i = 0; i < orbs.size(); ++i) {
    pen.fill(sd_taper(m, centre, orbs[i], 6, 3), lit(hex(0x6E7480), {0, 0, 1}, 0), kInkGrey, 1.0f);
  }
  // Two horns at the top.
  pen.fill(sd_taper(m, {28, 14}, {14, 2}, 4.5f, 1),
           lit(hex(0x6A665C), normalize({-0.4f, -0.4f, 1}), 0.3f), kInkGrey, 1.0f);
  // The shell: a rounded carapace with ribs running out from the eye.
  float shell = sd_ellipse(p, centre, 27, 26);
  Vec3 n = dome_normal(p, centre, 27, 26);
  float angle = std::atan2(p.y - centre.y, p.x - centre.x);
  float rib = 0.5f + 0.5f * std::cos(angle * 10);
  Rgb grey = lit(mix(hex(0x7E848E), hex(0xA4AAB2), rib), n, 0.6f, 24);
  pen.fill(shell, grey, kInkGrey, 1.2f);
  // The eye: a lidded socket, a pale eyeball, an amber iris and a slit pupil.
  pen.fill(sd_ellipse(p, {40, 38}, 17.5f, 13.5f), hex(0x3A3C44));
  float eyeball = sd_ellipse(p, {40, 38.5f}, 15.5f, 11.5f);
  Rgb sclera = lit(hex(0xE8E0C4), dome_normal(p, {40, 38.5f}, 15.5f, 11.5f), 0.5f, 30);
  pen.fill(eyeball, sclera);
  pen.tint(eyeball + 1.5f, hex(0xC05040), 0.2f);  // bloodshot rim
  float iris = sd_circle(p, {40, 40}, 8);
  Rgb amber = ramp({{0, hex(0xFFD040)}, {0.6f, hex(0xE07810)}, {1, hex(0x7A2A08)}},
                   length(p - Vec{40, 40}) / 8);
  pen.fill(iris, amber, hex(0x401804), 1.0f);
  pen.fill(sd_ellipse(p, {40, 40}, 1.8f, 6.5f), hex(0x100808));
  pen.fill(sd_circle(p, {36.5f, 36.5f}, 1.6f), hex(0xFAFAF0));
  for (size_t i = 0; i < orbs.size(); ++i) {
    float sd = sd_circle(m, orbs[i], orb_r[i]);
    Rgb glow = ball(m, orbs[i] + Vec{0.8f, 0.8f}, orb_r[i], hex(0x2E70F4), 0.9f);
    pen.fill(sd,
             mix(glow, hex(0x9CD8FF), smoothstep(orb_r[i] * 0.6f, 0, length(m - orbs[i])) * 0.4f),
             kInkBlue, 1.0f);
  }
}

// A small green swirl: two arms curling out of a glowing core, drawn out along its flight.
void paint_green_swirl(Pen& pen) {
  const Vec c{10, 15.5f};
  Vec q{pen.p.x - c.x, (pen.p.y - c.y) * 0.66f};
  float r = length(q);
  float theta = std::atan2(q.y, q.x);
  float arms = 1e9f;
  for (int arm = 0; arm < 2; ++arm) {
    float turned = fract((theta + static_cast<float>(arm) * kPi) / (2 * kPi)) * 2 * kPi;
    for (int lap = 0; lap < 2; ++lap) {
      float along = turned + 2 * kPi * static_cast<float>(lap);
      float arm_r = 2.2f + 1.1f * along;
      if (arm_r > 9.8f) continue;
      arms = std::min(arms, std::fabs(r - arm_r) - (2.0f - 0.17f * along));
    }
  }
  float swirl = std::min(arms, r - 3.6f);
  float glow = smoothstep(9, 0.5f, r);
  Rgb g =
      ramp({{0, hex(0x1E8A2E)}, {0.5f, hex(0x46D24C)}, {0.85f, hex(0xB8FF80)}, {1, hex(0xF0FFC8)}},
           glow);
  pen.fill(swirl, g, kInkGreen, 0.7f);
}

// --- The life icon: the ship in miniature ------------------------------------------------------

Painter life_icon_painter() {
  Painter ship = ship_painter();
  return [ship](Pen& pen) {
    // The 60 x 70 ship shrunk to 20 high, centred in the 30 x 20 cell.
    constexpr float kScale = 70.0f / 20.0f;
    Pen inner({(pen.p.x - 15) * kScale + 30, pen.p.y * kScale});
    ship(inner);
    if (inner.covered) pen.fill(-1, inner.colour);
  };
}

// The twelve star colours; the stars are copied from these columns without a mask.
constexpr std::array<uint32_t, 12> kStarColours{0x770077, 0xFF77FF, 0x007777, 0x77FFFF,
                                                0x777700, 0xFFFF77, 0x000077, 0x7777FF,
                                                0x007700, 0x77FF77, 0x770000, 0xFF7777};

}  // namespace

Painter ship_painter() {
  return paint_ship;
}

Sheet make_sprite_sheet(Typesetter& type) {
  Sheet sheet(640, 480);
  struct Placed {
    int32_t x, y, w, h;
    Painter paint;
  };
  const Placed sprites[] = {
      {0, 0, 60, 70, paint_ship},
      {60, 0, 20, 20, paint_shot},
      {0, 70, 40, 40, paint_winged_creature},
      {40, 70, 10, 10, paint_magenta_ball},
      {0, 110, 60, 60, paint_striped_globe},
      {60, 110, 10, 20, paint_red_droplet},
      {0, 170, 50, 50, paint_grey_pod},
      {50, 170, 20, 20, paint_red_blob},
      {0, 220, 40, 40, paint_lattice_globe},
      {40, 220, 20, 20, paint_blue_ringed_ball},
      {0, 260, 80, 80, paint_eye_creature},
      {80, 260, 30, 30, paint_large_blue_ball},
      {600, 0, 20, 30, paint_green_swirl},
  };
  for (const Placed& s : sprites) sheet.place(render_cell(s.w, s.h, s.paint), s.x, s.y);

  Cell life = render_cell(30, 20, life_icon_painter(), 6);
  sheet.place(life, 610, 460);
  sheet.place(draw_boss(), 140, 0);
  sheet.place(draw_game_over(type), 140, 260);
  // Every star strip runs from row 460 to the bottom of the sheet: longer than a star needs.
  for (size_t c = 0; c < kStarColours.size(); ++c) {
    sheet.solid(598 + static_cast<int32_t>(c), 460, 1, 20, kStarColours[c]);
  }
  return sheet;
}

}  // namespace artgen
