// The check value of a game: a 64-bit FNV-1a hash of the whole game after a step. Two runs of
// the game that have the same check value at a step are, as far as anything in the game can
// tell, the same game there, and were given the same keys on their way to it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

class Game;

// FNV-1a with 64 bits, fed a byte at a time. Numbers go in as little-endian bytes and texts
// with their length first, so that every system, whatever its byte order, gives the same value.
class Fnv1a64 {
 public:
  void byte(uint8_t b) { value_ = (value_ ^ b) * kPrime; }
  void u32(uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) byte(static_cast<uint8_t>(v >> shift));
  }
  void u64(uint64_t v) {
    u32(static_cast<uint32_t>(v));
    u32(static_cast<uint32_t>(v >> 32));
  }
  void text(std::string_view s) {
    u32(static_cast<uint32_t>(s.size()));
    for (char c : s) byte(static_cast<uint8_t>(c));
  }
  uint64_t value() const { return value_; }

 private:
  static constexpr uint64_t kOffsetBasis = 0xcbf29ce484222325u;
  static constexpr uint64_t kPrime = 0x100000001b3u;
  uint64_t value_ = kOffsetBasis;
};

// The hash of a run of bytes (a recording's, in the table's index).
uint64_t hash_of_bytes(std::string_view bytes);
// A hash as the recordings and the index write it: 16 lowercase hexadecimal digits.
void append_hex(std::string& out, uint64_t value);

// The hash of the whole game as it stands: the step and whether the program has ended, every
// key the game was given on its way, the state record, the score label, the three timers, the
// random generator and the tune the media layer holds (which, playing or not, and where).
// It neither allocates nor changes anything.
uint64_t check_value(const Game& game);

}  // namespace qv
