// quelvaris-artgen OUTDIR: draws the game's six pictures, and the web page's two icons, and
// writes them as PNG files.
// The output depends only on this code and the fonts, so a re-run gives the same bytes.
// Exit status: 0 done, 1 a file could not be written or a font failed, 2 wrong usage,
// 3 a font is not installed (the checks that re-draw the pictures skip then).
#include <cstdio>
#include <exception>
#include <string>

#include "tools/artgen/pictures.hpp"

namespace {

bool write(const std::string& dir, const char* stem, const qv::Picture& p, bool alpha = false) {
  std::string path = dir + "/" + stem + ".png";
  if (qv::write_png(path, p, alpha)) return true;
  std::fprintf(stderr, "quelvaris-artgen: cannot write %s\n", path.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: quelvaris-artgen OUTDIR\n");
    return 2;
  }
  std::string missing = artgen::Typesetter::missing_fonts();
  if (!missing.empty()) {
    std::fprintf(stderr, "quelvaris-artgen: %s\n", missing.c_str());
    return 3;
  }
  try {
    std::string dir = argv[1];
    artgen::Typesetter type;
    artgen::Sheet sprites = artgen::make_sprite_sheet(type);
    artgen::Sheet staff = artgen::make_staff(type);
    bool ok = write(dir, "title", artgen::make_title(type)) &&
              write(dir, "sprites", sprites.sheet()) &&
              write(dir, "sprites_mask", sprites.mask()) && write(dir, "staff", staff.sheet()) &&
              write(dir, "staff_mask", staff.mask()) &&
              write(dir, "icon", artgen::make_icon(type, 64), true) &&
              write(dir, "icon-192", artgen::make_icon(type, 192), true) &&
              write(dir, "icon-512", artgen::make_icon(type, 512), true);
    return ok ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quelvaris-artgen: %s\n", e.what());
    return 1;
  }
}
