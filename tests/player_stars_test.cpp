#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>

#include "system/random.hpp"
#include "tests/player_bench.hpp"

namespace qv {
namespace {

using testing::PlayerBench;
using testing::star_colour;

TEST(StarRing, EveryThirdCallStartsAStarInTheNextOfTheHundredAndOneSlots) {
  PlayerBench b;
  Randomize(5);
  std::map<int, int32_t> started;  // call -> slot
  for (int call = 1; call <= 306; ++call) {
    b.move_stars();
    // A new star is drawn first at y 0; every other slot has fallen further by now.
    for (int32_t slot = 0; slot <= 100; ++slot) {
      if (b.s.st_y[slot] == 0) started[call] = slot;
    }
    EXPECT_EQ(b.s.loop_i, 101);
  }
  ASSERT_EQ(started.size(), 102u);
  EXPECT_EQ(started.begin()->first, 3);
  EXPECT_EQ(started.begin()->second, 0);
  EXPECT_EQ(started.at(6), 1);
  EXPECT_EQ(started.at(303), 100);
  EXPECT_EQ(started.at(306), 0);
  EXPECT_EQ(b.s.st_next, 1);
  EXPECT_EQ(b.s.st_phase, 0);
  // Slot 1, started at call 6, has fallen for 300 calls and waits for call 309.
  EXPECT_EQ(b.s.st_y[1], 5 * 300);
}

TEST(StarRing, StarsAreCopiedAsStripsOfTheirColourWhereverTheyAre) {
  PlayerBench b;
  b.s.st_x[40] = 50;
  b.s.st_y[40] = 95;
  b.s.st_c[40] = 11;  // the last star column, next to the life icon
  b.s.st_x[41] = 429;
  b.s.st_y[41] = 550;  // partly below the edge
  b.s.st_c[41] = 0;
  b.s.st_y[42] = 1505;  // long gone, still copied and clipped away
  b.s.st_c[42] = 7;
  b.back.at(50, 100) = testing::kShipColour;  // plain copies cover what lies beneath
  b.move_stars();
  EXPECT_EQ(b.count(star_colour(11), 50, 100, 1, 10), 10);
  EXPECT_EQ(b.count(star_colour(11)), 10);
  EXPECT_EQ(b.count(star_colour(0), 429, 555, 1, 10), 10);
  EXPECT_EQ(b.count(star_colour(7)), 0);
  EXPECT_EQ(b.count(testing::kShipColour), 0);
}

// Colours of many stars: rounding to nearest gives the end values 0 and 11 half the share of
// the others; cutting off the fraction would give no 11 at all.
TEST(StarRandom, TheEndsOfEachRangeComeUpHalfAsOften) {
  PlayerBench b;
  Randomize(20240607);
  std::array<int, 12> colours{};
  int32_t min_x = 430, max_x = 0;
  const int stars = 6000;
  for (int star = 0; star < stars; ++star) {
    int32_t slot = b.s.st_next;
    b.s.st_phase = 2;
    b.move_stars();
    ASSERT_GE(b.s.st_c[slot], 0);
    ASSERT_LE(b.s.st_c[slot], 11);
    ++colours[b.s.st_c[slot]];
    min_x = std::min<int32_t>(min_x, b.s.st_x[slot]);
    max_x = std::max<int32_t>(max_x, b.s.st_x[slot]);
  }
  EXPECT_GE(min_x, 0);
  EXPECT_LE(max_x, 430);
  double inner = 0;
  for (int c = 1; c <= 10; ++c) inner += colours[c];
  inner /= 10;
  for (int c = 1; c <= 10; ++c) EXPECT_NEAR(colours[c] / inner, 1.0, 0.15) << c;
  for (int c : {0, 11}) EXPECT_NEAR(colours[c] / inner, 0.5, 0.12) << c;
}

// The generator's numbers are multiples of 2^-24; its cycle passes each once. Some of them,
// scaled in single precision, land exactly on a half, where the rounding rule decides.
struct Case {
  bool colour;  // the second number of a star rather than the first
  int32_t k;    // the number is k / 2^24
  int32_t want;
};

// 0.75 * 430 = 322.5 exactly: halves go to the even neighbour.
// 1346079 * 430 / 2^24 = 34.500001..., which single precision makes 34.5, then 34.
// 2399532 * 430 / 2^24 = 61.499998..., made 61.5 in single precision, then 62.
// 5338205 * 11 / 2^24 = 3.49999994..., made 3.5, then 4.
// 12964213 * 11 / 2^24 = 8.5000004..., made 8.5, then 8.
constexpr Case kHalves[] = {{false, 12582912, 322},
                            {false, 1346079, 34},
                            {false, 2399532, 62},
                            {true, 5338205, 4},
                            {true, 12964213, 8}};

TEST(StarRandom, HalvesInSinglePrecisionRoundToEven) {
  constexpr int64_t kCycle = int64_t{1} << 24;
  constexpr uint32_t kSeed = 77;
  // Where in the cycle after the seed each number comes.
  std::map<int64_t, const Case*> at;
  Randomize(kSeed);
  for (int64_t n = 0; n < kCycle && at.size() < std::size(kHalves); ++n) {
    auto k = static_cast<int32_t>(Rnd() * 16777216.0f);
    for (const Case& c : kHalves) {
      if (c.k == k) at[n] = &c;
    }
  }
  ASSERT_EQ(at.size(), std::size(kHalves)) << "the generator did not run through its cycle";

  PlayerBench b;
  Randomize(kSeed);
  int64_t drawn = 0;
  for (const auto& [n, c] : at) {
    int64_t first = c->colour ? n - 1 : n;  // the star's x comes first, its colour second
    ASSERT_GE(first, drawn) << "two cases too close together in the cycle";
    for (; drawn < first; ++drawn) Rnd();
    int32_t slot = b.s.st_next;
    b.s.st_phase = 2;
    b.move_stars();
    drawn += 2;
    EXPECT_EQ(c->colour ? b.s.st_c[slot] : b.s.st_x[slot], c->want) << "k = " << c->k;
  }
}

}  // namespace
}  // namespace qv
