// The game's HTTP on Linux: Debian's libcurl, one easy handle a request. libcurl takes the
// proxies from the environment (http_proxy, https_proxy, no_proxy) by itself and checks
// certificates against the system's store as Debian built it; it follows no redirect, so a
// token goes only to the address it was meant for.
#include <curl/curl.h>

#include <cctype>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string_view>

#include "desktop/http_client.hpp"

namespace qv {
namespace {

struct Exchange {
  HttpResponse response;
  bool too_large = false;
};

size_t on_body(char* data, size_t size, size_t count, void* user) {
  auto* e = static_cast<Exchange*>(user);
  size_t n = size * count;
  if (e->response.body.size() + n > kLargestHttpAnswer) {
    e->too_large = true;
    return 0;  // ends the transfer
  }
  e->response.body.append(data, n);
  return n;
}

size_t on_header(char* data, size_t size, size_t count, void* user) {
  auto* e = static_cast<Exchange*>(user);
  size_t n = size * count;
  std::string line(data, n);
  constexpr std::string_view kRetry = "retry-after:";
  if (line.size() > kRetry.size()) {
    bool retry = true;
    for (size_t i = 0; i < kRetry.size() && retry; ++i)
      retry = std::tolower(static_cast<unsigned char>(line[i])) == kRetry[i];
    if (retry) {
      size_t b = line.find_first_not_of(" \t", kRetry.size());
      size_t end = line.find_last_not_of(" \t\r\n");
      e->response.retry_after =
          b == std::string::npos || end < b ? "" : line.substr(b, end - b + 1);
    }
  }
  return n;
}

class CurlClient : public HttpClient {
 public:
  CurlClient() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  }

  HttpResponse send(const HttpRequest& request) override {
    Exchange e;
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
    if (!curl) return failed("libcurl cannot start a request");
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(nullptr,
                                                                        &curl_slist_free_all);
    for (const auto& [name, value] : request.headers)
      headers.reset(curl_slist_append(headers.release(), (name + ": " + value).c_str()));
    // No "Expect: 100-continue" wait before a recording is sent.
    headers.reset(curl_slist_append(headers.release(), "Expect:"));
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    if (request.method == "POST") {
      curl_easy_setopt(c, CURLOPT_POSTFIELDS, request.body.data());
      curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE,
                       static_cast<curl_off_t>(request.body.size()));
    } else if (request.method != "GET") {
      curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    }
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(request.timeout_ms));
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);  // a thread of its own may run it
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, on_body);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &e);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, on_header);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &e);
    // libcurl reads no certificate variable of the environment itself (the curl program
    // does): SSL_CERT_FILE, OpenSSL's own, names another store, as for a test's own authority.
    if (const char* store = std::getenv("SSL_CERT_FILE"); store && *store)
      curl_easy_setopt(c, CURLOPT_CAINFO, store);
    char why[CURL_ERROR_SIZE] = "";
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, why);
    CURLcode done = curl_easy_perform(c);
    if (e.too_large)
      return failed("an answer larger than " + std::to_string(kLargestHttpAnswer) + " bytes");
    if (done != CURLE_OK) return failed(*why ? why : curl_easy_strerror(done));
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    e.response.reached = true;
    e.response.status = static_cast<int>(status);
    return std::move(e.response);
  }

 private:
  static HttpResponse failed(std::string why) {
    HttpResponse r;
    r.error = std::move(why);
    return r;
  }
};

}  // namespace

std::unique_ptr<HttpClient> make_http_client() {
  return std::make_unique<CurlClient>();
}

}  // namespace qv
