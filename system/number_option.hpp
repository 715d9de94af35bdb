// A whole number on a command line, read as every number of ours is read (numbers.hpp) and
// checked before CLI11 converts it, so that nothing of CLI11's own reading (a sign, 0x, blanks)
// gets through. For the programs that take their options through CLI11: the game and the board.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <string>

#include "system/numbers.hpp"

namespace qv {

// Refuses, with `says` and the text given, anything but a whole number from `low` to `high`.
inline CLI::Validator whole_number(int64_t low, int64_t high, std::string says) {
  return CLI::Validator(
      [=](const std::string& text) {
        return read_whole_number(text, low, high) ? std::string() : says + ", not " + text;
      },
      "");
}

// The same, saying the range.
inline CLI::Validator whole_number(int64_t low, int64_t high) {
  return whole_number(low, high,
                      "a whole number from " + std::to_string(low) + " to " + std::to_string(high));
}

}  // namespace qv
