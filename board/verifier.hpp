// The verifier threads: each takes a pending run (FOR UPDATE SKIP LOCKED, so that instances
// never take the same one) under a lease, verifies it in a child process outside any
// transaction, and writes the verdict only if its lease is still the run's. A process that dies
// holding a lease loses it when the lease runs out, and another takes the run; a run is tried
// at most three times.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "board/child_verify.hpp"
#include "board/database.hpp"
#include "board/submission.hpp"

namespace qv::board {

constexpr int kMostTries = 3;
// A copy is a run whose check values are another's beyond the opening every game shares.
constexpr int64_t kOwnSteps = 1000;

struct VerifierSettings {
  std::string database;
  std::string program;      // this program, run again as the verifying child
  std::string data_folder;  // the folder holding bgm&se
  int lease_seconds = 60;
  ChildLimits limits;
  Route route;
};

// What the verifiers did, for /metrics.
struct VerifierCounts {
  std::atomic<int64_t> verdicts{0};
  std::atomic<int64_t> micros{0};  // spent verifying, in microseconds
};

class Verifiers {
 public:
  Verifiers(VerifierSettings settings, int threads, VerifierCounts& counts);
  ~Verifiers();  // stops and joins the threads
  void wake();   // a run was submitted

 private:
  void run();
  bool verify_one(Connection& db);  // false when nothing was pending
  VerifierSettings settings_;
  VerifierCounts& counts_;
  std::atomic<bool> stop_{false};
  std::atomic<int64_t> wakes_{0};
  std::mutex wake_mutex_;
  std::condition_variable wake_up_;
  std::vector<std::thread> threads_;
};

// A run whose check values past its first kOwnSteps steps are those of an earlier run by
// another player (not rejected), or of the practice route: which, and up to which step. The
// check values carry a digest of every key given, so equal values are the same game so far.
struct CopyFound {
  int64_t run = 0;  // 0: the practice route
  int64_t step = 0;
};
std::optional<CopyFound> copied_from(Connection& db, int64_t run, int64_t player,
                                     const Route& route);

// --reverify: replays every verified run with this build and marks those that no longer
// verify; the number marked.
int64_t reverify_all(const VerifierSettings& settings, std::ostream& log);

}  // namespace qv::board
