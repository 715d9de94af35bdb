// Picture surfaces with persistent images and device handles, and the raster blits the
// game draws with. Pixels are 0x00RRGGBB; the raster operations act on them bit by bit.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace qv {

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kDefaultBackground = 0xF0F0F0;  // the window system's button face grey

class Surface;

// The handles of one context's surfaces: handle h names slot h - 1; a destroyed surface's
// handle is given out again.
class SurfaceTable {
 public:
  static constexpr int32_t kMost = 256;
  // 0 when every handle is taken: every blit with it then fails quietly, as a failed blit does.
  int32_t add(Surface* surface);
  void remove(int32_t handle);
  Surface* find(int32_t handle) const;

 private:
  Surface* slots_[kMost] = {};
};

class Surface {
 public:
  Surface(int32_t width, int32_t height, uint32_t background = kDefaultBackground);
  ~Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  // The handle the blits take; fetched anew for every call that draws.
  int32_t hDC() const { return handle_; }
  // Fills the image with the background colour.
  void Cls();
  // Shows the current image now (the host decides what showing means).
  void Refresh() const;
  void set_refresh(std::function<void()> show) { on_refresh_ = std::move(show); }

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  uint32_t background() const { return background_; }
  uint32_t* row(int32_t y) { return pixels_.data() + static_cast<size_t>(y) * width_; }
  const uint32_t* row(int32_t y) const { return pixels_.data() + static_cast<size_t>(y) * width_; }
  uint32_t& at(int32_t x, int32_t y) { return row(y)[x]; }
  uint32_t at(int32_t x, int32_t y) const { return row(y)[x]; }
  std::vector<uint32_t>& pixels() { return pixels_; }
  const std::vector<uint32_t>& pixels() const { return pixels_; }

  // The surface a handle names in the current context, or null for a handle that names none.
  static Surface* from_handle(int32_t hdc);

 private:
  int32_t width_, height_;
  uint32_t background_;
  std::vector<uint32_t> pixels_;
  SurfaceTable* table_;  // the current context's when the surface was made
  int32_t handle_;
  std::function<void()> on_refresh_;
};

// Draws the embedded picture of that name onto the surface from its top-left corner; false
// when there is none.
bool load_picture(std::string_view name, Surface& surface);

enum RasterOp : uint32_t {
  SRCCOPY = 0x00CC0020,   // dest = source
  SRCPAINT = 0x00EE0086,  // dest = dest OR source
  SRCAND = 0x008800C6,    // dest = dest AND source
};

// Copies a w x h rectangle from (sx, sy) of the source to (x, y) of the destination with
// the raster operation, clipped to both surfaces. False when a handle names no surface.
bool BitBlt(int32_t hdc_dest, int32_t x, int32_t y, int32_t w, int32_t h, int32_t hdc_src,
            int32_t sx, int32_t sy, RasterOp rop);

// A plain rectangle copy, source first.
void Blt_Copy(int32_t hdc_src, int32_t sx, int32_t sy, int32_t w, int32_t h, int32_t hdc_dest,
              int32_t x, int32_t y);

// A sprite drawn through its mask: the mask is ORed in, then the sprite ANDed over it, so
// the destination shows through wherever the mask is black and the sprite white.
void Blt_Sprite(int32_t hdc_sprite, int32_t hdc_mask, int32_t sx, int32_t sy, int32_t w, int32_t h,
                int32_t hdc_dest, int32_t x, int32_t y);

}  // namespace qv
