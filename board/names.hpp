// Players' names: 1 to 24 characters once put in Unicode's composed form (NFC): letters of any
// script (with their marks), digits, spaces between words and - _ . — nothing else, so no
// control characters and none that turn the direction of the text around. Two names that
// differ only in case are one name.
#pragma once

#include <optional>
#include <string>

namespace qv::board {

struct PlayerName {
  std::string shown;  // NFC, as the player wrote it
  std::string key;    // case-folded, for telling names apart
};

// The name, or nothing with the reason in `why`.
std::optional<PlayerName> player_name(const std::string& utf8, std::string& why);

}  // namespace qv::board
