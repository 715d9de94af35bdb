#include "formats/png.hpp"

#include <png.h>

#include <cstring>
#include <fstream>

namespace qv {

std::optional<Picture> decode_png(const uint8_t* data, size_t size) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data, size)) return std::nullopt;
  image.format = PNG_FORMAT_BGRA;  // little-endian 0xAARRGGBB words
  Picture p;
  p.width = static_cast<int32_t>(image.width);
  p.height = static_cast<int32_t>(image.height);
  p.pixels.resize(static_cast<size_t>(p.width) * p.height);
  if (!png_image_finish_read(&image, nullptr, p.pixels.data(), 0, nullptr)) {
    png_image_free(&image);
    return std::nullopt;
  }
  return p;
}

namespace {

// The file is a stream opened in binary, by a name of any letters on every system; a failed
// write shows on the stream when it is closed.
void write_bytes(png_structp png, png_bytep data, size_t size) {
  static_cast<std::ostream*>(png_get_io_ptr(png))
      ->write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// libpng reports a failure by a long jump back to here. The jump's target owns nothing that
// would need destroying, as WebAssembly's exceptions require of a function that calls setjmp.
bool write_rows(png_structp png, png_infop info, std::ostream& out, const Picture& picture,
                bool with_alpha, uint8_t* row) {
  if (setjmp(png_jmpbuf(png))) return false;
  int channels = with_alpha ? 4 : 3;
  png_set_write_fn(png, &out, write_bytes, nullptr);
  png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width),
               static_cast<png_uint_32>(picture.height), 8,
               with_alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 9);
  png_write_info(png, info);
  for (int32_t y = 0; y < picture.height; ++y) {
    for (int32_t x = 0; x < picture.width; ++x) {
      uint32_t p = picture.pixels[static_cast<size_t>(y) * picture.width + x];
      uint8_t* o = row + static_cast<size_t>(x) * channels;
      o[0] = (p >> 16) & 0xFF;
      o[1] = (p >> 8) & 0xFF;
      o[2] = p & 0xFF;
      if (with_alpha) o[3] = (p >> 24) & 0xFF;
    }
    png_write_row(png, row);
  }
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

bool write_png(const std::filesystem::path& path, const Picture& picture, bool with_alpha) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  std::vector<uint8_t> row(static_cast<size_t>(picture.width) * (with_alpha ? 4 : 3));
  bool written = write_rows(png, info, f, picture, with_alpha, row.data());
  png_destroy_write_struct(&png, &info);
  f.close();
  return written && !f.fail();
}

}  // namespace qv
