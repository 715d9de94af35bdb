// The board's HTTP server, on Boost.Beast: a fixed number of threads, a bounded number of
// connections, and every request read and answered against a deadline of its own, so that a
// client that sends nothing, or a byte a second, holds one connection until that deadline and
// no thread at all. The request line and headers together, and the body, have sizes they may
// not pass.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace qv::board {

struct HttpRequest {
  std::string method, path, query, body;
  std::string address;                         // the client's IP address
  std::map<std::string, std::string> headers;  // names in lower case
  bool too_large = false;                      // the body passed its limit: it was not read
  std::string header(const std::string& lower_name) const;
  std::string param(const std::string& name) const;  // of the query, decoded
};

struct HttpResponse {
  int status = 200;
  std::string content_type = "application/json";
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;
};

using HttpHandler = std::function<HttpResponse(const HttpRequest&)>;

struct HttpLimits {
  int threads = 8;
  size_t connections = 256;
  std::chrono::seconds deadline{10};  // to read a whole request, and to write its answer
  size_t header_bytes = 16 * 1024;    // the request line and the headers
  size_t body_bytes = 1 << 20;
  int keep_alive_requests = 100;
};

// Serves until SIGINT or SIGTERM; false with `error` when it cannot listen.
bool serve_http(const std::string& host, int port, const HttpLimits& limits, HttpHandler handler,
                std::string& error);

}  // namespace qv::board
