#include "assets/embedded.hpp"

#include <algorithm>

namespace qv {

std::optional<Picture> embedded_picture(std::string_view name) {
  for (const EmbeddedFile* f = kEmbeddedFiles; f->name; ++f) {
    if (name == f->name) return decode_png(f->data, f->size);
  }
  return std::nullopt;
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
