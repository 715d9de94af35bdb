// The pictures built into the program, and their loading onto surfaces.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "platform/png.hpp"
#include "platform/surface.hpp"

namespace qv {

struct EmbeddedFile {
  const char* name;  // the stem of its file under assets/
  const unsigned char* data;
  size_t size;
};

// Ends with an entry whose name is null.
extern const EmbeddedFile kEmbeddedFiles[];

// The embedded picture of that name, decoded; nullopt when there is none.
std::optional<Picture> embedded_picture(std::string_view name);

// Draws the embedded picture onto the surface from its top-left corner; false when missing.
bool load_picture(std::string_view name, Surface& surface);

}  // namespace qv
