#include "formats/embedded.hpp"

namespace qv {

std::optional<Picture> embedded_picture(std::string_view name) {
  for (const EmbeddedFile* f = kEmbeddedFiles; f->name; ++f) {
    if (name == f->name) return decode_png(f->data, f->size);
  }
  return std::nullopt;
}

}  // namespace qv
