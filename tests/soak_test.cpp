// The soak in CI: seeded random runs through every phase of the game, the state checked
// against its bounds after every step; and the checker itself, which must see what it is for.
#include "tests/soak/soak.hpp"

#include <gtest/gtest.h>

#include <memory>

#include "sim/simulator.hpp"

namespace qv {
namespace {

// Each seed's runs together pass through every phase; what they went through is checked, so
// that a soak that silently stopped reaching the boss or the ending would fail.
void soak_seed(uint64_t seed) {
  soak::Report report = soak::run({.seed = seed, .steps = 40000});
  ASSERT_EQ(report.failure, "") << report.summary();
  EXPECT_GE(report.steps, 40000);
  EXPECT_GT(report.starts, 0) << report.summary();
  EXPECT_GT(report.game_overs, 0) << report.summary();
  EXPECT_GT(report.continues + report.restarts, 0) << report.summary();
  EXPECT_GT(report.boss_fights, 0) << report.summary();
  EXPECT_GT(report.endings, 0) << report.summary();
  std::cout << "seed " << seed << ": " << report.summary() << "\n";
}

TEST(Soak, Seed1) {
  soak_seed(1);
}
TEST(Soak, Seed2) {
  soak_seed(2);
}
TEST(Soak, Seed3) {
  soak_seed(3);
}
TEST(Soak, Seed4) {
  soak_seed(4);
}
TEST(Soak, Seed5) {
  soak_seed(5);
}
TEST(Soak, Seed6) {
  soak_seed(6);
}

TEST(Soak, TheSameSeedGivesTheSameRunsAndARunReplaysAlone) {
  soak::Options options{.seed = 11, .steps = 12000, .longest_run = 3000};
  soak::Report a = soak::run(options);
  soak::Report b = soak::run(options);
  EXPECT_EQ(a.summary(), b.summary());
  ASSERT_GE(a.runs, 4);
  int64_t steps = 0;
  for (int64_t r = 0; r < a.runs; ++r) {
    options.only_run = r;
    soak::Report alone = soak::run(options);
    EXPECT_EQ(alone.runs, 1);
    steps += alone.steps;
  }
  EXPECT_EQ(steps, a.steps);  // each run alone takes exactly the steps it took among the others
}

class SoakCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    sim = std::make_unique<Simulator>();
    sim->start();
  }
  std::string check(int64_t ticks = 100) { return soak::check_state(sim->win(), ticks); }
  GameState& s() { return sim->win().s; }
  std::unique_ptr<Simulator> sim;
};

TEST_F(SoakCheck, AFreshWindowIsWithinBounds) {
  EXPECT_EQ(check(), "");
}

TEST_F(SoakCheck, NamesTheVariableAndTheSlotOutOfBounds) {
  s().lives = 11;
  EXPECT_EQ(check(), "lives is 11, outside -2 to 10");
  s().lives = 2;
  s().bl_on[37] = 2;
  EXPECT_EQ(check(), "bl_on(37) is 2, outside 0 to 1");
  s().bl_on[37] = 1;
  s().sh_on(1, 4) = -1;
  EXPECT_EQ(check(), "sh_on(1, 4) is -1, outside 0 to 1");
}

TEST_F(SoakCheck, TheClockNeverPassesTheBossCycle) {
  s().stage_count = 2210;
  EXPECT_EQ(check(), "");
  s().stage_count = 2211;
  EXPECT_NE(check(), "");
}

TEST_F(SoakCheck, PositionsMayDriftOnlyAsFarAsTheTicksAllow) {
  s().bl_y[48] = 2000 + 20 * 100;
  EXPECT_EQ(check(100), "");
  s().bl_y[48] += 1;
  EXPECT_NE(check(100), "");
  EXPECT_EQ(check(101), "");
}

TEST_F(SoakCheck, TheShipStaysOnItsGrid) {
  s().px = 372;
  EXPECT_NE(check(), "");
  s().px = 187;
  EXPECT_EQ(check(), "the ship is off its 5-pixel grid");
}

}  // namespace
}  // namespace qv
