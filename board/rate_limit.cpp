#include "board/rate_limit.hpp"

#include <chrono>

#include "game/game_hash.hpp"

namespace qv::board {
namespace {
constexpr int64_t kPeriod = 60;
}

std::optional<int> count_request(Connection& db, const std::string& key, int most) {
  int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
                    std::chrono::system_clock::now().time_since_epoch())
                    .count();
  int64_t period = now / kPeriod;
  Rows r = db.exec(
      "INSERT INTO request_counts (key, period, hits) VALUES ($1, $2, 1) "
      "ON CONFLICT (key, period) DO UPDATE SET hits = request_counts.hits + 1 RETURNING hits",
      {key, Param(period)});
  // The periods gone by are swept now and then by whoever counts.
  if (now % 7 == 0) db.exec("DELETE FROM request_counts WHERE period < $1", {Param(period - 1)});
  if (r.number(0, 0) <= most) return std::nullopt;
  return static_cast<int>(kPeriod - now % kPeriod);
}

std::string token_key(const std::string& token) {
  Fnv1a64 h;
  for (char c : token) h.byte(static_cast<uint8_t>(c));
  char hex[17];
  for (int i = 0; i < 16; ++i) hex[i] = "0123456789abcdef"[(h.value() >> (60 - 4 * i)) & 15];
  hex[16] = 0;
  return std::string("token:") + hex;
}

}  // namespace qv::board
