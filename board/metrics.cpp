#include "board/metrics.hpp"

#include <cstdio>

#include "board/store.hpp"

namespace qv::board {

void Metrics::count_response(int status) {
  std::lock_guard lock(mutex_);
  ++responses_[status];
}

std::string Metrics::text(Connection& db) const {
  std::string out;
  out += "# HELP quelvaris_board_runs Runs stored, by status.\n# TYPE quelvaris_board_runs gauge\n";
  int64_t pending = 0;
  std::map<std::string, int64_t> by_status{{"pending", 0}, {"verified", 0}, {"rejected", 0}};
  for (const auto& [status, n] : runs_by_status(db)) by_status[status] = n;
  for (const auto& [status, n] : by_status) {
    out += "quelvaris_board_runs{status=\"" + status + "\"} " + std::to_string(n) + "\n";
    if (status == "pending") pending = n;
  }
  out +=
      "# HELP quelvaris_board_queue_depth Runs waiting to be verified.\n"
      "# TYPE quelvaris_board_queue_depth gauge\nquelvaris_board_queue_depth " +
      std::to_string(pending) + "\n";
  char seconds[64];
  std::snprintf(seconds, sizeof seconds, "%.6f", static_cast<double>(verifiers.micros) / 1e6);
  out +=
      "# HELP quelvaris_board_verification_seconds Time this instance spent verifying.\n"
      "# TYPE quelvaris_board_verification_seconds summary\n"
      "quelvaris_board_verification_seconds_sum " +
      std::string(seconds) +
      "\n"
      "quelvaris_board_verification_seconds_count " +
      std::to_string(verifiers.verdicts) + "\n";
  out +=
      "# HELP quelvaris_board_http_responses_total Responses of this instance, by status code.\n"
      "# TYPE quelvaris_board_http_responses_total counter\n";
  std::lock_guard lock(mutex_);
  for (const auto& [status, n] : responses_)
    out += "quelvaris_board_http_responses_total{code=\"" + std::to_string(status) + "\"} " +
           std::to_string(n) + "\n";
  return out;
}

}  // namespace qv::board
