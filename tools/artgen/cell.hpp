// Hard-edged sprites: each one is drawn as shapes, sampled several times per pixel. A pixel
// belongs to the sprite when most of its samples fall inside a shape, and its colour is the
// mean of those samples only, so colours blend inside a sprite but never into the white
// around it. The mask is taken from the same samples, so sprite and mask cannot disagree.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "formats/png.hpp"
#include "tools/artgen/geometry.hpp"

namespace artgen {

// What one sample point of a sprite has been painted with so far.
class Pen {
 public:
  explicit Pen(Vec at) : p(at) {}

  // Covers the inside of a shape with a colour.
  void fill(float sd, Rgb c) {
    if (sd < 0) {
      covered = true;
      colour = c;
    }
  }
  // Covers a shape with a rim of the edge colour, edge_width pixels wide, inside its border.
  void fill(float sd, Rgb c, Rgb edge, float edge_width) {
    if (sd < 0) fill(sd, sd > -edge_width ? edge : c);
  }
  // Recolours what is already painted inside a shape (markings, stripes, shadows); never
  // adds to the sprite's outline.
  void tint(float sd, Rgb c, float amount = 1) {
    if (sd < 0 && covered) colour = mix(colour, c, amount);
  }

  const Vec p;
  bool covered = false;
  Rgb colour;
};

using Painter = std::function<void(Pen&)>;

struct Cell {
  int32_t width = 0, height = 0;
  std::vector<Rgb> colour;
  std::vector<uint8_t> covered;
  Rgb& colour_at(int32_t x, int32_t y) { return colour[static_cast<size_t>(y) * width + x]; }
  uint8_t& covered_at(int32_t x, int32_t y) { return covered[static_cast<size_t>(y) * width + x]; }
};

// Samples a painter over a w x h cell, `samples` x `samples` times per pixel. Coordinates
// are pixels from the cell's top-left corner.
Cell render_cell(int32_t w, int32_t h, const Painter& paint, int samples = 4);

// Grows the sprite by one pixel all round (within its cell) in a dark outline colour, so it
// stands apart from whatever it is drawn over.
void add_outline(Cell& cell, Rgb outline, bool diagonals = true);

// A sheet and its mask being laid out: black everywhere until cells are placed.
class Sheet {
 public:
  Sheet(int32_t w, int32_t h);
  // Puts a cell at (x, y): its pixels on white in the sheet, white on black in the mask.
  void place(const Cell& cell, int32_t x, int32_t y);
  // Makes a rectangle background: white in the sheet, black in the mask.
  void blank(int32_t x, int32_t y, int32_t w, int32_t h);
  // Fills a rectangle of the sheet with one colour, marked visible in the mask.
  void solid(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t rgb);
  const qv::Picture& sheet() const { return sheet_; }
  const qv::Picture& mask() const { return mask_; }

 private:
  qv::Picture sheet_, mask_;
};

// The brightest a visible sprite pixel may be: pure white is the sheet's background.
constexpr int kBrightest = 250;

}  // namespace artgen
