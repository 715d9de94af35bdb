// The two pictures made of words that the game lays over its starfield: the GameOver sign
// with its two key lines, and the staff roll. Both are hard-edged and carry a dark outline
// inside their mask, so every letter stays legible over stars and enemies alike.
#include "tools/artgen/pictures.hpp"

namespace artgen {
namespace {

// A line of lettering placed in a cell: its field and where its pen starts.
struct Line {
  TextField field;
  Vec origin;
  Rgb colour{};
  float distance(Vec p) const { return field.distance(p - origin); }
};

// Places a line so that its ink is centred horizontally on cx, baseline at y.
Line centred(TextField field, float cx, float baseline) {
  float x = cx - (field.left + field.right) / 2;
  return {std::move(field), {std::round(x), baseline}};
}

}  // namespace

Cell draw_game_over(Typesetter& type) {
  constexpr float kWidth = 310, kCentre = kWidth / 2;
  Line title = centred(type.set(kSansBoldOblique, "GameOver", 50, 0, 1), kCentre, 48);
  Line up =
      centred(type.set(kSansCondensedBoldOblique, "\u2191 Up arrow: continue", 14), kCentre, 66);
  Line down = centred(
      type.set(kSansCondensedBoldOblique, "\u2193 Down arrow: start again from the beginning", 13),
      kCentre, 83);
  const float top = title.origin.y + title.field.top, bottom = title.origin.y + title.field.bottom;

  Painter paint = [&](Pen& pen) {
    const Vec p = pen.p;
    float big = title.distance(p);
    // A thick dark rim, then the red letters with light from above and a bright upper edge.
    pen.fill(big - 2.6f, hex(0x240404));
    float t = clamp01((p.y - top) / (bottom - top));
    Rgb red = ramp(
        {{0, hex(0xFF9A7A)}, {0.18f, hex(0xFF4A36)}, {0.55f, hex(0xE0141C)}, {1, hex(0x7A0610)}},
        t);
    // A band of reflected light across the lower part of the letters.
    red = mix(red, hex(0xFF6048), smoothstep(0.72f, 0.8f, t) * smoothstep(0.95f, 0.85f, t) * 0.6f);
    pen.fill(big, red);
    // Light falls on the upper left faces of each stroke: a thin highlight inside the edge.
    float inner = title.distance(p + Vec{1.2f, 1.2f});
    if (big < 0 && inner > -0.2f) pen.fill(-1, mix(red, hex(0xFFD0B0), 0.55f));

    for (const Line* line : {&up, &down}) {
      float d = line->distance(p);
      pen.fill(d - 1.6f, hex(0x10101C));
      pen.fill(d, mix(hex(0xFFF0C0), hex(0xF0C860), clamp01((p.y - line->origin.y + 11) / 12)));
    }
  };
  return render_cell(310, 90, paint, 4);
}

Sheet make_staff(Typesetter& type) {
  struct Credit {
    const char* role;
    std::initializer_list<const char*> names;
  };
  const Credit credits[] = {
      {"Programmer", {"Tomas Veldhuis"}},
      {"Painter", {"Mirei Asakura"}},
      {"Sound effects", {"Jonah Pellerin"}},
      {"Music", {"Ilse Marchetti"}},
      {"Test players", {"Oskar Lindvall", "Haruka Ino", "Wren Calloway"}},
  };
  std::vector<Line> lines;
  // Captions in a light spring green, names in a deeper leaf green beside them.
  constexpr Rgb kCaption = hex(0x9CEB6A), kName = hex(0x4CD05C);
  constexpr float kRoleX = 6, kNameX = 130, kStep = 19.5f, kRoleGap = 3;
  float baseline = 19;
  for (const Credit& c : credits) {
    lines.push_back({type.set(kSansBoldOblique, c.role, 14), {kRoleX, baseline}, kCaption});
    for (const char* name : c.names) {
      lines.push_back({type.set(kSansBoldOblique, name, 14), {kNameX, baseline}, kName});
      baseline += kStep;
    }
    baseline += kRoleGap;
  }

  Painter paint = [&](Pen& pen) {
    const Vec p = pen.p;
    for (const Line& line : lines) {
      float d = line.distance(p);
      if (d > 3) continue;
      pen.fill(d - 1.3f, hex(0x06240C));
      // Each letter darkens a little towards its foot.
      float t = clamp01((p.y - line.origin.y + 11) / 13);
      pen.fill(d, mix(line.colour, line.colour * 0.72f, t));
    }
  };
  Sheet staff(300, 300);
  staff.blank(0, 0, 300, 300);  // the unused rest of the picture is background too
  staff.place(render_cell(270, 160, paint, 4), 0, 0);
  return staff;
}

}  // namespace artgen
