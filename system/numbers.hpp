// Numbers as players and our files write them, read one way wherever they come from: the
// command lines, the settings, key scripts and recordings.
//
// A whole number is plain decimal digits, with a minus sign only where the range goes below 0:
// no plus sign, no blanks, no 0x, no exponent, nothing before or after it. It has at most as
// many digits as the widest of its bounds, so a run of leading zeros cannot pad it out, and it
// never overflows: one outside [lo, hi] is none. A check value is exactly its count of
// hexadecimal digits, of either case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace qv {

std::optional<int64_t> read_whole_number(std::string_view text, int64_t lo, int64_t hi);
std::optional<uint64_t> read_hex_number(std::string_view text, size_t digits);

}  // namespace qv
