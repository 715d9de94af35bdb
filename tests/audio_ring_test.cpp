// The command ring between the game's thread and the audio thread.
#include <gtest/gtest.h>

#include <thread>

#include "audio/spsc_ring.hpp"

namespace qv {
namespace {

TEST(SpscRing, RefusesWhenFullAndGivesBackInOrder) {
  SpscRing<int, 4> ring;
  int out = -1;
  EXPECT_FALSE(ring.pop(out));
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(ring.push(i));
  EXPECT_FALSE(ring.push(99)) << "a full ring must not overwrite what is unread";
  EXPECT_TRUE(ring.pop(out));
  EXPECT_EQ(out, 0);
  EXPECT_TRUE(ring.push(4));
  for (int want = 1; want <= 4; ++want) {
    ASSERT_TRUE(ring.pop(out));
    EXPECT_EQ(out, want);
  }
  EXPECT_FALSE(ring.pop(out));
}

TEST(SpscRing, TwoThreadsPassEveryItemOnceAndInOrder) {
  struct Item {
    uint64_t seq;
    uint64_t check;  // a second word, so a torn read would show
  };
  SpscRing<Item, 64> ring;
  constexpr uint64_t kItems = 200000;
  std::thread writer([&] {
    for (uint64_t i = 0; i < kItems;) {
      if (ring.push({i, ~i}))
        ++i;
      else
        std::this_thread::yield();
    }
  });
  uint64_t next = 0, bad = 0;
  while (next < kItems) {
    Item item;
    if (!ring.pop(item)) {
      std::this_thread::yield();
      continue;
    }
    if (item.seq != next || item.check != ~next) ++bad;
    next = item.seq + 1;
  }
  writer.join();
  EXPECT_EQ(bad, 0u);
}

}  // namespace
}  // namespace qv
