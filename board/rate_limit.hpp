// Limits on submissions, per token and per address, counted in the database so that they hold
// across every instance. Every request counts, the refused ones too.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "board/database.hpp"

namespace qv::board {

struct RateLimits {
  int per_token = 10;    // submissions a minute
  int per_address = 30;  // submissions a minute
};

// Counts one request under `key` ("address:IP", "token:HASH"): nothing while within `most` a
// minute, else the seconds until the count starts again.
std::optional<int> count_request(Connection& db, const std::string& key, int most);
// The key of a token: a 64-bit digest of it, never the token (which is 256 random bits, so
// the digest tells nothing of it).
std::string token_key(const std::string& token);

}  // namespace qv::board
