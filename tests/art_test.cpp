// The pictures built into the game: their sizes, and the sheet-and-mask convention that the
// masked blit depends on, checked on the very bytes the game embeds.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "formats/embedded.hpp"
#include "system/surface.hpp"

namespace qv {
namespace {

struct Rect {
  int32_t x, y, w, h;
  const char* what;
  bool contains(int32_t px, int32_t py) const {
    return px >= x && py >= y && px < x + w && py < y + h;
  }
};

// Every rectangle of the sprite sheet that the game draws through the mask.
constexpr Rect kSprites[] = {
    {0, 0, 60, 70, "player ship"},      {60, 0, 20, 20, "player shot"},
    {0, 70, 40, 40, "winged creature"}, {40, 70, 10, 10, "magenta ball"},
    {0, 110, 60, 60, "striped globe"},  {60, 110, 10, 20, "red droplet"},
    {0, 170, 50, 50, "grey pod"},       {50, 170, 20, 20, "red blob"},
    {0, 220, 40, 40, "lattice globe"},  {40, 220, 20, 20, "ringed ball"},
    {0, 260, 80, 80, "eye creature"},   {80, 260, 30, 30, "large blue ball"},
    {140, 0, 460, 260, "boss"},         {600, 0, 20, 30, "boss swirl"},
    {140, 260, 310, 90, "GameOver"},    {610, 460, 30, 20, "life icon"},
};
// The star strips: copied without a mask, from row 460 down.
constexpr Rect kStars{598, 460, 12, 10, "star colours"};
constexpr std::array<uint32_t, 12> kStarColours{0x770077, 0xFF77FF, 0x007777, 0x77FFFF,
                                                0x777700, 0xFFFF77, 0x000077, 0x7777FF,
                                                0x007700, 0x77FF77, 0x770000, 0xFF7777};
constexpr Rect kStaff{0, 0, 270, 160, "staff roll"};

uint32_t rgb(const Picture& p, int32_t x, int32_t y) {
  return p.pixels[static_cast<size_t>(y) * p.width + x] & 0xFFFFFF;
}

Picture picture(const char* name) {
  std::optional<Picture> p = embedded_picture(name);
  EXPECT_TRUE(p.has_value()) << name;
  return p.value_or(Picture{});
}

int luma(uint32_t c) {
  return (299 * ((c >> 16) & 0xFF) + 587 * ((c >> 8) & 0xFF) + 114 * (c & 0xFF)) / 1000;
}

TEST(Pictures, HaveTheSizesTheWindowExpects) {
  struct Expected {
    const char* name;
    int32_t w, h;
  };
  for (auto [name, w, h] : {Expected{"title", 430, 565}, Expected{"sprites", 640, 480},
                            Expected{"sprites_mask", 640, 480}, Expected{"staff", 300, 300},
                            Expected{"staff_mask", 300, 300}, Expected{"icon", 64, 64}}) {
    Picture p = picture(name);
    EXPECT_EQ(p.width, w) << name;
    EXPECT_EQ(p.height, h) << name;
    EXPECT_EQ(p.pixels.size(), static_cast<size_t>(w) * h) << name;
  }
}

TEST(Pictures, TheIconIsARoundedTileWithSeeThroughCorners) {
  Picture icon = picture("icon");
  ASSERT_EQ(icon.width, 64);
  EXPECT_EQ(icon.pixels[0] >> 24, 0u);
  EXPECT_EQ(icon.pixels[63] >> 24, 0u);
  EXPECT_EQ(icon.pixels[32 * 64 + 32] >> 24, 0xFFu);
}

TEST(Pictures, TheTitleCarriesABlueLogoAndBlackLettering) {
  Picture title = picture("title");
  ASSERT_EQ(title.width, 430);
  int blue = 0, black = 0;
  for (int32_t y = 0; y < title.height; ++y) {
    for (int32_t x = 0; x < title.width; ++x) {
      uint32_t c = rgb(title, x, y);
      int r = (c >> 16) & 0xFF, b = c & 0xFF;
      if (y < 200 && b > 150 && b > r + 80) ++blue;
      if (y > 380 && luma(c) < 40) ++black;
    }
  }
  EXPECT_GT(blue, 2000);  // large logo letters at the top
  EXPECT_GT(black, 500);  // the instructions and the date below
}

// A mask may hold nothing but black and white, or the masked blit mixes colours.
void expect_strict_mask(const Picture& mask, const char* name) {
  int wrong = 0;
  for (uint32_t p : mask.pixels) wrong += (p & 0xFFFFFF) != kBlack && (p & 0xFFFFFF) != kWhite;
  EXPECT_EQ(wrong, 0) << name << " has grey pixels";
}

// Inside a rectangle: the mask is white exactly where the sheet is not white.
void expect_sheet_and_mask_agree(const Picture& sheet, const Picture& mask, const Rect& r) {
  int white_under_white = 0, colour_under_black = 0, visible = 0;
  for (int32_t y = r.y; y < r.y + r.h; ++y) {
    for (int32_t x = r.x; x < r.x + r.w; ++x) {
      bool shown = rgb(mask, x, y) == kWhite;
      bool white = rgb(sheet, x, y) == kWhite;
      visible += shown;
      white_under_white += shown && white;
      colour_under_black += !shown && !white;
    }
  }
  EXPECT_GT(visible, 0) << r.what << " is empty";
  EXPECT_LT(visible, r.w * r.h) << r.what << " has no background";
  EXPECT_EQ(colour_under_black, 0) << r.what << ": sheet pixels that would darken the screen";
  EXPECT_EQ(white_under_white, 0) << r.what << ": a visible pixel is the background's white";
}

TEST(SpriteSheet, EverySpriteSitsOnWhiteWithAMaskOfExactlyItsPixels) {
  Picture sheet = picture("sprites"), mask = picture("sprites_mask");
  ASSERT_EQ(sheet.width, 640);
  ASSERT_EQ(mask.width, 640);
  expect_strict_mask(mask, "sprites_mask");
  for (const Rect& r : kSprites) expect_sheet_and_mask_agree(sheet, mask, r);
}

TEST(SpriteSheet, IsBlackBetweenTheCellsOnBothSheets) {
  Picture sheet = picture("sprites"), mask = picture("sprites_mask");
  ASSERT_EQ(sheet.width, 640);
  ASSERT_EQ(mask.width, 640);
  int not_black = 0;
  for (int32_t y = 0; y < 480; ++y) {
    for (int32_t x = 0; x < 640; ++x) {
      bool in_cell = kStars.contains(x, y) || (x >= 598 && x < 610 && y >= 460);
      for (const Rect& r : kSprites) in_cell = in_cell || r.contains(x, y);
      if (in_cell) continue;
      not_black += rgb(sheet, x, y) != kBlack;
      not_black += rgb(mask, x, y) != kBlack;
    }
  }
  EXPECT_EQ(not_black, 0);
}

TEST(SpriteSheet, HoldsTheTwelveStarColoursInTenRowStrips) {
  Picture sheet = picture("sprites");
  ASSERT_EQ(sheet.width, 640);
  for (int32_t c = 0; c < 12; ++c) {
    for (int32_t y = kStars.y; y < kStars.y + kStars.h; ++y) {
      EXPECT_EQ(rgb(sheet, kStars.x + c, y), kStarColours[c]) << "colour " << c << " row " << y;
    }
  }
}

// The game's own blit, as the stage script uses it: over black, a sprite shows its sheet
// pixels inside its mask and nothing at all outside; over another colour it leaves that
// colour alone around itself.
TEST(SpriteSheet, SpritesDrawnThroughTheirMasksLeaveNoFringe) {
  Surface sheet(640, 480), mask(640, 480);
  ASSERT_TRUE(load_picture("sprites", sheet));
  ASSERT_TRUE(load_picture("sprites_mask", mask));
  for (const Rect& r : kSprites) {
    for (uint32_t ground : {kBlack, 0x203040u}) {
      Surface screen(r.w + 20, r.h + 20, ground);
      screen.Cls();
      Blt_Sprite(sheet.hDC(), mask.hDC(), r.x, r.y, r.w, r.h, screen.hDC(), 10, 10);
      int wrong = 0, white = 0;
      for (int32_t y = 0; y < screen.height(); ++y) {
        for (int32_t x = 0; x < screen.width(); ++x) {
          int32_t sx = r.x + x - 10, sy = r.y + y - 10;
          bool inside = x >= 10 && y >= 10 && x < 10 + r.w && y < 10 + r.h;
          bool shown = inside && mask.at(sx, sy) == kWhite;
          uint32_t expected = shown ? sheet.at(sx, sy) : ground;
          wrong += screen.at(x, y) != expected;
          white += screen.at(x, y) == kWhite;
        }
      }
      EXPECT_EQ(wrong, 0) << r.what << " over " << std::hex << ground;
      EXPECT_EQ(white, 0) << r.what << " shows white pixels";
    }
  }
}

TEST(SpriteSheet, TheBossBodyFillsTheMiddleOfItsHitBox) {
  Picture mask = picture("sprites_mask");
  ASSERT_EQ(mask.width, 640);
  // The hit box is sheet columns 270..469, rows 0..199; its middle column runs through the
  // body from the tail to the jaws.
  int rows = 0;
  for (int32_t y = 0; y < 200; ++y) rows += rgb(mask, 370, y) == kWhite;
  EXPECT_GE(rows, 190);
  // The wings spread beyond it on both sides.
  EXPECT_EQ(rgb(mask, 180, 40), kWhite);
  EXPECT_EQ(rgb(mask, 560, 40), kWhite);
}

// Lettering laid over the starfield needs a dark rim: every visible pixel on the edge of the
// mask is dark, so that no letter melts into a bright star.
void expect_dark_rim(const Picture& sheet, const Picture& mask, const Rect& r) {
  int bright_edges = 0, edges = 0;
  auto shown = [&](int32_t x, int32_t y) { return r.contains(x, y) && rgb(mask, x, y) == kWhite; };
  for (int32_t y = r.y; y < r.y + r.h; ++y) {
    for (int32_t x = r.x; x < r.x + r.w; ++x) {
      if (!shown(x, y)) continue;
      if (shown(x - 1, y) && shown(x + 1, y) && shown(x, y - 1) && shown(x, y + 1)) continue;
      ++edges;
      bright_edges += luma(rgb(sheet, x, y)) > 90;
    }
  }
  EXPECT_GT(edges, 0) << r.what;
  EXPECT_EQ(bright_edges, 0) << r.what;
}

TEST(SpriteSheet, TheGameOverLetteringHasADarkOutline) {
  Picture sheet = picture("sprites"), mask = picture("sprites_mask");
  ASSERT_EQ(sheet.width, 640);
  expect_dark_rim(sheet, mask, {140, 260, 310, 90, "GameOver"});
}

// The rows of a region that hold lettering, counted as separate bands.
int lines_of_text(const Picture& mask, int32_t x0, int32_t x1, int32_t height) {
  int lines = 0;
  bool in_line = false;
  for (int32_t y = 0; y < height; ++y) {
    bool ink = false;
    for (int32_t x = x0; x < x1 && !ink; ++x) ink = rgb(mask, x, y) == kWhite;
    lines += ink && !in_line;
    in_line = ink;
  }
  return lines;
}

TEST(StaffRoll, IsLetteringOnWhiteWithinItsRectangleAndMaskedExactly) {
  Picture sheet = picture("staff"), mask = picture("staff_mask");
  ASSERT_EQ(sheet.width, 300);
  ASSERT_EQ(mask.width, 300);
  expect_strict_mask(mask, "staff_mask");
  expect_sheet_and_mask_agree(sheet, mask, kStaff);
  expect_dark_rim(sheet, mask, kStaff);
  // Beyond the drawn rectangle the picture is blank: white, and black in the mask.
  int stray = 0;
  for (int32_t y = 0; y < 300; ++y) {
    for (int32_t x = 0; x < 300; ++x) {
      if (kStaff.contains(x, y)) continue;
      stray += rgb(sheet, x, y) != kWhite || rgb(mask, x, y) != kBlack;
    }
  }
  EXPECT_EQ(stray, 0);
}

TEST(StaffRoll, ListsFiveRolesBesideTheirNamesWithThreeTestPlayers) {
  Picture mask = picture("staff_mask");
  ASSERT_EQ(mask.width, 300);
  EXPECT_EQ(lines_of_text(mask, 0, 110, 160), 5);    // the captions
  EXPECT_EQ(lines_of_text(mask, 125, 270, 160), 7);  // one name each, three for the last
}

// The lettering is green: its inside pixels lean to green.
TEST(StaffRoll, IsLetteredInGreen) {
  Picture sheet = picture("staff"), mask = picture("staff_mask");
  ASSERT_EQ(sheet.width, 300);
  int green = 0, other = 0;
  for (int32_t y = 1; y < 159; ++y) {
    for (int32_t x = 1; x < 269; ++x) {
      if (rgb(mask, x, y) != kWhite || luma(rgb(sheet, x, y)) < 90) continue;
      uint32_t c = rgb(sheet, x, y);
      int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
      (g > r + 30 && g > b + 30 ? green : other)++;
    }
  }
  EXPECT_GT(green, 1000);
  EXPECT_EQ(other, 0);
}

}  // namespace
}  // namespace qv
