// The pictures built into the program.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "formats/png.hpp"

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

}  // namespace qv
