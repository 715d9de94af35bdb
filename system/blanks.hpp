// Text as a player writes it in a settings line: blanks around a value mean nothing.
#pragma once

#include <string>
#include <string_view>

namespace qv {

inline std::string trimmed(std::string_view s) {
  size_t b = s.find_first_not_of(" \t\r\n"), e = s.find_last_not_of(" \t\r\n");
  return b == std::string_view::npos ? std::string() : std::string(s.substr(b, e - b + 1));
}

}  // namespace qv
