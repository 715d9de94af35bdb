// Lettering: lines of text set with FreeType from the system's fonts and turned into signed
// distance fields, so that text can be filled, outlined, shadowed and bevelled like any
// other shape, with hard or soft edges as the picture needs.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tools/artgen/geometry.hpp"

namespace artgen {

// A font file and the Debian package that installs it at that path.
struct FontFile {
  const char* path;
  const char* package;
  int face_index = 0;
};

inline constexpr FontFile kSerifBoldItalic{
    "/usr/share/fonts/truetype/dejavu/DejaVuSerif-BoldItalic.ttf", "fonts-dejavu-extra"};
inline constexpr FontFile kSerifItalic{"/usr/share/fonts/truetype/dejavu/DejaVuSerif-Italic.ttf",
                                       "fonts-dejavu-extra"};
inline constexpr FontFile kSansBoldOblique{
    "/usr/share/fonts/truetype/dejavu/DejaVuSans-BoldOblique.ttf", "fonts-dejavu-extra"};
inline constexpr FontFile kSansCondensedBoldOblique{
    "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-BoldOblique.ttf", "fonts-dejavu-extra"};
inline constexpr FontFile kSansBold{"/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
                                    "fonts-dejavu-core"};
// The first face of the collection is the Japanese one, which has the formal numeral 弐.
inline constexpr FontFile kKanjiSerifBold{"/usr/share/fonts/opentype/noto/NotoSerifCJK-Bold.ttc",
                                          "fonts-noto-cjk", 0};

inline constexpr FontFile kAllFonts[] = {kSerifBoldItalic,          kSerifItalic, kSansBoldOblique,
                                         kSansCondensedBoldOblique, kSansBold,    kKanjiSerifBold};

// A line of text as a signed distance field, in output pixels. The origin is the pen's start
// on the baseline; x to the right, y down.
class TextField {
 public:
  // Distance from p to the nearest edge of the lettering; negative inside a letter.
  float distance(Vec p) const;
  // The ink's extent around the origin.
  float left = 0, right = 0, top = 0, bottom = 0;
  float advance = 0;  // where the pen ends

  float ink_width() const { return right - left; }
  float ink_height() const { return bottom - top; }

 private:
  friend class Typesetter;
  int32_t width_ = 0, height_ = 0;  // of the grid, in fine pixels
  float scale_ = 1;                 // fine pixels per output pixel
  Vec origin_;                      // the pen origin in fine pixels
  std::vector<float> field_;        // signed distance in output pixels
};

class Typesetter {
 public:
  Typesetter();
  ~Typesetter();
  Typesetter(const Typesetter&) = delete;
  Typesetter& operator=(const Typesetter&) = delete;

  // Empty when every font is there; otherwise one line naming what is missing and its package.
  static std::string missing_fonts();

  // Sets a line of UTF-8 text at a pixel size (the em). `slant` shears upright letters to the
  // right (0.2 is a usual italic); `tracking` adds pixels between letters.
  TextField set(const FontFile& font, std::string_view utf8, float size_px, float slant = 0,
                float tracking = 0);

 private:
  struct Library;
  std::unique_ptr<Library> lib_;
};

}  // namespace artgen
