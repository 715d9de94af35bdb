#include "board/verifier.hpp"

#include <chrono>
#include <future>
#include <iostream>

#include "game/recording_format.hpp"

namespace qv::board {
namespace {

struct Claim {
  int64_t run = 0, player = 0, tries = 0;
  std::string recording;
};

// The oldest pending run whose lease (if any) ran out, leased to us. The statement commits at
// once: the lease, not a transaction, keeps it ours while it is verified.
std::optional<Claim> claim(Connection& db, int lease_seconds) {
  Rows r = db.exec(
      "UPDATE runs SET tries = tries + 1, "
      "  lease_until = clock_timestamp() + make_interval(secs => $1) "
      "WHERE id = (SELECT id FROM runs WHERE status = 'pending' AND "
      "  (lease_until IS NULL OR lease_until < clock_timestamp()) "
      "  ORDER BY id LIMIT 1 FOR UPDATE SKIP LOCKED) "
      "RETURNING id, player_id, tries, encode(recording, 'hex')",
      {Param(lease_seconds)});
  if (!r.size()) return std::nullopt;
  return Claim{r.number(0, 0), r.number(0, 1), r.number(0, 2), r.bytes_from_hex(0, 3)};
}

// Writes the verdict if the run is still ours: pending, and not taken by another since.
bool settle(Connection& db, const Claim& c, const RunVerdict& v) {
  std::optional<std::string> start = v.verified ? v.start : std::nullopt;
  Rows r = db.exec(
      "UPDATE runs SET status = $3, reason = $4, start = $5, score = $6, ending = $7, "
      "  steps = $8, verified = clock_timestamp(), verified_by = $9, lease_until = NULL "
      "WHERE id = $1 AND tries = $2 AND status = 'pending' RETURNING id",
      {Param(c.run), Param(c.tries), v.verified ? "verified" : "rejected", v.reason,
       start ? Param(*start) : Param(), start ? Param(v.score) : Param(),
       start ? Param(v.ending) : Param(), v.verified ? Param(v.steps) : Param(),
       std::string(game_version())});
  return r.size() == 1;
}

void release(Connection& db, const Claim& c) {
  db.exec("UPDATE runs SET lease_until = NULL WHERE id = $1 AND tries = $2 AND status = 'pending'",
          {Param(c.run), Param(c.tries)});
}

}  // namespace

std::optional<CopyFound> copied_from(Connection& db, int64_t run, int64_t player,
                                     const Route& route) {
  Rows mine = db.exec("SELECT step, value FROM run_checks WHERE run_id = $1 AND step > $2",
                      {Param(run), Param(kOwnSteps)});
  std::optional<CopyFound> found;
  for (int i = 0; i < mine.size(); ++i)
    for (const CheckLine& c : route.checks)
      if (c.step == mine.number(i, 0) && static_cast<int64_t>(c.value) == mine.number(i, 1) &&
          (!found || c.step > found->step))
        found = CopyFound{0, c.step};
  Rows other = db.exec(
      "SELECT c.run_id, max(c.step) FROM run_checks mine "
      "JOIN run_checks c ON c.step = mine.step AND c.value = mine.value AND c.run_id < mine.run_id "
      "JOIN runs o ON o.id = c.run_id "
      "WHERE mine.run_id = $1 AND mine.step > $3 AND o.player_id <> $2 AND o.status <> 'rejected' "
      "GROUP BY c.run_id ORDER BY 2 DESC, 1 LIMIT 1",
      {Param(run), Param(player), Param(kOwnSteps)});
  if (other.size() && (!found || other.number(0, 1) > found->step))
    found = CopyFound{other.number(0, 0), other.number(0, 1)};
  return found;
}

Verifiers::Verifiers(VerifierSettings settings, int threads, VerifierCounts& counts)
    : settings_(std::move(settings)), counts_(counts) {
  for (int i = 0; i < threads; ++i) threads_.emplace_back([this] { run(); });
}

Verifiers::~Verifiers() {
  stop_ = true;
  wake_up_.notify_all();
  for (std::thread& t : threads_) t.join();
}

void Verifiers::wake() {
  ++wakes_;
  wake_up_.notify_one();
}

void Verifiers::run() {
  Connection db(settings_.database);
  while (!stop_) {
    bool busy = false;
    try {
      busy = verify_one(db);
    } catch (const DatabaseDown&) {
    } catch (const DatabaseError& e) {
      std::cerr << "quelvaris-board: verifier: " << e.what();
    }
    if (busy) continue;
    // Idle: runs submitted to other instances are found within a second.
    std::unique_lock lock(wake_mutex_);
    int64_t seen = wakes_;
    wake_up_.wait_for(lock, std::chrono::seconds(1), [&] { return stop_ || wakes_ != seen; });
  }
}

bool Verifiers::verify_one(Connection& db) {
  std::optional<Claim> c = claim(db, settings_.lease_seconds);
  if (!c) return false;
  if (c->tries > kMostTries) {
    RunVerdict gave_up;
    gave_up.reason = "the verifier gave up";
    settle(db, *c, gave_up);
    return true;
  }
  auto began = std::chrono::steady_clock::now();
  std::future<std::optional<RunVerdict>> verdict =
      std::async(std::launch::async, verify_in_child, settings_.program, settings_.data_folder,
                 c->recording, settings_.limits);
  // A long run outlasts a lease: it is renewed while the child works, as long as it is ours.
  auto renew_every = std::chrono::milliseconds(settings_.lease_seconds * 1000 / 3 + 1);
  while (verdict.wait_for(renew_every) == std::future_status::timeout) {
    try {
      db.exec(
          "UPDATE runs SET lease_until = clock_timestamp() + make_interval(secs => $3) "
          "WHERE id = $1 AND tries = $2 AND status = 'pending'",
          {Param(c->run), Param(c->tries), Param(settings_.lease_seconds)});
    } catch (const DatabaseDown&) {
    }
  }
  std::optional<RunVerdict> v = verdict.get();
  counts_.micros += std::chrono::duration_cast<std::chrono::microseconds>(
                        std::chrono::steady_clock::now() - began)
                        .count();
  if (!v) {
    release(db, *c);  // tried again, by whoever takes it next
    return true;
  }
  if (v->verified) {
    if (std::optional<CopyFound> copy = copied_from(db, c->run, c->player, settings_.route)) {
      v->verified = false;
      v->reason =
          "the same game as " +
          (copy->run ? "run " + std::to_string(copy->run) : std::string("the practice route")) +
          " up to step " + std::to_string(copy->step);
    }
  }
  if (settle(db, *c, *v)) ++counts_.verdicts;
  return true;
}

int64_t reverify_all(const VerifierSettings& settings, std::ostream& log) {
  Connection db(settings.database);
  Rows runs = db.exec("SELECT id FROM runs WHERE status = 'verified' ORDER BY id");
  int64_t marked = 0;
  for (int i = 0; i < runs.size(); ++i) {
    int64_t id = runs.number(i, 0);
    Rows r = db.exec("SELECT encode(recording, 'hex') FROM runs WHERE id = $1", {Param(id)});
    if (!r.size()) continue;  // deleted meanwhile
    std::optional<RunVerdict> v = verify_in_child(settings.program, settings.data_folder,
                                                  r.bytes_from_hex(0, 0), settings.limits);
    if (!v) {
      log << "run " << id << ": the verifier gave up; left as it was\n";
      continue;
    }
    if (v->verified) {
      db.exec("UPDATE runs SET stale_reason = NULL, stale_version = NULL WHERE id = $1",
              {Param(id)});
      continue;
    }
    db.exec("UPDATE runs SET stale_reason = $2, stale_version = $3 WHERE id = $1",
            {Param(id), v->reason, std::string(game_version())});
    log << "run " << id << ": no longer verifies: " << v->reason << "\n";
    ++marked;
  }
  return marked;
}

}  // namespace qv::board
