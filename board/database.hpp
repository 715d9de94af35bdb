// The board's one store of state: a PostgreSQL database reached through libpq. Every statement
// goes with its values as parameters, never spliced into its text. A connection that breaks
// (the server restarted, the network gone) is dropped and made again on its next use, so an
// instance rides out a restart of the database without being restarted itself.
#pragma once

#include <libpq-fe.h>

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace qv::board {

// The database cannot be reached, or a statement failed for want of it: the request is
// answered 503 and the verifier tries again later.
struct DatabaseDown : std::runtime_error {
  using std::runtime_error::runtime_error;
};
// A statement the database refused; `state` is its SQLSTATE ("23505": a unique value taken).
struct DatabaseError : std::runtime_error {
  DatabaseError(const std::string& what, std::string code)
      : std::runtime_error(what), state(std::move(code)) {}
  std::string state;
};

// A parameter: text, or SQL NULL; `binary` sends the bytes as they are (a bytea).
struct Param {
  Param() = default;
  Param(std::string t) : text(std::move(t)) {}
  Param(const char* t) : text(t) {}
  Param(int64_t n) : text(std::to_string(n)) {}
  Param(int n) : text(std::to_string(n)) {}
  static Param bytes(std::string b) {
    Param p(std::move(b));
    p.binary = true;
    return p;
  }
  std::optional<std::string> text;
  bool binary = false;
};

class Rows {
 public:
  explicit Rows(PGresult* r) : result_(r, PQclear) {}
  int size() const { return PQntuples(result_.get()); }
  bool null(int row, int col) const { return PQgetisnull(result_.get(), row, col); }
  std::string text(int row, int col) const {
    return std::string(PQgetvalue(result_.get(), row, col),
                       static_cast<size_t>(PQgetlength(result_.get(), row, col)));
  }
  int64_t number(int row, int col) const;
  std::optional<int64_t> maybe_number(int row, int col) const;
  std::optional<std::string> maybe_text(int row, int col) const;
  // The bytes of a bytea column selected as encode(column, 'hex').
  std::string bytes_from_hex(int row, int col) const;
  PGresult* result() const { return result_.get(); }

 private:
  std::shared_ptr<PGresult> result_;
};

class Connection {
 public:
  explicit Connection(std::string uri) : uri_(std::move(uri)) {}
  Connection(const Connection&) = delete;
  ~Connection();
  // Runs one statement (text results); throws DatabaseDown or DatabaseError.
  Rows exec(const std::string& sql, const std::vector<Param>& params = {});
  // Runs statements of our own text, several at once and without parameters (the migrations).
  void exec_script(const std::string& sql);
  // exec() between BEGIN and COMMIT; a throw rolls back.
  template <typename F>
  auto transaction(F&& work) {
    exec("BEGIN");
    try {
      auto result = work();
      exec("COMMIT");
      return result;
    } catch (...) {
      rollback_quietly();
      throw;
    }
  }

 private:
  void connect();
  void check(const Rows& rows);  // throws unless the statement succeeded
  void rollback_quietly();
  std::string uri_;
  PGconn* conn_ = nullptr;
};

// A fixed number of connections the HTTP handlers share; each is made when first needed.
class Pool {
 public:
  Pool(std::string uri, size_t size);
  class Lease {
   public:
    Lease(Pool& pool, std::unique_ptr<Connection> c) : pool_(pool), conn_(std::move(c)) {}
    Lease(const Lease&) = delete;
    ~Lease() { pool_.give_back(std::move(conn_)); }
    Connection* operator->() { return conn_.get(); }
    Connection& operator*() { return *conn_; }

   private:
    Pool& pool_;
    std::unique_ptr<Connection> conn_;
  };
  Lease take();

 private:
  void give_back(std::unique_ptr<Connection> c);
  std::mutex mutex_;
  std::condition_variable returned_;
  std::vector<std::unique_ptr<Connection>> idle_;
};

}  // namespace qv::board
