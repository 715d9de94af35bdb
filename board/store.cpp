#include "board/store.hpp"

#include <sys/random.h>

namespace qv::board {
namespace {

std::string fresh_token() {
  unsigned char bytes[32];
  size_t got = 0;
  while (got < sizeof bytes) {
    ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
    if (n > 0) got += static_cast<size_t>(n);
  }
  std::string hex;
  for (unsigned char b : bytes) {
    hex += "0123456789abcdef"[b >> 4];
    hex += "0123456789abcdef"[b & 15];
  }
  return hex;
}

constexpr const char* kTimeFormat = "YYYY-MM-DD\"T\"HH24:MI:SS\"Z\"";

std::string utc(const std::string& column) {
  return "to_char(" + column + " AT TIME ZONE 'UTC', '" + kTimeFormat + "')";
}

// Where a run stands on its start's board, ranked as board() ranks; nothing when it is not its
// player's best there.
std::optional<int64_t> run_rank(Connection& db, int64_t id, const std::string& start) {
  Rows r = db.exec(
      "SELECT rank FROM (SELECT id, row_number() OVER (ORDER BY score DESC, submitted, id) AS rank "
      "  FROM (SELECT DISTINCT ON (player_id) id, score, submitted FROM runs "
      "    WHERE status = 'verified' AND stale_reason IS NULL AND start = $2 "
      "    ORDER BY player_id, score DESC, submitted, id) best) ranked WHERE id = $1",
      {Param(id), start});
  return r.size() ? std::optional(r.number(0, 0)) : std::nullopt;
}

}  // namespace

std::optional<std::string> add_player(Connection& db, const PlayerName& name) {
  std::string token = fresh_token();
  Rows r = db.exec(
      "INSERT INTO players (name, name_key, token_hash) VALUES ($1, $2, sha256(convert_to($3, "
      "'UTF8'))) ON CONFLICT (name_key) DO NOTHING RETURNING id",
      {name.shown, name.key, token});
  if (!r.size()) return std::nullopt;
  return token;
}

std::optional<Player> player_of_token(Connection& db, const std::string& token) {
  Rows r = db.exec("SELECT id, name FROM players WHERE token_hash = sha256(convert_to($1, 'UTF8'))",
                   {token});
  if (!r.size()) return std::nullopt;
  return Player{r.number(0, 0), r.text(0, 1)};
}

void delete_player(Connection& db, int64_t player) {
  db.exec("DELETE FROM players WHERE id = $1", {Param(player)});
}

std::optional<int64_t> add_run(Connection& db, int64_t player, const std::string& recording,
                               const Submission& s) {
  return db.transaction([&]() -> std::optional<int64_t> {
    Rows r = db.exec(
        "INSERT INTO runs (player_id, recording, game_digest, seed, game_version) "
        "VALUES ($1, $2, sha256(convert_to($3, 'UTF8')), $4, $5) "
        "ON CONFLICT (game_digest) WHERE status <> 'rejected' DO NOTHING RETURNING id",
        {Param(player), Param::bytes(recording), s.game,
         Param(static_cast<int64_t>(*s.script.seed)), s.script.game_version});
    if (!r.size()) return std::nullopt;
    int64_t id = r.number(0, 0);
    // The check values go in as two arrays, one statement for all of them.
    std::string steps = "{", values = "{";
    for (const CheckLine& c : s.script.checks) {
      if (steps.size() > 1) steps += ",", values += ",";
      steps += std::to_string(c.step);
      values += std::to_string(static_cast<int64_t>(c.value));
    }
    db.exec(
        "INSERT INTO run_checks (run_id, step, value) SELECT $1, s, v FROM "
        "unnest($2::bigint[], $3::bigint[]) AS c(s, v) ON CONFLICT DO NOTHING",
        {Param(id), steps + "}", values + "}"});
    return id;
  });
}

std::optional<RunInfo> run_info(Connection& db, int64_t id) {
  Rows r = db.exec("SELECT r.status, p.name, r.game_version, " + utc("r.submitted") +
                       ", r.reason, r.start, r.ending, " + utc("r.verified") +
                       ", r.stale_reason, r.score, r.steps, r.seed "
                       "FROM runs r JOIN players p ON p.id = r.player_id WHERE r.id = $1",
                   {Param(id)});
  if (!r.size()) return std::nullopt;
  RunInfo i;
  i.id = id;
  i.status = r.text(0, 0);
  i.player = r.text(0, 1);
  i.game = r.text(0, 2);
  i.submitted = r.text(0, 3);
  i.reason = r.maybe_text(0, 4);
  i.start = r.maybe_text(0, 5);
  i.ending = r.maybe_text(0, 6);
  i.verified = r.maybe_text(0, 7);
  i.stale_reason = r.maybe_text(0, 8);
  i.score = r.maybe_number(0, 9);
  i.steps = r.maybe_number(0, 10);
  i.seed = r.maybe_number(0, 11);
  if (i.status == "verified" && !i.stale_reason && i.start) i.rank = run_rank(db, id, *i.start);
  return i;
}

std::optional<std::string> run_recording(Connection& db, int64_t id) {
  Rows r = db.exec("SELECT encode(recording, 'hex') FROM runs WHERE id = $1", {Param(id)});
  if (!r.size()) return std::nullopt;
  return r.bytes_from_hex(0, 0);
}

std::vector<BoardRow> board(Connection& db, const std::string& start, int64_t limit,
                            int64_t offset) {
  Rows r = db.exec(
      "SELECT row_number() OVER (ORDER BY score DESC, submitted, id), id, score, steps, seed, "
      "name, "
      "ending, " +
          utc("submitted") +
          " FROM ("
          "  SELECT DISTINCT ON (r.player_id) r.id, r.score, r.steps, r.seed, p.name, r.ending, "
          "    r.submitted FROM runs r JOIN players p ON p.id = r.player_id "
          "  WHERE r.status = 'verified' AND r.stale_reason IS NULL AND r.start = $1 "
          "  ORDER BY r.player_id, r.score DESC, r.submitted, r.id) best "
          "ORDER BY score DESC, submitted, id LIMIT $2 OFFSET $3",
      {start, Param(limit), Param(offset)});
  std::vector<BoardRow> rows;
  for (int i = 0; i < r.size(); ++i)
    rows.push_back({r.number(i, 0), r.number(i, 1), r.number(i, 2), r.number(i, 3), r.number(i, 4),
                    r.text(i, 5), r.text(i, 6), r.text(i, 7)});
  return rows;
}

std::vector<std::pair<std::string, int64_t>> runs_by_status(Connection& db) {
  Rows r = db.exec("SELECT status, count(*) FROM runs GROUP BY status ORDER BY status");
  std::vector<std::pair<std::string, int64_t>> out;
  for (int i = 0; i < r.size(); ++i) out.emplace_back(r.text(i, 0), r.number(i, 1));
  return out;
}

}  // namespace qv::board
