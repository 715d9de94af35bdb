#include "board/database.hpp"

#include <cstdint>

#include "system/numbers.hpp"

namespace qv::board {

int64_t Rows::number(int row, int col) const {
  std::string t = text(row, col);
  // PostgreSQL's own text of a bigint: a stray value reads as 0, never as garbage.
  return read_whole_number(t, INT64_MIN, INT64_MAX).value_or(0);
}

std::string Rows::bytes_from_hex(int row, int col) const {
  std::string hex = text(row, col), bytes;
  auto digit = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(digit(hex[i]) * 16 + digit(hex[i + 1]));
  return bytes;
}

std::optional<int64_t> Rows::maybe_number(int row, int col) const {
  if (null(row, col)) return std::nullopt;
  return number(row, col);
}

std::optional<std::string> Rows::maybe_text(int row, int col) const {
  if (null(row, col)) return std::nullopt;
  return text(row, col);
}

Connection::~Connection() {
  if (conn_) PQfinish(conn_);
}

void Connection::connect() {
  if (conn_ && PQstatus(conn_) == CONNECTION_OK) return;
  if (conn_) PQfinish(conn_);
  // A database that does not answer is given up on in a few seconds, not the system's minutes.
  const char* keys[] = {"dbname", "connect_timeout", nullptr};
  const char* values[] = {uri_.c_str(), "5", nullptr};
  conn_ = PQconnectdbParams(keys, values, 1);
  if (PQstatus(conn_) != CONNECTION_OK) {
    std::string why = PQerrorMessage(conn_);
    PQfinish(conn_);
    conn_ = nullptr;
    throw DatabaseDown("cannot reach the database: " + why);
  }
  // The server's notices ("already exists, skipping") are not for the board's log.
  PQsetNoticeProcessor(
      conn_, [](void*, const char*) {}, nullptr);
}

void Connection::exec_script(const std::string& sql) {
  connect();
  Rows rows(PQexec(conn_, sql.c_str()));
  check(rows);
}

Rows Connection::exec(const std::string& sql, const std::vector<Param>& params) {
  connect();
  std::vector<const char*> values;
  std::vector<int> lengths, formats;
  for (const Param& p : params) {
    values.push_back(p.text ? p.text->data() : nullptr);
    lengths.push_back(p.text ? static_cast<int>(p.text->size()) : 0);
    formats.push_back(p.binary ? 1 : 0);
  }
  PGresult* r = PQexecParams(conn_, sql.c_str(), static_cast<int>(params.size()), nullptr,
                             values.data(), lengths.data(), formats.data(), 0);
  Rows rows(r);
  check(rows);
  return rows;
}

void Connection::check(const Rows& rows) {
  PGresult* r = rows.result();
  ExecStatusType status = PQresultStatus(r);
  if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return;
  if (PQstatus(conn_) != CONNECTION_OK) {
    std::string why = PQerrorMessage(conn_);
    PQfinish(conn_);
    conn_ = nullptr;
    throw DatabaseDown("the database went away: " + why);
  }
  const char* state = PQresultErrorField(r, PG_DIAG_SQLSTATE);
  std::string code = state ? state : "";
  // Class 57 (the server shutting down, a connection terminated) and 08 (connection) are the
  // database going away, not our statement's fault.
  if (code.rfind("57", 0) == 0 || code.rfind("08", 0) == 0) {
    PQfinish(conn_);
    conn_ = nullptr;
    throw DatabaseDown("the database went away: " + std::string(PQresultErrorMessage(r)));
  }
  throw DatabaseError(PQresultErrorMessage(r), code);
}

void Connection::rollback_quietly() {
  if (!conn_ || PQstatus(conn_) != CONNECTION_OK) return;
  PQclear(PQexec(conn_, "ROLLBACK"));
}

Pool::Pool(std::string uri, size_t size) {
  for (size_t i = 0; i < size; ++i) idle_.push_back(std::make_unique<Connection>(uri));
}

Pool::Lease Pool::take() {
  std::unique_lock lock(mutex_);
  returned_.wait(lock, [&] { return !idle_.empty(); });
  std::unique_ptr<Connection> c = std::move(idle_.back());
  idle_.pop_back();
  return Lease(*this, std::move(c));
}

void Pool::give_back(std::unique_ptr<Connection> c) {
  {
    std::lock_guard lock(mutex_);
    idle_.push_back(std::move(c));
  }
  returned_.notify_one();
}

}  // namespace qv::board
