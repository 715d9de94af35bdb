#include <gtest/gtest.h>

#include "system/surface.hpp"

namespace qv {
namespace {

TEST(BitBlt, ClipsToTheDestinationAndDrawsNothingOutside) {
  Surface src(4, 4, 0x112233);
  Surface dst(10, 10, kBlack);
  EXPECT_TRUE(BitBlt(dst.hDC(), 8, -2, 4, 4, src.hDC(), 0, 0, SRCCOPY));
  int drawn = 0;
  for (uint32_t p : dst.pixels()) drawn += p == 0x112233;
  EXPECT_EQ(drawn, 2 * 2);  // columns 8..9, rows 0..1
  EXPECT_EQ(dst.at(8, 0), 0x112233u);
  EXPECT_EQ(dst.at(7, 0), kBlack);

  Surface untouched(10, 10, kBlack);
  BitBlt(untouched.hDC(), 430, 565, 4, 4, src.hDC(), 0, 0, SRCCOPY);
  BitBlt(untouched.hDC(), -4, 3, 4, 4, src.hDC(), 0, 0, SRCCOPY);
  BitBlt(untouched.hDC(), INT32_MAX, INT32_MIN, 4, 4, src.hDC(), 0, 0, SRCCOPY);
  for (uint32_t p : untouched.pixels()) EXPECT_EQ(p, kBlack);
}

TEST(BitBlt, PaintOrsAndAndAnds) {
  Surface src(1, 1, 0x0F0F0F);
  Surface dst(1, 1, 0x30F000);
  BitBlt(dst.hDC(), 0, 0, 1, 1, src.hDC(), 0, 0, SRCPAINT);
  EXPECT_EQ(dst.at(0, 0), 0x3FFF0Fu);
  BitBlt(dst.hDC(), 0, 0, 1, 1, src.hDC(), 0, 0, SRCAND);
  EXPECT_EQ(dst.at(0, 0), 0x0F0F0Fu);
}

TEST(BitBlt, AHandleThatNamesNoSurfaceFailsQuietly) {
  Surface dst(2, 2, kBlack);
  EXPECT_FALSE(BitBlt(dst.hDC(), 0, 0, 2, 2, 0, 0, 0, SRCCOPY));
  EXPECT_FALSE(BitBlt(99999, 0, 0, 2, 2, dst.hDC(), 0, 0, SRCCOPY));
}

// A 3 x 1 sprite: a red pixel inside the mask, white background outside it, and a grey pixel
// that lies under a black mask pixel.
struct SpriteSheets {
  Surface sheet{3, 1, kWhite};
  Surface mask{3, 1, kBlack};
  SpriteSheets() {
    sheet.at(0, 0) = 0xFF0000;
    mask.at(0, 0) = kWhite;
    sheet.at(2, 0) = 0x808080;
  }
};

TEST(BltSprite, ShowsTheSpriteInsideItsMaskAndTheDestinationAround) {
  SpriteSheets s;
  Surface dst(3, 1, 0x00FF00);
  Blt_Sprite(s.sheet.hDC(), s.mask.hDC(), 0, 0, 3, 1, dst.hDC(), 0, 0);
  EXPECT_EQ(dst.at(0, 0), 0xFF0000u);  // the sprite
  EXPECT_EQ(dst.at(1, 0), 0x00FF00u);  // white sheet, black mask: the destination shows
  EXPECT_EQ(dst.at(2, 0), 0x008000u);  // a sheet pixel under a black mask darkens
}

TEST(BltSprite, OverBlackShowsOnlyTheSprite) {
  SpriteSheets s;
  Surface dst(3, 1, kBlack);
  Blt_Sprite(s.sheet.hDC(), s.mask.hDC(), 0, 0, 2, 1, dst.hDC(), 0, 0);
  EXPECT_EQ(dst.at(0, 0), 0xFF0000u);
  EXPECT_EQ(dst.at(1, 0), kBlack);
}

TEST(BltSprite, FusedPassMatchesTheTwoRasterOperations) {
  Surface sheet(64, 32, kWhite), mask(64, 32, kBlack);
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
  for (auto& p : sheet.pixels()) p = next() & 0xFFFFFF;
  for (auto& p : mask.pixels()) p = (next() & 1) ? kWhite : kBlack;
  for (int32_t x : {-20, 0, 7, 50}) {
    for (int32_t y : {-9, 0, 13}) {
      Surface fused(40, 30, 0x123456), apart(40, 30, 0x123456);
      Blt_Sprite(sheet.hDC(), mask.hDC(), 3, 2, 33, 25, fused.hDC(), x, y);
      BitBlt(apart.hDC(), x, y, 33, 25, mask.hDC(), 3, 2, SRCPAINT);
      BitBlt(apart.hDC(), x, y, 33, 25, sheet.hDC(), 3, 2, SRCAND);
      EXPECT_EQ(fused.pixels(), apart.pixels()) << "at " << x << "," << y;
    }
  }
}

TEST(Surface, ClearFillsWithTheBackgroundAndRefreshShows) {
  Surface s(3, 2, kBlack);
  s.at(1, 1) = 0xABCDEF;
  s.Cls();
  for (uint32_t p : s.pixels()) EXPECT_EQ(p, kBlack);
  int shown = 0;
  s.set_refresh([&] { ++shown; });
  s.Refresh();
  EXPECT_EQ(shown, 1);
}

}  // namespace
}  // namespace qv
