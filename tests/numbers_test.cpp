// Every number of ours is read by one rule: plain digits within bounds, nothing else.
#include "system/numbers.hpp"

#include <gtest/gtest.h>

#include <string>

namespace qv {
namespace {

TEST(Numbers, WholeNumbersArePlainDigitsWithinTheirBounds) {
  struct Case {
    std::string text;
    int64_t lo, hi;
    std::optional<int64_t> read;
  };
  constexpr int64_t kSteps = 999999999999;
  const Case cases[] = {
      {"0", 0, 8, 0},
      {"8", 0, 8, 8},
      {"9", 0, 8, {}},
      {"08", 0, 8, {}},  // more digits than the bound has
      {"0150", 0, kSteps, 150},
      {"999999999999", 0, kSteps, kSteps},
      {"1000000000000", 0, kSteps, {}},
      {"0000000000001", 0, kSteps, {}},
      {"4294967295", 0, UINT32_MAX, UINT32_MAX},
      {"4294967296", 0, UINT32_MAX, {}},
      {"-1", 0, 8, {}},
      {"-0", 0, 8, {}},
      {"+1", 0, 8, {}},
      {" 1", 0, 8, {}},
      {"1 ", 0, 8, {}},
      {"", 0, 8, {}},
      {"-", INT32_MIN, INT32_MAX, {}},
      {"-2147483648", INT32_MIN, INT32_MAX, INT32_MIN},
      {"-2147483649", INT32_MIN, INT32_MAX, {}},
      {"-10000", INT32_MIN, INT32_MAX, -10000},
      {"--1", INT32_MIN, INT32_MAX, {}},
      {"0x10", 0, 100, {}},
      {"1e3", 0, 10000, {}},
      {"1.0", 0, 8, {}},
      {"9223372036854775807", 0, INT64_MAX, INT64_MAX},
      {"9223372036854775808", 0, INT64_MAX, {}},  // no overflow
      {"99999999999999999999", 0, INT64_MAX, {}},
      {"\xd9\xa1", 0, 8, {}},  // an Arabic-Indic one is no digit of ours
  };
  for (const Case& c : cases)
    EXPECT_EQ(read_whole_number(c.text, c.lo, c.hi), c.read)
        << "'" << c.text << "' in " << c.lo << ".." << c.hi;
}

TEST(Numbers, CheckValuesAreExactlyTheirHexDigits) {
  const std::pair<std::string, std::optional<uint64_t>> cases[] = {
      {"849c54790e5ecf2c", 0x849c54790e5ecf2cu},
      {"849C54790E5ECF2C", 0x849c54790e5ecf2cu},
      {"ffffffffffffffff", UINT64_MAX},
      {"0000000000000000", 0},
      {"849c54790e5ecf2", {}},
      {"849c54790e5ecf2c0", {}},
      {"849c54790e5ecf2g", {}},
      {"0x49c54790e5ecf2", {}},
      {"-49c54790e5ecf2c", {}},
      {" 49c54790e5ecf2c", {}},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(read_hex_number(text, 16), value) << text;
}

}  // namespace
}  // namespace qv
