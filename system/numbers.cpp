#include "system/numbers.hpp"

#include <algorithm>
#include <charconv>

namespace qv {
namespace {

size_t digits_of(int64_t n) {
  size_t digits = 1;
  for (; n <= -10 || n >= 10; n /= 10) ++digits;
  return digits;
}

bool all_of(std::string_view text, bool (*good)(char)) {
  return !text.empty() && std::all_of(text.begin(), text.end(), good);
}

bool decimal(char c) {
  return c >= '0' && c <= '9';
}

bool hexadecimal(char c) {
  return decimal(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

std::optional<int64_t> read_whole_number(std::string_view text, int64_t lo, int64_t hi) {
  std::string_view digits = text;
  if (lo < 0 && !digits.empty() && digits[0] == '-') digits.remove_prefix(1);
  if (!all_of(digits, decimal) || digits.size() > std::max(digits_of(lo), digits_of(hi)))
    return std::nullopt;
  int64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < lo || value > hi)
    return std::nullopt;
  return value;
}

std::optional<uint64_t> read_hex_number(std::string_view text, size_t digits) {
  if (text.size() != digits || digits > 16 || !all_of(text, hexadecimal)) return std::nullopt;
  uint64_t value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value, 16);
  return value;
}

}  // namespace qv
