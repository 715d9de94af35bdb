#include "tools/artgen/cell.hpp"

namespace artgen {

Cell render_cell(int32_t w, int32_t h, const Painter& paint, int samples) {
  Cell cell{w, h, std::vector<Rgb>(static_cast<size_t>(w) * h, Rgb{1, 1, 1}),
            std::vector<uint8_t>(static_cast<size_t>(w) * h, 0)};
  const float step = 1.0f / static_cast<float>(samples);
  const int all = samples * samples;
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      Rgb sum;
      int inside = 0;
      for (int sy = 0; sy < samples; ++sy) {
        for (int sx = 0; sx < samples; ++sx) {
          Pen pen({static_cast<float>(x) + (static_cast<float>(sx) + 0.5f) * step,
                   static_cast<float>(y) + (static_cast<float>(sy) + 0.5f) * step});
          paint(pen);
          if (!pen.covered) continue;
          sum = sum + pen.colour;
          ++inside;
        }
      }
      if (inside * 2 > all) {
        cell.covered_at(x, y) = 1;
        cell.colour_at(x, y) = sum * (1.0f / static_cast<float>(inside));
      }
    }
  }
  return cell;
}

void add_outline(Cell& cell, Rgb outline, bool diagonals) {
  std::vector<uint8_t> was = cell.covered;
  auto covered = [&](int32_t x, int32_t y) {
    return x >= 0 && y >= 0 && x < cell.width && y < cell.height &&
           was[static_cast<size_t>(y) * cell.width + x];
  };
  for (int32_t y = 0; y < cell.height; ++y) {
    for (int32_t x = 0; x < cell.width; ++x) {
      if (covered(x, y)) continue;
      bool near = covered(x - 1, y) || covered(x + 1, y) || covered(x, y - 1) || covered(x, y + 1);
      if (diagonals) {
        near = near || covered(x - 1, y - 1) || covered(x + 1, y - 1) || covered(x - 1, y + 1) ||
               covered(x + 1, y + 1);
      }
      if (!near) continue;
      cell.covered_at(x, y) = 1;
      cell.colour_at(x, y) = outline;
    }
  }
}

Sheet::Sheet(int32_t w, int32_t h) {
  for (qv::Picture* p : {&sheet_, &mask_}) {
    p->width = w;
    p->height = h;
    p->pixels.assign(static_cast<size_t>(w) * h, 0xFF000000u);
  }
}

void Sheet::place(const Cell& cell, int32_t x0, int32_t y0) {
  for (int32_t y = 0; y < cell.height; ++y) {
    for (int32_t x = 0; x < cell.width; ++x) {
      size_t i = static_cast<size_t>(y0 + y) * sheet_.width + (x0 + x);
      size_t j = static_cast<size_t>(y) * cell.width + x;
      bool visible = cell.covered[j] != 0;
      sheet_.pixels[i] = 0xFF000000u | (visible ? to_pixel(cell.colour[j], kBrightest) : 0xFFFFFFu);
      mask_.pixels[i] = visible ? 0xFFFFFFFFu : 0xFF000000u;
    }
  }
}

void Sheet::blank(int32_t x0, int32_t y0, int32_t w, int32_t h) {
  for (int32_t y = y0; y < y0 + h; ++y) {
    for (int32_t x = x0; x < x0 + w; ++x) {
      size_t i = static_cast<size_t>(y) * sheet_.width + x;
      sheet_.pixels[i] = 0xFFFFFFFFu;
      mask_.pixels[i] = 0xFF000000u;
    }
  }
}

void Sheet::solid(int32_t x0, int32_t y0, int32_t w, int32_t h, uint32_t rgb) {
  for (int32_t y = y0; y < y0 + h; ++y) {
    for (int32_t x = x0; x < x0 + w; ++x) {
      size_t i = static_cast<size_t>(y) * sheet_.width + x;
      sheet_.pixels[i] = 0xFF000000u | rgb;
      mask_.pixels[i] = 0xFFFFFFFFu;
    }
  }
}

}  // namespace artgen
