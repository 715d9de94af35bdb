#include "board/http_server.hpp"

#include <atomic>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/strand.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <memory>
#include <optional>
#include <string_view>
#include <thread>

#include "system/numbers.hpp"

namespace qv::board {
namespace {

namespace beast = boost::beast;
namespace http = beast::http;
namespace net = boost::asio;
using tcp = net::ip::tcp;

std::string lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string url_decoded(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '+') {
      out += ' ';
    } else if (std::optional<uint64_t> byte =
                   s[i] == '%' ? read_hex_number(std::string_view(s).substr(i + 1, 2), 2)
                               : std::nullopt) {
      out += static_cast<char>(*byte);
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

class Session : public std::enable_shared_from_this<Session> {
 public:
  Session(tcp::socket socket, const HttpLimits& limits, const HttpHandler& handler,
          std::atomic<size_t>& open)
      : stream_(std::move(socket)), limits_(limits), handler_(handler), open_(open) {}
  ~Session() { --open_; }

  void start() {
    beast::error_code ec;
    tcp::endpoint peer = stream_.socket().remote_endpoint(ec);
    address_ = ec ? "" : peer.address().to_string();
    read();
  }

 private:
  void read() {
    parser_.emplace();
    parser_->header_limit(static_cast<uint32_t>(limits_.header_bytes));
    parser_->body_limit(limits_.body_bytes);
    stream_.expires_after(limits_.deadline);
    http::async_read(stream_, buffer_, *parser_,
                     beast::bind_front_handler(&Session::on_read, shared_from_this()));
  }

  void on_read(beast::error_code ec, size_t) {
    bool too_large = ec == http::error::body_limit;
    if (ec == http::error::header_limit) return answer_and_close(431, "headers too large");
    if (ec && !too_large) return close();
    HttpRequest request = request_of(parser_->get(), too_large);
    HttpResponse response;
    try {
      response = handler_(request);
    } catch (const std::exception&) {
      response = {500, "application/json", R"({"error":"internal error"})", {}};
    }
    bool keep =
        !too_large && parser_->get().keep_alive() && ++served_ < limits_.keep_alive_requests;
    write(response, keep, parser_->get().version());
  }

  HttpRequest request_of(const http::request<http::string_body>& m, bool too_large) {
    HttpRequest r;
    r.method = std::string(m.method_string());
    std::string target(m.target());
    size_t q = target.find('?');
    r.path = url_decoded(target.substr(0, q));
    if (q != std::string::npos) r.query = target.substr(q + 1);
    for (const auto& field : m)
      r.headers[lower(std::string(field.name_string()))] = std::string(field.value());
    if (!too_large) r.body = m.body();
    r.address = address_;
    r.too_large = too_large;
    return r;
  }

  void write(const HttpResponse& response, bool keep, unsigned version) {
    auto message = std::make_shared<http::response<http::string_body>>(
        static_cast<http::status>(response.status), version ? version : 11);
    message->set(http::field::server, "quelvaris-board");
    message->set(http::field::content_type, response.content_type);
    for (const auto& [name, value] : response.headers) message->set(name, value);
    message->body() = response.body;
    message->keep_alive(keep);
    message->prepare_payload();
    stream_.expires_after(limits_.deadline);
    http::async_write(stream_, *message,
                      [self = shared_from_this(), message, keep](beast::error_code ec, size_t) {
                        if (ec || !keep) return self->close();
                        self->read();
                      });
  }

  void answer_and_close(int status, const char* why) {
    write({status, "application/json", std::string(R"({"error":")") + why + "\"}", {}}, false, 11);
  }

  void close() {
    beast::error_code ec;
    stream_.socket().shutdown(tcp::socket::shutdown_both, ec);
  }

  beast::tcp_stream stream_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::string_body>> parser_;
  const HttpLimits& limits_;
  const HttpHandler& handler_;
  std::atomic<size_t>& open_;
  std::string address_;
  int served_ = 0;
};

class Listener : public std::enable_shared_from_this<Listener> {
 public:
  Listener(net::io_context& io, tcp::acceptor acceptor, const HttpLimits& limits,
           const HttpHandler& handler)
      : io_(io), acceptor_(std::move(acceptor)), limits_(limits), handler_(handler) {}
  void accept() {
    acceptor_.async_accept(net::make_strand(io_),
                           beast::bind_front_handler(&Listener::on_accept, shared_from_this()));
  }

 private:
  void on_accept(beast::error_code ec, tcp::socket socket) {
    if (!ec) {
      // Past the bound a connection is closed at once: the ones open keep being served.
      if (open_ < limits_.connections) {
        ++open_;
        std::make_shared<Session>(std::move(socket), limits_, handler_, open_)->start();
      }
    }
    if (acceptor_.is_open()) accept();
  }

  net::io_context& io_;
  tcp::acceptor acceptor_;
  const HttpLimits& limits_;
  const HttpHandler& handler_;
  std::atomic<size_t> open_{0};
};

}  // namespace

std::string HttpRequest::header(const std::string& lower_name) const {
  auto it = headers.find(lower_name);
  return it == headers.end() ? "" : it->second;
}

std::string HttpRequest::param(const std::string& name) const {
  size_t at = 0;
  while (at <= query.size()) {
    size_t end = query.find('&', at);
    if (end == std::string::npos) end = query.size();
    std::string pair = query.substr(at, end - at);
    size_t eq = pair.find('=');
    if (url_decoded(pair.substr(0, eq)) == name)
      return eq == std::string::npos ? "" : url_decoded(pair.substr(eq + 1));
    at = end + 1;
  }
  return "";
}

bool serve_http(const std::string& host, int port, const HttpLimits& limits, HttpHandler handler,
                std::string& error) {
  net::io_context io(limits.threads);
  beast::error_code ec;
  tcp::endpoint endpoint(net::ip::make_address(host, ec), static_cast<unsigned short>(port));
  if (ec) {
    error = "not an address: " + host;
    return false;
  }
  tcp::acceptor acceptor(io);
  acceptor.open(endpoint.protocol(), ec);
  if (!ec) acceptor.set_option(net::socket_base::reuse_address(true), ec);
  if (!ec) acceptor.bind(endpoint, ec);
  if (!ec) acceptor.listen(net::socket_base::max_listen_connections, ec);
  if (ec) {
    error = "cannot listen on " + host + ":" + std::to_string(port) + ": " + ec.message();
    return false;
  }
  std::make_shared<Listener>(io, std::move(acceptor), limits, handler)->accept();
  net::signal_set signals(io, SIGINT, SIGTERM);
  signals.async_wait([&](beast::error_code, int) { io.stop(); });
  std::vector<std::thread> threads;
  for (int i = 1; i < limits.threads; ++i) threads.emplace_back([&] { io.run(); });
  io.run();
  for (std::thread& t : threads) t.join();
  return true;
}

}  // namespace qv::board
