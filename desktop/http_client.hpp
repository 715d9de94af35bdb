// HTTP as the game uses it to reach a board: one request at a time, bounded, from a thread
// that is not the window's. Linux: libcurl (http_curl.cpp); Windows: WinHTTP
// (windows/http_winhttp.cpp). Proxies come from the environment (Linux) or the system
// (Windows); certificates from the system's store.
#pragma once
#include <memory>
#include <string>
#include <utility>
#include <vector>
namespace qv {
struct HttpRequest {
  std::string method;  // "GET", "POST", "DELETE"
  std::string url;     // http:// or https://
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  int timeout_ms = 15000;  // the whole exchange
};
struct HttpResponse {
  bool reached = false;      // false: no answer (error says why: refused, timed out, TLS...)
  std::string error;
  int status = 0;
  std::string body;          // at most kLargestHttpAnswer bytes; longer answers are errors
  std::string retry_after;   // the Retry-After header as sent, or empty
};
inline constexpr std::size_t kLargestHttpAnswer = 1 << 20;
class HttpClient {
 public:
  virtual ~HttpClient() = default;
  virtual HttpResponse send(const HttpRequest& request) = 0;
};
std::unique_ptr<HttpClient> make_http_client();
}  // namespace qv
