// The board's HTTP on Windows through the system's own WinHTTP: the proxy and the certificates
// are those Windows is set up with, and the game bundles no library for it. Synchronous, one
// request at a time; the request's timeout bounds the whole exchange, not each step of it.
#include <windows.h>
// After windows.h, which it needs.
#include <winhttp.h>

#include <algorithm>
#include <memory>
#include <string>

#include "desktop/http_client.hpp"

namespace qv {
namespace {

struct InternetCloser {
  void operator()(HINTERNET handle) const { WinHttpCloseHandle(handle); }
};
using Internet = std::unique_ptr<void, InternetCloser>;

constexpr const wchar_t* kAgent = L"quelvaris/" QV_VERSION;

std::wstring wide(const std::string& utf8) {
  int size =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring text(static_cast<size_t>(std::max(size, 0)), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), size);
  return text;
}

// What went wrong, in a few words, with WinHTTP's name for it so that it can be looked up.
std::string error_text(DWORD code) {
  struct Known {
    DWORD code;
    const char* what;
  };
#define QV_KNOWN(name, what) \
  { name, what " (" #name ")" }
  static constexpr Known kKnown[] = {
      QV_KNOWN(ERROR_WINHTTP_CANNOT_CONNECT, "cannot connect"),
      QV_KNOWN(ERROR_WINHTTP_CONNECTION_ERROR, "the connection was broken"),
      QV_KNOWN(ERROR_WINHTTP_TIMEOUT, "timed out"),
      QV_KNOWN(ERROR_WINHTTP_NAME_NOT_RESOLVED, "name not resolved"),
      QV_KNOWN(ERROR_WINHTTP_INVALID_URL, "not an address"),
      QV_KNOWN(ERROR_WINHTTP_UNRECOGNIZED_SCHEME, "not an http or https address"),
      QV_KNOWN(ERROR_WINHTTP_INVALID_SERVER_RESPONSE, "the answer is not HTTP"),
      QV_KNOWN(ERROR_WINHTTP_SECURE_FAILURE, "the certificate or the secure connection failed"),
      QV_KNOWN(ERROR_WINHTTP_SECURE_CHANNEL_ERROR, "the secure connection failed"),
      QV_KNOWN(ERROR_WINHTTP_SECURE_INVALID_CA, "certificate of an unknown authority"),
      QV_KNOWN(ERROR_WINHTTP_SECURE_CERT_CN_INVALID, "certificate of another name"),
      QV_KNOWN(ERROR_WINHTTP_SECURE_CERT_DATE_INVALID, "certificate expired or not yet valid"),
      QV_KNOWN(ERROR_WINHTTP_SECURE_CERT_REVOKED, "certificate revoked"),
      QV_KNOWN(ERROR_WINHTTP_SECURE_INVALID_CERT, "invalid certificate"),
      QV_KNOWN(ERROR_WINHTTP_SECURE_CERT_REV_FAILED, "certificate's revocation not checked"),
  };
#undef QV_KNOWN
  for (const Known& known : kKnown)
    if (known.code == code) return known.what;
  return "WinHTTP error " + std::to_string(code);
}

HttpResponse failure(std::string why) {
  HttpResponse response;
  response.error = std::move(why);
  return response;
}

// Windows 8.1 and later find the proxy as the system does, its automatic detection included.
// Before, the user's proxy set in the Internet Options, else the one set with netsh.
Internet open_session() {
  if (HINTERNET session = WinHttpOpen(kAgent, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
                                      WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0))
    return Internet(session);
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG user{};
  HINTERNET session = nullptr;
  if (WinHttpGetIEProxyConfigForCurrentUser(&user) && user.lpszProxy)
    session = WinHttpOpen(kAgent, WINHTTP_ACCESS_TYPE_NAMED_PROXY, user.lpszProxy,
                          user.lpszProxyBypass ? user.lpszProxyBypass : WINHTTP_NO_PROXY_BYPASS, 0);
  for (LPWSTR text : {user.lpszAutoConfigUrl, user.lpszProxy, user.lpszProxyBypass})
    if (text) GlobalFree(text);
  if (!session)
    session = WinHttpOpen(kAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                          WINHTTP_NO_PROXY_BYPASS, 0);
  return Internet(session);
}

// The time left of the exchange, which every step that waits is given as its own bound (0 is
// no bound at all to WinHTTP: a deadline passed is a timeout of our own).
class Deadline {
 public:
  explicit Deadline(int ms) : end_(GetTickCount64() + static_cast<ULONGLONG>(std::max(ms, 1))) {}
  bool bound(HINTERNET handle) const {
    ULONGLONG now = GetTickCount64();
    if (now >= end_) {
      SetLastError(ERROR_WINHTTP_TIMEOUT);
      return false;
    }
    DWORD left = static_cast<DWORD>(std::min<ULONGLONG>(end_ - now, 0x7fffffff));
    // The wait for the answer's headers has a bound of its own, apart from that of reading.
    int ms = static_cast<int>(left);
    return WinHttpSetTimeouts(handle, ms, ms, ms, ms) &&
           WinHttpSetOption(handle, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &left, sizeof left);
  }

 private:
  ULONGLONG end_;
};

struct Address {
  std::wstring host;
  INTERNET_PORT port = 0;
  std::wstring path;  // with the query
  bool secure = false;
};

bool crack_url(const std::wstring& url, Address& address) {
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = DWORD(-1);
  if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) return false;
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) {
    SetLastError(ERROR_WINHTTP_UNRECOGNIZED_SCHEME);
    return false;
  }
  address.host.assign(parts.lpszHostName, parts.dwHostNameLength);
  address.port = parts.nPort;
  address.path.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
  address.path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  address.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  return true;
}

std::wstring header_lines(const HttpRequest& request) {
  std::string lines;
  for (const auto& [name, value] : request.headers) lines += name + ": " + value + "\r\n";
  return wide(lines);
}

// A header of the answer as sent (Retry-After is digits or a date, ASCII); empty when missing.
std::string header(HINTERNET request, DWORD which) {
  wchar_t text[128];
  DWORD size = sizeof text;
  if (!WinHttpQueryHeaders(request, which, WINHTTP_HEADER_NAME_BY_INDEX, text, &size,
                           WINHTTP_NO_HEADER_INDEX))
    return {};
  return std::string(text, text + size / sizeof(wchar_t));
}

// The answer's body, at most kLargestHttpAnswer bytes; false with the error set otherwise.
bool read_body(HINTERNET request, const Deadline& deadline, HttpResponse& response) {
  constexpr size_t kChunk = 64 * 1024;
  for (;;) {
    size_t had = response.body.size();
    if (had > kLargestHttpAnswer) {
      response.error = "an answer larger than " + std::to_string(kLargestHttpAnswer) + " bytes";
      return false;
    }
    response.body.resize(had + kChunk);
    DWORD got = 0;
    if (!deadline.bound(request) ||
        !WinHttpReadData(request, response.body.data() + had, kChunk, &got)) {
      response.error = error_text(GetLastError());
      return false;
    }
    response.body.resize(had + got);
    if (got == 0) return true;
  }
}

class WinHttpClient : public HttpClient {
 public:
  HttpResponse send(const HttpRequest& request) override {
    Deadline deadline(request.timeout_ms);
    Address address;
    if (!session_ || !crack_url(wide(request.url), address))
      return failure(error_text(GetLastError()));
    Internet connection(WinHttpConnect(session_.get(), address.host.c_str(), address.port, 0));
    if (!connection) return failure(error_text(GetLastError()));
    Internet exchange(WinHttpOpenRequest(connection.get(), wide(request.method).c_str(),
                                         address.path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                         WINHTTP_DEFAULT_ACCEPT_TYPES,
                                         address.secure ? WINHTTP_FLAG_SECURE : 0));
    if (!exchange) return failure(error_text(GetLastError()));
    // A redirection is answered as it came, as on Linux: a POST sent on would lose its body.
    DWORD no_redirects = WINHTTP_DISABLE_REDIRECTS;
    WinHttpSetOption(exchange.get(), WINHTTP_OPTION_DISABLE_FEATURE, &no_redirects,
                     sizeof no_redirects);
    std::wstring headers = header_lines(request);
    DWORD body_size = static_cast<DWORD>(request.body.size());
    if (!deadline.bound(exchange.get()) ||
        !WinHttpSendRequest(exchange.get(),
                            headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
                            static_cast<DWORD>(headers.size()),
                            const_cast<char*>(request.body.data()), body_size, body_size, 0) ||
        !deadline.bound(exchange.get()) || !WinHttpReceiveResponse(exchange.get(), nullptr))
      return failure(error_text(GetLastError()));
    HttpResponse response;
    DWORD status = 0, size = sizeof status;
    if (!WinHttpQueryHeaders(exchange.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
      return failure(error_text(GetLastError()));
    response.status = static_cast<int>(status);
    response.retry_after = header(exchange.get(), WINHTTP_QUERY_RETRY_AFTER);
    if (!read_body(exchange.get(), deadline, response)) return failure(response.error);
    response.reached = true;
    return response;
  }

 private:
  Internet session_ = open_session();
};

}  // namespace

std::unique_ptr<HttpClient> make_http_client() {
  return std::make_unique<WinHttpClient>();
}

}  // namespace qv
