// A fixed ring that one thread writes and one other thread reads, without locks: the game's
// thread hands audio commands to the audio thread this way and never waits for it.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>

namespace qv {

template <typename T, size_t kCapacity>
class SpscRing {
  static_assert(kCapacity >= 2 && (kCapacity & (kCapacity - 1)) == 0,
                "a power of two, so the counters may wrap");

 public:
  // Writer's side. False when the ring is full: the item is not taken.
  bool push(const T& item) {
    size_t head = head_.load(std::memory_order_relaxed);
    if (head - tail_.load(std::memory_order_acquire) == kCapacity) return false;
    slots_[head & (kCapacity - 1)] = item;
    head_.store(head + 1, std::memory_order_release);
    return true;
  }

  // Reader's side. False when there is nothing to take.
  bool pop(T& item) {
    size_t tail = tail_.load(std::memory_order_relaxed);
    if (tail == head_.load(std::memory_order_acquire)) return false;
    item = slots_[tail & (kCapacity - 1)];
    tail_.store(tail + 1, std::memory_order_release);
    return true;
  }

 private:
  std::array<T, kCapacity> slots_{};
  alignas(64) std::atomic<size_t> head_{0};  // written by the writer only
  alignas(64) std::atomic<size_t> tail_{0};  // written by the reader only
};

}  // namespace qv
