// PNG pictures in and out, as 0x00RRGGBB pixels (alpha, where a file has it, in the top byte).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace qv {

struct Picture {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;  // row by row; 0xAARRGGBB, alpha 0xFF where the file has none
};

std::optional<Picture> decode_png(const uint8_t* data, size_t size);

// Writes RGB (or RGBA when with_alpha) with fixed settings, so that the same pixels always
// give the same bytes. False when the file cannot be written. (system/platform.hpp makes the
// path of a UTF-8 name.)
bool write_png(const std::filesystem::path& path, const Picture& picture, bool with_alpha = false);

}  // namespace qv
