#include "system/surface.hpp"

#include <algorithm>
#include <array>

#include "formats/embedded.hpp"
#include "system/context.hpp"

namespace qv {
namespace {

// The rectangle of one blit after clipping to both surfaces.
struct Span {
  int32_t x, y, sx, sy, w, h;
};

bool clip(const Surface& dst, const Surface& src, int32_t x, int32_t y, int32_t w, int32_t h,
          int32_t sx, int32_t sy, Span& out) {
  // Work in 64 bits: callers may pass positions far outside the surfaces.
  int64_t dx0 = x, dy0 = y, sx0 = sx, sy0 = sy, ww = w, hh = h;
  auto cut_front = [&](int64_t& d, int64_t& s, int64_t& len, int64_t lo_d, int64_t lo_s) {
    int64_t skip = std::max(lo_d - d, lo_s - s);
    if (skip > 0) {
      d += skip;
      s += skip;
      len -= skip;
    }
  };
  cut_front(dx0, sx0, ww, 0, 0);
  cut_front(dy0, sy0, hh, 0, 0);
  ww = std::min({ww, int64_t{dst.width()} - dx0, int64_t{src.width()} - sx0});
  hh = std::min({hh, int64_t{dst.height()} - dy0, int64_t{src.height()} - sy0});
  if (ww <= 0 || hh <= 0) return false;
  out = {static_cast<int32_t>(dx0), static_cast<int32_t>(dy0), static_cast<int32_t>(sx0),
         static_cast<int32_t>(sy0), static_cast<int32_t>(ww),  static_cast<int32_t>(hh)};
  return true;
}

// Row loops over plain pointers, so that the compiler vectorises them.
void copy_row(uint32_t* __restrict d, const uint32_t* __restrict s, int32_t n) {
  std::copy(s, s + n, d);
}
void or_row(uint32_t* __restrict d, const uint32_t* __restrict s, int32_t n) {
  for (int32_t i = 0; i < n; ++i) d[i] |= s[i];
}
void and_row(uint32_t* __restrict d, const uint32_t* __restrict s, int32_t n) {
  for (int32_t i = 0; i < n; ++i) d[i] &= s[i];
}
void sprite_row(uint32_t* __restrict d, const uint32_t* __restrict m, const uint32_t* __restrict s,
                int32_t n) {
  for (int32_t i = 0; i < n; ++i) d[i] = (d[i] | m[i]) & s[i];
}

// False, and counted, while the current context does not draw.
bool drawing() {
  SystemContext& context = current_context();
  if (!context.drawing) ++context.draws_left_undone;
  return context.drawing;
}

}  // namespace

int32_t SurfaceTable::add(Surface* surface) {
  for (int32_t i = 0; i < kMost; ++i) {
    if (!slots_[i]) {
      slots_[i] = surface;
      return i + 1;
    }
  }
  return 0;
}

void SurfaceTable::remove(int32_t handle) {
  if (handle >= 1 && handle <= kMost) slots_[handle - 1] = nullptr;
}

Surface* SurfaceTable::find(int32_t handle) const {
  return handle >= 1 && handle <= kMost ? slots_[handle - 1] : nullptr;
}

Surface::Surface(int32_t width, int32_t height, uint32_t background)
    : width_(width),
      height_(height),
      background_(background),
      pixels_(static_cast<size_t>(width) * height, background),
      table_(&current_context().surfaces),
      handle_(table_->add(this)) {}

Surface::~Surface() {
  table_->remove(handle_);
}

void Surface::Cls() {
  if (!drawing()) return;
  std::fill(pixels_.begin(), pixels_.end(), background_);
}

void Surface::Refresh() const {
  if (on_refresh_) on_refresh_();
}

Surface* Surface::from_handle(int32_t hdc) {
  return current_context().surfaces.find(hdc);
}

bool BitBlt(int32_t hdc_dest, int32_t x, int32_t y, int32_t w, int32_t h, int32_t hdc_src,
            int32_t sx, int32_t sy, RasterOp rop) {
  Surface* dst = Surface::from_handle(hdc_dest);
  Surface* src = Surface::from_handle(hdc_src);
  if (!dst || !src) return false;
  Span c;
  if (!clip(*dst, *src, x, y, w, h, sx, sy, c)) return true;  // nothing visible to draw
  if (!drawing()) return true;
  if (dst == src) {
    // Overlapping rows within one surface: go through a copy of the source rows.
    std::vector<uint32_t> tmp(static_cast<size_t>(c.w) * c.h);
    for (int32_t r = 0; r < c.h; ++r)
      std::copy_n(src->row(c.sy + r) + c.sx, c.w, tmp.data() + static_cast<size_t>(r) * c.w);
    for (int32_t r = 0; r < c.h; ++r) {
      uint32_t* d = dst->row(c.y + r) + c.x;
      const uint32_t* s = tmp.data() + static_cast<size_t>(r) * c.w;
      if (rop == SRCCOPY)
        copy_row(d, s, c.w);
      else if (rop == SRCPAINT)
        or_row(d, s, c.w);
      else
        and_row(d, s, c.w);
    }
    return true;
  }
  for (int32_t r = 0; r < c.h; ++r) {
    uint32_t* d = dst->row(c.y + r) + c.x;
    const uint32_t* s = src->row(c.sy + r) + c.sx;
    switch (rop) {
      case SRCCOPY:
        copy_row(d, s, c.w);
        break;
      case SRCPAINT:
        or_row(d, s, c.w);
        break;
      case SRCAND:
        and_row(d, s, c.w);
        break;
    }
  }
  return true;
}

void Blt_Copy(int32_t hdc_src, int32_t sx, int32_t sy, int32_t w, int32_t h, int32_t hdc_dest,
              int32_t x, int32_t y) {
  BitBlt(hdc_dest, x, y, w, h, hdc_src, sx, sy, SRCCOPY);
}

void Blt_Sprite(int32_t hdc_sprite, int32_t hdc_mask, int32_t sx, int32_t sy, int32_t w, int32_t h,
                int32_t hdc_dest, int32_t x, int32_t y) {
  Surface* dst = Surface::from_handle(hdc_dest);
  Surface* spr = Surface::from_handle(hdc_sprite);
  Surface* msk = Surface::from_handle(hdc_mask);
  bool separate = dst && spr && msk && dst != spr && dst != msk && spr->width() == msk->width() &&
                  spr->height() == msk->height();
  if (!separate) {
    // The general case, exactly as two raster operations.
    BitBlt(hdc_dest, x, y, w, h, hdc_mask, sx, sy, SRCPAINT);
    BitBlt(hdc_dest, x, y, w, h, hdc_sprite, sx, sy, SRCAND);
    return;
  }
  // Sheet and mask share their layout, so one clipped rectangle serves both and the two
  // operations fuse into one pass over the destination.
  Span c;
  if (!clip(*dst, *spr, x, y, w, h, sx, sy, c) || !drawing()) return;
  for (int32_t r = 0; r < c.h; ++r)
    sprite_row(dst->row(c.y + r) + c.x, msk->row(c.sy + r) + c.sx, spr->row(c.sy + r) + c.sx, c.w);
}

bool load_picture(std::string_view name, Surface& surface) {
  std::optional<Picture> p = embedded_picture(name);
  if (!p) return false;
  int32_t w = std::min(p->width, surface.width());
  int32_t h = std::min(p->height, surface.height());
  for (int32_t y = 0; y < h; ++y) {
    const uint32_t* src = p->pixels.data() + static_cast<size_t>(y) * p->width;
    uint32_t* dst = surface.row(y);
    for (int32_t x = 0; x < w; ++x) dst[x] = src[x] & 0xFFFFFF;
  }
  return true;
}

}  // namespace qv
