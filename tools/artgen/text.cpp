#include "tools/artgen/text.hpp"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>
#include <filesystem>
#include <limits>
#include <map>
#include <stdexcept>
#include <utility>

namespace artgen {
namespace {

// Fine pixels per output pixel: letters are set large, then measured back down.
constexpr int kFine = 4;
// Room around the ink, in output pixels, for outlines, shadows and glows.
constexpr int kPad = 16;

std::u32string decode_utf8(std::string_view s) {
  std::u32string out;
  for (size_t i = 0; i < s.size();) {
    auto b = static_cast<unsigned char>(s[i]);
    int extra = b < 0x80 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
    char32_t c = extra == 0 ? b : b & (0x3F >> extra);
    for (int k = 1; k <= extra && i + k < s.size(); ++k) {
      c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    }
    out.push_back(c);
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

// Squared distances along one line to the nearest feature (f = 0 at features, huge
// elsewhere), by the lower envelope of the parabolas rooted at every pixel.
void distance_1d(const std::vector<double>& f, std::vector<double>& d, std::vector<int>& v,
                 std::vector<double>& z) {
  const int n = static_cast<int>(f.size());
  constexpr double kInf = std::numeric_limits<double>::infinity();
  auto meet = [&](int q, int r) {
    return ((f[q] + double(q) * q) - (f[r] + double(r) * r)) / (2.0 * q - 2.0 * r);
  };
  int k = 0;
  v[0] = 0;
  z[0] = -kInf;
  z[1] = kInf;
  for (int q = 1; q < n; ++q) {
    double s = meet(q, v[k]);
    while (s <= z[k]) {
      --k;
      s = meet(q, v[k]);
    }
    ++k;
    v[k] = q;
    z[k] = s;
    z[k + 1] = kInf;
  }
  k = 0;
  for (int q = 0; q < n; ++q) {
    while (z[k + 1] < q) ++k;
    double dq = q - v[k];
    d[q] = dq * dq + f[v[k]];
  }
}

// Squared Euclidean distance from every pixel to the nearest pixel where `feature` is set.
std::vector<double> squared_distance(const std::vector<uint8_t>& feature, int w, int h) {
  constexpr double kFar = 1e20;
  std::vector<double> grid(feature.size());
  for (size_t i = 0; i < feature.size(); ++i) grid[i] = feature[i] ? 0 : kFar;
  int n = std::max(w, h);
  std::vector<double> f, d, z(n + 1);
  std::vector<int> v(n);
  for (int x = 0; x < w; ++x) {
    f.resize(h), d.resize(h);
    for (int y = 0; y < h; ++y) f[y] = grid[static_cast<size_t>(y) * w + x];
    distance_1d(f, d, v, z);
    for (int y = 0; y < h; ++y) grid[static_cast<size_t>(y) * w + x] = d[y];
  }
  for (int y = 0; y < h; ++y) {
    f.resize(w), d.resize(w);
    for (int x = 0; x < w; ++x) f[x] = grid[static_cast<size_t>(y) * w + x];
    distance_1d(f, d, v, z);
    for (int x = 0; x < w; ++x) grid[static_cast<size_t>(y) * w + x] = d[x];
  }
  return grid;
}

struct Glyph {
  int32_t x, y;  // top-left in fine pixels from the origin
  int32_t w, h;
  std::vector<uint8_t> coverage;
};

}  // namespace

struct Typesetter::Library {
  FT_Library ft = nullptr;
  std::map<std::pair<std::string, int>, FT_Face> faces;

  FT_Face face(const FontFile& font) {
    auto key = std::make_pair(std::string(font.path), font.face_index);
    auto it = faces.find(key);
    if (it != faces.end()) return it->second;
    FT_Face f = nullptr;
    if (FT_New_Face(ft, font.path, font.face_index, &f) != 0) {
      throw std::runtime_error(std::string("cannot read the font ") + font.path +
                               " (Debian package " + font.package + ")");
    }
    faces.emplace(key, f);
    return f;
  }
};

Typesetter::Typesetter() : lib_(std::make_unique<Library>()) {
  if (FT_Init_FreeType(&lib_->ft) != 0) throw std::runtime_error("FreeType did not start");
}

Typesetter::~Typesetter() {
  for (auto& [key, face] : lib_->faces) FT_Done_Face(face);
  FT_Done_FreeType(lib_->ft);
}

std::string Typesetter::missing_fonts() {
  for (const FontFile& f : kAllFonts) {
    if (!std::filesystem::exists(f.path)) {
      return std::string("missing font ") + f.path + ": install the Debian package " + f.package;
    }
  }
  return {};
}

TextField Typesetter::set(const FontFile& font, std::string_view utf8, float size_px, float slant,
                          float tracking) {
  FT_Face face = lib_->face(font);
  FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lround(size_px * kFine * 64)), 72, 72);
  FT_Matrix shear{0x10000, static_cast<FT_Fixed>(std::lround(slant * 0x10000)), 0, 0x10000};
  FT_Set_Transform(face, &shear, nullptr);

  std::vector<Glyph> glyphs;
  float pen = 0;
  FT_UInt previous = 0;
  for (char32_t c : decode_utf8(utf8)) {
    FT_UInt index = FT_Get_Char_Index(face, c);
    if (index == 0) {
      throw std::runtime_error(std::string("the font ") + font.path + " lacks a needed letter");
    }
    if (previous && FT_HAS_KERNING(face)) {
      FT_Vector k;
      FT_Get_Kerning(face, previous, index, FT_KERNING_UNFITTED, &k);
      pen += static_cast<float>(k.x) / 64.0f;
    }
    previous = index;
    if (FT_Load_Glyph(face, index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0 ||
        FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0) {
      throw std::runtime_error(std::string("the font ") + font.path + " did not render");
    }
    const FT_Bitmap& bm = face->glyph->bitmap;
    Glyph g{static_cast<int32_t>(std::lround(pen)) + face->glyph->bitmap_left,
            -face->glyph->bitmap_top,
            static_cast<int32_t>(bm.width),
            static_cast<int32_t>(bm.rows),
            {}};
    g.coverage.resize(static_cast<size_t>(g.w) * g.h);
    for (int32_t y = 0; y < g.h; ++y) {
      for (int32_t x = 0; x < g.w; ++x) {
        g.coverage[static_cast<size_t>(y) * g.w + x] = bm.buffer[y * bm.pitch + x];
      }
    }
    glyphs.push_back(std::move(g));
    pen += static_cast<float>(face->glyph->advance.x) / 64.0f + tracking * kFine;
  }
  FT_Set_Transform(face, nullptr, nullptr);

  int32_t x0 = 0, y0 = 0, x1 = 1, y1 = 1;
  bool first = true;
  for (const Glyph& g : glyphs) {
    if (g.w == 0 || g.h == 0) continue;
    x0 = first ? g.x : std::min(x0, g.x);
    y0 = first ? g.y : std::min(y0, g.y);
    x1 = first ? g.x + g.w : std::max(x1, g.x + g.w);
    y1 = first ? g.y + g.h : std::max(y1, g.y + g.h);
    first = false;
  }
  TextField t;
  const int32_t pad = kPad * kFine;
  t.width_ = x1 - x0 + 2 * pad;
  t.height_ = y1 - y0 + 2 * pad;
  t.scale_ = kFine;
  t.origin_ = {static_cast<float>(pad - x0), static_cast<float>(pad - y0)};
  t.left = static_cast<float>(x0) / kFine;
  t.right = static_cast<float>(x1) / kFine;
  t.top = static_cast<float>(y0) / kFine;
  t.bottom = static_cast<float>(y1) / kFine;
  t.advance = pen / kFine;

  std::vector<uint8_t> ink(static_cast<size_t>(t.width_) * t.height_, 0);
  for (const Glyph& g : glyphs) {
    for (int32_t y = 0; y < g.h; ++y) {
      for (int32_t x = 0; x < g.w; ++x) {
        if (g.coverage[static_cast<size_t>(y) * g.w + x] < 128) continue;
        ink[static_cast<size_t>(g.y + y + pad - y0) * t.width_ + (g.x + x + pad - x0)] = 1;
      }
    }
  }
  std::vector<uint8_t> paper(ink.size());
  for (size_t i = 0; i < ink.size(); ++i) paper[i] = !ink[i];
  std::vector<double> to_ink = squared_distance(ink, t.width_, t.height_);
  std::vector<double> to_paper = squared_distance(paper, t.width_, t.height_);
  t.field_.resize(ink.size());
  for (size_t i = 0; i < ink.size(); ++i) {
    double d = ink[i] ? -(std::sqrt(to_paper[i]) - 0.5) : std::sqrt(to_ink[i]) - 0.5;
    t.field_[i] = static_cast<float>(d / kFine);
  }
  return t;
}

float TextField::distance(Vec p) const {
  float fx = origin_.x + p.x * scale_ - 0.5f;
  float fy = origin_.y + p.y * scale_ - 0.5f;
  float cx = std::clamp(fx, 0.0f, static_cast<float>(width_ - 1));
  float cy = std::clamp(fy, 0.0f, static_cast<float>(height_ - 1));
  float beyond = length(Vec{fx - cx, fy - cy}) / scale_;
  int32_t ix = std::min(static_cast<int32_t>(cx), width_ - 2);
  int32_t iy = std::min(static_cast<int32_t>(cy), height_ - 2);
  float tx = cx - static_cast<float>(ix), ty = cy - static_cast<float>(iy);
  auto at = [&](int32_t x, int32_t y) { return field_[static_cast<size_t>(y) * width_ + x]; };
  float top = at(ix, iy) + (at(ix + 1, iy) - at(ix, iy)) * tx;
  float bottom = at(ix, iy + 1) + (at(ix + 1, iy + 1) - at(ix, iy + 1)) * tx;
  return top + (bottom - top) * ty + beyond;
}

}  // namespace artgen
