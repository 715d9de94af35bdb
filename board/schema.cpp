#include "board/schema.hpp"

#include <array>

namespace qv::board {
namespace {

// Any number that is ours alone among the advisory locks of the database.
constexpr int64_t kMigrationLock = 0x5176626f617264;  // "Qvboard"

// Each migration takes the tables from the version before it to its own; never edit one that
// has shipped, add the next.
constexpr std::array kMigrations = {
    // 1: players, runs with their recordings and check values, and the request counts the
    // rate limits read.
    R"sql(
CREATE TABLE players (
  id bigserial PRIMARY KEY,
  name text NOT NULL,
  name_key text NOT NULL UNIQUE,          -- the name folded, so that names differ in more than case
  token_hash bytea NOT NULL UNIQUE,       -- sha256 of the token; the token itself is never kept
  created timestamptz NOT NULL DEFAULT now()
);
CREATE TABLE runs (
  id bigserial PRIMARY KEY,
  player_id bigint NOT NULL REFERENCES players ON DELETE CASCADE,
  recording bytea NOT NULL,
  game_digest bytea NOT NULL,             -- sha256 of its seed and keys: one game, one run
  seed bigint NOT NULL,
  game_version text NOT NULL,
  status text NOT NULL DEFAULT 'pending' CHECK (status IN ('pending', 'verified', 'rejected')),
  reason text,
  start text CHECK (start IN ('two', 'ten')),
  score integer,
  ending text CHECK (ending IN ('over', 'ending')),
  steps bigint,
  submitted timestamptz NOT NULL DEFAULT clock_timestamp(),
  verified timestamptz,
  tries integer NOT NULL DEFAULT 0,
  lease_until timestamptz,
  verified_by text,                       -- the version of the board that gave the verdict
  stale_reason text,                      -- set by --reverify when this build no longer verifies it
  stale_version text
);
-- A rejected run does not hold its game: whoever has the true recording may still submit it.
CREATE UNIQUE INDEX runs_one_a_game ON runs (game_digest) WHERE status <> 'rejected';
CREATE INDEX runs_pending ON runs (id) WHERE status = 'pending';
CREATE INDEX runs_board ON runs (start, player_id, score DESC, submitted, id)
  WHERE status = 'verified' AND stale_reason IS NULL;
CREATE TABLE run_checks (
  run_id bigint NOT NULL REFERENCES runs ON DELETE CASCADE,
  step bigint NOT NULL,
  value bigint NOT NULL,                  -- the check value's 64 bits, as a signed number
  PRIMARY KEY (run_id, step)
);
CREATE INDEX run_checks_lookup ON run_checks (step, value);
CREATE TABLE request_counts (
  key text NOT NULL,                      -- "token:HASH" or "address:IP"
  period bigint NOT NULL,                 -- seconds since 1970 divided by the limit's period
  hits integer NOT NULL,
  PRIMARY KEY (key, period)
);
)sql",
};

}  // namespace

int schema_version() {
  return static_cast<int>(kMigrations.size());
}

void migrate(Connection& db) {
  db.transaction([&] {
    db.exec("SELECT pg_advisory_xact_lock($1)", {Param(kMigrationLock)});
    db.exec("CREATE TABLE IF NOT EXISTS board_schema (version integer NOT NULL)");
    Rows v = db.exec("SELECT version FROM board_schema");
    int version = v.size() ? static_cast<int>(v.number(0, 0)) : 0;
    if (!v.size()) db.exec("INSERT INTO board_schema VALUES (0)");
    if (version > schema_version())
      throw std::runtime_error("the database's tables are of a newer board (version " +
                               std::to_string(version) + ")");
    for (int next = version; next < schema_version(); ++next) db.exec_script(kMigrations[next]);
    db.exec("UPDATE board_schema SET version = $1", {Param(schema_version())});
    return 0;
  });
}

}  // namespace qv::board
