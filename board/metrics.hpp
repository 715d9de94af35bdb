// What /metrics reports of this instance: requests by status code, and the verifiers' work.
// Submissions by status and the queue's depth are the database's, for every instance alike.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "board/database.hpp"
#include "board/verifier.hpp"

namespace qv::board {

class Metrics {
 public:
  void count_response(int status);
  // The Prometheus text.
  std::string text(Connection& db) const;
  VerifierCounts verifiers;

 private:
  mutable std::mutex mutex_;
  std::map<int, int64_t> responses_;
};

}  // namespace qv::board
