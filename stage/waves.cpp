// The waves and volleys of the stage, frames 11 to 2099, in the order the script runs them.
//
// A row: wave(label, {first frame, last frame, spawn frame}, spawn lines, sprite, hits, size,
// movement) or volley(label, frames, {first bullet, last bullet, source enemy, bullets per
// enemy}, offset from the enemy's corner, size, sprite, movement). Frames are inclusive; the
// block acts only inside them and only from its spawn frame on. A movement is one step or a
// pattern (slot s takes step (s - first) mod n), optionally switching after a given frame.
#include "stage/blocks.hpp"

namespace qv::stage {
namespace {

// The sprite sheet's enemies and bullets.
constexpr Sprite kCreature{0, 70, 40, 40};     // small winged creature
constexpr Sprite kBall{40, 70, 10, 10};        // small magenta ball
constexpr Sprite kGlobe{0, 110, 60, 60};       // green striped globe with red spheres
constexpr Sprite kDroplet{60, 110, 10, 20};    // red droplet (hit box 10)
constexpr Sprite kPod{0, 170, 50, 50};         // grey pod with red spheres
constexpr Sprite kBlob{50, 170, 20, 20};       // red three-lobed blob
constexpr Sprite kLattice{0, 220, 40, 40};     // blue globe with a red lattice
constexpr Sprite kRinged{40, 220, 20, 20};     // blue ringed ball
constexpr Sprite kEye{0, 260, 80, 80};         // large grey eye creature
constexpr Sprite kLargeBall{80, 260, 30, 30};  // large blue ball

// Fans and bursts: one bullet per direction, repeating for every enemy of the volley.
constexpr Pattern kSpread{{5, 9}, {0, 10}, {-5, 9}};
constexpr Pattern kWideSpread{{-4, 7}, {0, 10}, {4, 7}};
constexpr Pattern kLeftFan{{-6, 8}, {-3, 9}, {0, 10}};
constexpr Pattern kRightFan{{6, 8}, {3, 9}, {0, 10}};
constexpr Pattern kRingFan{{-6, 8}, {0, 10}, {6, 8}};
constexpr Pattern kBurst{{0, -10}, {8, -8}, {10, 0}, {8, 8}, {0, 10}, {-8, 8}, {-10, 0}, {-8, -8}};

constexpr Step down(int16_t dy) {
  return {0, dy};
}

// The creatures of W181 stand near the bottom by frame 351, so this volley flies upwards
// after hanging still for nine frames; and its second bullet was never meant to fly: it is
// written with the others but stays unarmed even when creature 11 lives.
void W351a_never_arms_bullet_1(GameState& s) {
  s.bl_on[1] = 0;
}

constexpr Block kWaves[] = {
    // Opening waves, frames 11 to 719.
    wave("W11", {11, 249, 11}, {{0, 4, {300, -50}, {0, -50}}}, kCreature, 1, 40, go(down(3))),
    wave("W51", {51, 299, 51}, {{5, 9, {100, -50}, {0, -50}}}, kCreature, 1, 40, go(down(3))),
    wave("W181", {181, 379, 181}, {{10, 14, {100, -40}, {50, 0}}}, kCreature, 1, 40, go(down(3))),
    volley("W221", {221, 269, 221}, {0, 4, 10, 1}, {15, 30}, 10, kBall, go(down(10))),
    volley("W351a", {351, 419, 351}, {0, 4, 10, 1}, {15, 30}, 10, kBall, go(kStill, 360, down(-10)))
        .then_on_spawn(W351a_never_arms_bullet_1),
    wave("W251", {251, 499, 251}, {{0, 0, {-60, -60}}, {1, 1, {430, -60}}}, kGlobe, 5, 60,
         go({{3, 3}, {-3, 3}})),
    volley("W301a", {301, 349, 301}, {5, 10, 0, 3}, {25, 40}, 10, kDroplet, go(kSpread)),
    wave("W351b", {351, 559, 351}, {{2, 2, {-60, 200}}, {3, 3, {430, 200}}}, kGlobe, 5, 60,
         go({{3, -3}, {-3, -3}}, 399, down(3))),
    volley("W391", {391, 439, 391}, {5, 10, 2, 3}, {25, 40}, 10, kDroplet, go(kSpread)),
    wave("W301b", {301, 529, 301}, {{4, 6, {140, -40}, {60, 0}}}, kCreature, 1, 40, go(down(3))),
    // Waits twenty frames into its window before it fires.
    volley("W321", {301, 369, 321}, {11, 13, 4, 1}, {15, 30}, 10, kBall, go(down(10))),
    // The pods' x is random: the integer part of Rnd() x 390, one draw per slot in slot order.
    wave("W451a", {451, 719, 451}, {{7, 20, {0, 0}, {0, -60}, 390}}, kPod, 2, 50, go(down(5))),
    volley("W451b", {451, 579, 451}, {0, 13, 7, 1}, {15, 40}, 20, kBlob, go(down(10))),

    // Frames 621 to 1079.
    wave("W621", {621, 899, 621}, {{0, 2, {-40, 0}, {0, 70}}, {3, 5, {430, 40}, {0, 70}}},
         kCreature, 1, 40, go({{6, 0}, {6, 0}, {6, 0}, {-6, 0}, {-6, 0}, {-6, 0}}, 679, down(3))),
    volley("W651", {651, 869, 651}, {14, 19, 0, 1}, {15, 30}, 10, kBall,
           go({{3, 10}, {3, 10}, {3, 10}, {-3, 10}, {-3, 10}, {-3, 10}})),
    wave("W781", {781, 899, 781}, {{6, 6, {50, -40}}, {7, 7, {320, -150}}, {8, 8, {180, -200}}},
         kLattice, 1, 40, go(down(10), 809, kStill)),
    volley("W831", {831, 889, 831}, {20, 43, 6, 8}, {10, 10}, 20, kRinged, go(kBurst)),
    // W871 is one block of creatures and pods; it is two rows here only because the two
    // kinds differ in sprite, hits and size. The slots stay in ascending order either way.
    wave("W871", {871, 1079, 871}, {{9, 11, {120, -40}, {80, 0}}}, kCreature, 1, 40, go(down(3))),
    wave("W871", {871, 1079, 871}, {{12, 13, {-50, 0}, {0, 100}}, {14, 15, {430, 0}, {0, 100}}},
         kPod, 3, 50, go({{3, 3}, {3, 3}, {-3, 3}, {-3, 3}})),
    // Fires twenty-nine frames into its window; balls from the creatures, blobs from the pods
    // (one block, two rows like W871).
    volley("W900", {871, 959, 900}, {0, 2, 9, 1}, {15, 30}, 10, kBall, go(down(10))),
    volley("W900", {871, 959, 900}, {3, 6, 12, 1}, {15, 40}, 20, kBlob,
           go({{8, 10}, {8, 10}, {-8, 10}, {-8, 10}})),
    wave("W951", {951, 1249, 951}, {{16, 18, {430, -70}, {70, -70}}}, kGlobe, 5, 60,
         go(Step{-2, 3})),
    volley("W1001", {1001, 1079, 1001}, {7, 15, 16, 3}, {25, 40}, 10, kDroplet, go(kLeftFan)),

    // Frames 1101 to 1449.
    wave("W1101", {1101, 1399, 1101}, {{0, 2, {-50, -70}, {-70, -70}}}, kGlobe, 5, 60,
         go(Step{2, 3})),
    volley("W1151", {1151, 1239, 1151}, {16, 24, 0, 3}, {25, 40}, 10, kDroplet, go(kRightFan)),
    wave("W1201", {1201, 1399, 1201}, {{3, 5, {195, -60}, {0, -80}}}, kLattice, 1, 40,
         go(down(6), 1249, kStill)),
    volley("W1251a", {1251, 1299, 1251}, {25, 48, 3, 8}, {10, 10}, 20, kRinged, go(kBurst)),
    wave("W1231", {1231, 1449, 1231}, {{6, 8, {50, -40}, {60, 0}}, {9, 11, {220, -100}, {60, 0}}},
         kCreature, 1, 40, go(down(3))),
    volley("W1251b", {1251, 1319, 1251}, {0, 2, 6, 1}, {15, 30}, 10, kBall, go(Step{1, 10})),
    volley("W1281", {1281, 1349, 1281}, {3, 5, 9, 1}, {15, 30}, 10, kBall, go(Step{-1, 10})),

    // Frames 1301 to 1649.
    wave("W1301a", {1301, 1519, 1301}, {{12, 13, {0, -60}, {80, 0}}, {14, 15, {290, -60}, {80, 0}}},
         kGlobe, 4, 60, go(down(3))),
    volley("W1331", {1331, 1399, 1331}, {6, 17, 12, 3}, {25, 40}, 10, kDroplet, go(kWideSpread)),
    wave("W1301b", {1301, 1449, 1301}, {{16, 18, {185, -60}}}, kPod, 3, 50,
         go({{-1, 4}, {0, 4}, {1, 4}})),
    volley("W1321", {1321, 1369, 1321}, {18, 20, 16, 1}, {15, 40}, 20, kBlob, go(down(10))),
    wave("W1401", {1401, 1579, 1401}, {{0, 2, {-60, 50}, {-60, 0}}, {3, 5, {430, 50}, {60, 0}}},
         kCreature, 1, 40, go({{3, 3}, {3, 3}, {3, 3}, {-3, 3}, {-3, 3}, {-3, 3}})),
    volley("W1431", {1431, 1479, 1431}, {0, 5, 0, 1}, {15, 30}, 10, kBall,
           go({{5, 10}, {5, 10}, {5, 10}, {-5, 10}, {-5, 10}, {-5, 10}})),
    wave("W1471", {1471, 1649, 1471}, {{6, 7, {-80, 400}, {-80, 0}}, {8, 9, {430, 400}, {60, 0}}},
         kGlobe, 4, 60, go({{2, -3}, {2, -3}, {-2, -3}, {-2, -3}})),
    volley("W1551a", {1551, 1609, 1551}, {6, 17, 6, 3}, {25, 40}, 10, kDroplet, go(kWideSpread)),

    // Frames 1501 to 1700.
    // The eye creatures climb only until frame 1649 and then hang where they stopped, still
    // drawn, until the window closes.
    wave("W1501", {1501, 1749, 1501}, {{10, 10, {-80, 500}}, {11, 11, {430, 500}}}, kEye, 8, 80,
         go({{1, -3}, {-1, -3}}, 1649, kStill)),
    // The eyes' large balls are placed and armed here on frame 1681 only; W1691 takes them
    // over ten frames later, so they wait unseen at their firing positions until then.
    volley("W1681", {1681, 1899, 1681}, {45, 50, 10, 3}, {25, 70}, 30, kLargeBall, go(kStill))
        .without_follow_up(),
    // Moving all six and then drawing them, or each in turn, gives the same frame: the
    // template's order serves.
    flight("W1691", 1691, 1999, 45, 50, kLargeBall, go({{2, 8}, {0, 10}, {-2, 8}})),
    wave("W1551b", {1551, 1749, 1551}, {{12, 14, {-40, -40}}}, kCreature, 1, 40,
         go({{6, 2}, {5, 3}, {4, 4}})),
    volley("W1601a", {1601, 1699, 1601}, {18, 20, 12, 1}, {15, 30}, 10, kBall, go(down(10))),
    wave("W1601b", {1601, 1799, 1601}, {{15, 17, {430, -40}}}, kCreature, 1, 40,
         go({{-2, 6}, {-3, 5}, {-4, 4}})),
    volley("W1651", {1651, 1699, 1651}, {0, 2, 15, 1}, {15, 30}, 10, kBall, go(down(10))),

    // Frames 1701 to 2099.
    // The globes burst into a ring until frame 1739 and hang there, drawn, afterwards.
    wave("W1701", {1701, 1799, 1701}, {{0, 7, {195, 150}}}, kLattice, 1, 40,
         go({{3, 0}, {2, 2}, {0, 3}, {-2, 2}, {-3, 0}, {-2, -2}, {0, -3}, {2, -2}}, 1739, kStill)),
    volley("W1751a", {1751, 1999, 1751}, {20, 43, 0, 3}, {10, 10}, 20, kRinged, go(kRingFan)),
    wave("W1751b", {1751, 1899, 1751}, {{18, 20, {-60, 200}}}, kGlobe, 4, 60,
         go({{4, -2}, {2, 0}, {3, 2}})),
    volley("W1791", {1791, 1899, 1791}, {3, 11, 18, 3}, {25, 40}, 10, kDroplet, go(kWideSpread)),
    wave("W1801", {1801, 1979, 1801}, {{0, 4, {430, 200}}}, kPod, 3, 50,
         go({{-3, -3}, {-3, -2}, {-3, 0}, {-2, 2}, {-1, 3}})),
    volley("W1851a", {1851, 1999, 1851}, {12, 16, 0, 1}, {15, 40}, 20, kBlob, go(down(10))),
    wave("W1851b", {1851, 2099, 1851}, {{5, 9, {-60, 200}}}, kPod, 3, 50,
         go({{3, -3}, {3, -2}, {3, 0}, {2, 2}, {1, 3}})),
    volley("W1901", {1901, 1999, 1901}, {0, 4, 5, 1}, {15, 40}, 20, kBlob, go(down(10))),
};
static_assert(runs_safely(kWaves), "a row with an empty pattern or 0 bullets per enemy");

}  // namespace

std::span<const Block> Stage_Waves() {
  return kWaves;
}

}  // namespace qv::stage
